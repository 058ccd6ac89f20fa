#!/usr/bin/env bash
# scripts/bench, the README's third command, run whole at a tiny size in one combination (the
# x86_64 build in a 64-bit prefix unless named): a few dozen classes, one run of each measurement,
# the removal benchmark with a dozen classes and the native benchmark at its smallest size, into a
# document of its own. It must end, and write every part of the document. The closing lines are
# GoogleTest's, so that scripts/test counts them. The builds it uses are made beforehand.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
combination=${1:-x86_64-win64}
OUT=$(mktemp -d /tmp/hivetidy-bench-smoke.XXXXXX)
trap 'rm -rf "$OUT"' EXIT

echo "[ RUN      ] Bench.EndsAndWritesEveryPartOfTheDocument"
HIVETIDY_BENCH_COMBINATIONS=$combination HIVETIDY_BENCH_SIZES=40 HIVETIDY_BENCH_RUNS=1 HIVETIDY_BENCH_WARMUP=0 \
    HIVETIDY_BENCH_CPU=none HIVETIDY_BENCH_OUTPUT="$OUT/PERFORMANCE.md" BENCH_RESULTS="$OUT/results.tsv" \
    HIVETIDY_BENCH_REMOVAL_CLASSES=12 HIVETIDY_BENCH_NATIVE_FILTER='/1000$' HIVETIDY_BENCH_NATIVE_REPETITIONS=2 \
    HIVETIDY_BENCH_NATIVE_MIN_TIME=0.01 bash "$ROOT/scripts/bench" </dev/null
status=$?

faults=()
[ "$status" -eq 0 ] || faults+=("scripts/bench ended with $status")
for part in "## A whole scan under Wine" "| 40 | " "hivetidy.exe scan |" "## The scan's own code" "## The removal side"; do
    grep -qF -- "$part" "$OUT/PERFORMANCE.md" 2>/dev/null || faults+=("the document has no \"$part\"")
done
if [ ${#faults[@]} -eq 0 ]; then
    echo "[       OK ] Bench.EndsAndWritesEveryPartOfTheDocument"
    echo "[  PASSED  ] 1 test."
    exit 0
fi
printf '  %s\n' "${faults[@]}"
[ -f "$OUT/PERFORMANCE.md" ] && sed 's/^/  | /' "$OUT/PERFORMANCE.md"
echo "[  FAILED  ] Bench.EndsAndWritesEveryPartOfTheDocument"
echo "[  FAILED  ] 1 test, listed below:"
echo "[  FAILED  ] Bench.EndsAndWritesEveryPartOfTheDocument"
exit 1

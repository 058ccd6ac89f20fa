# shellcheck shell=bash
# The benchmarks of the program's own code, for scripts/bench: the scan over the simulated
# registry (Google Benchmark, natively) and the removal side on the real Win32 platform under Wine.
# Each writes a Markdown section to the file named.
#   bench_native_section NATIVE_BUILD_DIR OUT
#   bench_removal_section CROSS_BUILD_DIR ARCH LABEL CLASSES OUT

# The native scan at 1k, 10k and 100k classes: medians of 5 repetitions, keys per second and store
# calls per key for each pass, and the time per key at 100k against 10k (HIVETIDY_BENCH_NATIVE_*,
# as scripts/bench says, make it smaller).
bench_native_section() {
    local dir=$1 out=$2 bench json
    bench=$(find_built "$dir" native_bench)
    if [ -z "$bench" ]; then
        echo "error: native_bench was not built in $dir (Google Benchmark missing?)" >&2
        return 1
    fi
    json=$(mktemp)
    # The sizes run and the repetitions can be made smaller for a quick try (scripts/test's smoke run).
    "$bench" --benchmark_repetitions="${HIVETIDY_BENCH_NATIVE_REPETITIONS:-5}" --benchmark_report_aggregates_only=true \
        --benchmark_min_time="${HIVETIDY_BENCH_NATIVE_MIN_TIME:-0.5}" --benchmark_filter="${HIVETIDY_BENCH_NATIVE_FILTER:-.}" \
        --benchmark_format=json >"$json" || { rm -f "$json"; return 1; }
    python3 - "$json" "${HIVETIDY_BENCH_NATIVE_REPETITIONS:-5}" >"$out" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
rows = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    name, size = b["run_name"].split("/")
    rows.setdefault(name, {})[int(size)] = b
ctx = data["context"]
print("## The scan's own code, natively over the simulated registry\n")
print(f"`build/native/tests/native_bench` (Google Benchmark), median of {sys.argv[2]} repetitions; {ctx.get('num_cpus')} CPUs "
      f"at {ctx.get('mhz_per_cpu')} MHz. Foreign registrations only: per class a server with its threading model, "
      "a ProgID, a type library and a version key; a type library per ten classes, an application path per hundred. "
      "Store calls are counted in one more pass through a counting store, so counting adds nothing to the times.\n")
titles = {"BM_ClassPass": "class pass (CLSID, with each class's type library)",
          "BM_TypeLibPass": "type-library pass", "BM_AppPathsPass": "application paths",
          "BM_WholeScan": "whole run, Start to Finished, nothing to remove"}
print("| pass | classes | keys | time | keys per second | ns per key | store calls per key | opens per key |")
print("|---|---:|---:|---:|---:|---:|---:|---:|")
for name, sizes in rows.items():
    for size in sorted(sizes):
        b = sizes[size]
        print(f"| {titles.get(name, name)} | {size:,} | {int(b['keys']):,} | {b['real_time']:.2f} ms | "
              f"{b['keys/s'] / 1e6:.2f} M | {b['ns/key']:.0f} | {b['calls/key']:.2f} | {b['opens/key']:.2f} |")
print()
print("| pass | ns per key at 10k | at 100k | 100k against 10k |")
print("|---|---:|---:|---:|")
for name, sizes in rows.items():
    if 10000 in sizes and 100000 in sizes:
        a, b = sizes[10000]["ns/key"], sizes[100000]["ns/key"]
        print(f"| {titles.get(name, name)} | {a:.0f} | {b:.0f} | {b / a:.2f}x |")
print()
PY
    local status=$?
    rm -f "$json"
    return $status
}

# A run that removes CLASSES controller classes with their ProgIDs and type libraries (three keys
# each) in a fresh prefix: the time per removed key in the registry editor and in the program.
bench_removal_section() {
    local dir=$1 arch=$2 label=$3 classes=$4 out=$5 bench result
    bench=$(find_built "$dir" removalbench.exe)
    if [ -z "$bench" ]; then
        echo "error: removalbench.exe was not built in $dir" >&2
        return 1
    fi
    (
        unset WINE_PREFIX_DIR WINE_USE_DISPLAY
        wine_start hivetidy-removal "$arch" || exit 1
        wine_run_console "$bench" "$classes"
        status=$?
        wine_stop
        exit $status
    ) >"$out.raw" 2>&1
    result=$?
    python3 - "$out.raw" "$label" >"$out" <<'PY' || result=1
import re, sys
lines = {}
for line in open(sys.argv[1], errors="replace").read().splitlines():
    words = line.split()
    if words and "=" not in words[0]:
        lines[words[0]] = dict(re.findall(r"(\w+)=([-\d.]+)", line))
run, split, own = lines.get("run"), lines.get("per_key_ms"), lines.get("own_work_ms")
if not (run and split and own):
    print(open(sys.argv[1], errors="replace").read(), file=sys.stderr)
    sys.exit(1)
print(f"## The removal side ({sys.argv[2]})\n")
print(f"`removalbench.exe {run['classes']}`: a whole run of the program's own code on the real Win32 platform "
      f"in a fresh prefix, removing {run['classes']} controller classes with their ProgIDs and type libraries: "
      f"{run['removals']} keys, each exported by the registry editor, checked, copied into the backup, flushed, "
      f"deleted and logged ({run['logged']} log lines); the whole run took {float(run['run_ms']) / 1000:.1f} s. "
      "Only the save dialog is answered by the benchmark.\n")
print("| per removed key | ms |")
print("|---|---:|")
names = [("editor", "registry editor's process (start to end)"),
         ("check", "export check: reading the live key, comparing it with the export"),
         ("copy", "reading the export and copying it into the backup"),
         ("flush", "flushing the backup and the log"),
         ("delete", "deleting the key"), ("log", "the log line"),
         ("before_next", "before the next key's editor: its guards, lookups, the old export removed")]
for key, text in names:
    print(f"| {text} | {float(split[key]):.3f} |")
print(f"\nThe program's own work per key, from the editor's end to the next editor's start: median "
      f"**{float(own['median']):.2f} ms**, 90th percentile {float(own['p90']):.2f} ms, most {float(own['max']):.2f} ms "
      "(the last key, whose time runs on into the passes after it, left out).\n")
PY
    rm -f "$out.raw"
    return $result
}

# Rewrites what follows the marker line of the document with the native section and one removal
# section per combination: bench_own_write DOC NATIVE_DIR CLASSES COMBINATION...
# (COMBINATION as bench_combination_parts takes it). The Wine benchmark's part above stays.
bench_own_write() {
    local doc=$1 native=$2 classes=$3 part id dir arch label status=0
    shift 3
    part=$(mktemp -d)
    echo "=== native scan benchmark: $native"
    build_native "$native" native_bench >/dev/null || { rm -rf "$part"; return 1; }
    bench_native_section "$native" "$part/0-native.md" || status=1
    for id in "$@"; do
        IFS='|' read -r dir arch label <<<"$(bench_combination_parts "$id")"
        echo "=== removal benchmark: $label"
        case $dir in
            */win64) build_win64 "$dir" removalbench >/dev/null ;;
            *) build_win32 "$dir" removalbench >/dev/null ;;
        esac || { status=1; continue; }
        bench_removal_section "$dir" "$arch" "$label" "$classes" "$part/1-removal-$id.md" || status=1
    done
    {
        awk -v marker="$BENCH_DOC_MARKER" '{ print } $0 == marker { exit }' "$doc"
        echo
        cat "$part"/*.md 2>/dev/null
    } >"$doc.new" && mv "$doc.new" "$doc"
    rm -rf "$part"
    return $status
}

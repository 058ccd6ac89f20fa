# shellcheck shell=bash
# The libFuzzer targets of tests/fuzz: installing clang where it is missing, building the targets
# in a build folder of their own, and running one target for a while on a working copy of its
# committed seed corpus (the committed corpus is never written to).
# Source it, then: fuzz_install; fuzz_build DIR; fuzz_run DIR TARGET SECONDS. The targets are
# listed in HIVETIDY_FUZZ_TARGETS; fuzz_run prints one line for the target and returns non-zero
# when the target found something.

HIVETIDY_ROOT=${HIVETIDY_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
HIVETIDY_FUZZ_TARGETS=(reg_import export_check)
HIVETIDY_FUZZ_PACKAGES=(cmake ninja-build clang libclang-rt-14-dev)

# Installs through apt the packages of the list that are missing; touches apt only then.
fuzz_install() {
    local package missing=()
    for package in "${HIVETIDY_FUZZ_PACKAGES[@]}"; do
        if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "error: missing packages need root to install: ${missing[*]}" >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures DIR with clang and the fuzz targets, and builds them (one job per core).
fuzz_build() {
    local dir=$1 target targets=()
    for target in "${HIVETIDY_FUZZ_TARGETS[@]}"; do
        targets+=("fuzz_$target")
    done
    mkdir -p "$dir"
    cmake -S "$HIVETIDY_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
        -DHIVETIDY_FUZZ=ON >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; return 1; }
    cmake --build "$dir" --target "${targets[@]}" -- -j "$(nproc)"
}

# Runs the target for SECONDS seconds on DIR/corpus/TARGET, which starts as a copy of the committed
# seeds and keeps what earlier runs found interesting, in HIVETIDY_FUZZ_JOBS processes at once (1
# unless set). Prints the number of inputs run; anything the target found (a crash, a sanitizer
# report, a leak, a hang of more than 10 s, a broken promise) stays in DIR/findings/TARGET, with
# the fuzzer's output in DIR/logs/TARGET.
fuzz_run() {
    local dir target=$2 seconds=$3 jobs=${HIVETIDY_FUZZ_JOBS:-1}
    dir=$(mkdir -p "$1" && cd "$1" && pwd) || return 1
    local program="$dir/fuzz_$target" work="$dir/corpus/$target" findings="$dir/findings/$target"
    local logs="$dir/logs/$target" status executions found
    if [ ! -x "$program" ]; then
        echo "$target: not built ($program missing)"
        return 1
    fi
    rm -rf "$findings" "$logs"
    mkdir -p "$work" "$findings" "$logs"
    cp -n "$HIVETIDY_ROOT/tests/fuzz/corpus/$target/"* "$work/" 2>/dev/null
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1024 -print_final_stats=1
        -dict="$HIVETIDY_ROOT/tests/fuzz/reg.dict" -artifact_prefix="$findings/")
    # Allocation stacks and a long quarantine cost a fifth of the speed; a finding is rerun with
    # them (the program with the input as its argument) to see where the memory came from.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}
    if [ "$jobs" -gt 1 ]; then
        # Each job writes its output to fuzz-N.log in the current folder.
        (cd "$logs" && "$program" "${options[@]}" -jobs="$jobs" -workers="$jobs" "$work" >"$logs/jobs.log" 2>&1)
    else
        "$program" "${options[@]}" "$work" >"$logs/fuzz-0.log" 2>&1
    fi
    status=$?
    executions=$(cat "$logs"/fuzz-*.log | awk '/^stat::number_of_executed_units:/ { n += $2 } END { print n + 0 }')
    found=$(find "$findings" -type f | sort)
    if [ "$status" -ne 0 ] || [ -n "$found" ]; then
        echo "$target: FOUND something after $executions executions (exit status $status):"
        cat "$logs"/fuzz-*.log | grep -E 'ERROR|SUMMARY|runtime error|broke its promise' | head -n 5 | sed 's/^/    /'
        local input
        for input in $found; do
            echo "    reproduce: $program $input"
        done
        echo "    output: $logs"
        return 1
    fi
    echo "$target: $executions executions in ${seconds}s, nothing found"
}

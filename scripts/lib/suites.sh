# shellcheck shell=bash
# Running test suites and adding up their GoogleTest results.
# Source it, then: run_suite NAME LIMIT_SECONDS command args...; fail_suite NAME WHY; skip_suite
# NAME WHY; suite_summary (returns non-zero when anything failed). A name may have spaces, as in
# "e2e [i686 build, 64-bit prefix]".

SUITE_LOG_DIR=${SUITE_LOG_DIR:-$(mktemp -d /tmp/hivetidy-suites.XXXXXX)}
# The summary's rows: a suite's name, a tab, its result.
SUITE_LINES=()
SUITE_PASSED=0
SUITE_FAILED=0
SUITE_PID=

# Runs one suite, its output shown and kept, and counts its results from GoogleTest's closing
# lines ("[  PASSED  ] N tests." and "[  FAILED  ] N tests, listed below:"). A suite that prints
# no result, crashes after it, or runs past its time limit counts as one more failure.
run_suite() {
    local name=$1 limit=$2
    shift 2
    local log started status passed failed
    log="$SUITE_LOG_DIR/$(_suite_log_name "$name").log"
    started=$(date +%s)
    echo "=== $name: $*"
    # The suite runs in the background and is waited for, so that INT or TERM reach it through
    # _suite_interrupted at once, and it cleans up its prefix and display before the run ends.
    local output="$SUITE_LOG_DIR/output"
    rm -f "$output"
    mkfifo "$output"
    tee "$log" <"$output" &
    local tee_pid=$!
    trap '_suite_interrupted 130' INT
    trap '_suite_interrupted 143' TERM
    timeout --kill-after=15 "$limit" "$@" >"$output" 2>&1 &
    SUITE_PID=$!
    wait "$SUITE_PID"
    status=$?
    SUITE_PID=
    trap - INT TERM
    wait "$tee_pid"
    rm -f "$output"
    passed=$(awk '/^\[  PASSED  \] [0-9]+ tests?\./ { n += $4 } END { print n + 0 }' "$log")
    failed=$(awk '/^\[  FAILED  \] [0-9]+ tests?,/ { n += $4 } END { print n + 0 }' "$log")
    local note=""
    if ! grep -qE '^\[  (PASSED|FAILED)  \] [0-9]+ test' "$log"; then
        failed=$((failed + 1))
        note=" (no result)"
    elif [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
        failed=$((failed + 1))
        note=" (exit status $status)"
    fi
    [ "$status" -eq 124 ] && note=" (time limit of ${limit}s reached)"
    SUITE_PASSED=$((SUITE_PASSED + passed))
    SUITE_FAILED=$((SUITE_FAILED + failed))
    SUITE_LINES+=("$name"$'\t'"$(printf '%4d passed, %d failed%s, %ds' "$passed" "$failed" "$note" $(($(date +%s) - started)))")
}

# Passes the signal to the running suite (timeout hands it on to the suite's processes), waits
# for the suite to clean up, and ends the run.
_suite_interrupted() {
    local status=$1
    if [ -n "${SUITE_PID:-}" ]; then
        echo "=== interrupted: stopping the running suite" >&2
        kill -TERM "$SUITE_PID" 2>/dev/null
        wait "$SUITE_PID" 2>/dev/null
    fi
    rm -f "$SUITE_LOG_DIR/output"
    exit "$status"
}

# The log's file name after the suite's: "e2e [i686 build, 64-bit prefix]" gives
# e2e-i686-build-64-bit-prefix.
_suite_log_name() {
    local name=${1//[^A-Za-z0-9_.-]/-}
    name=$(printf '%s' "$name" | tr -s '-')
    name=${name#-}
    printf '%s' "${name%-}"
}

# A suite that could not run at all, for instance because its build failed.
fail_suite() {
    local name=$1 why=$2
    SUITE_FAILED=$((SUITE_FAILED + 1))
    SUITE_LINES+=("$name"$'\t'"   0 passed, 1 failed ($why)")
}

# A suite that this machine cannot run; it counts neither way, but the summary says why.
skip_suite() {
    local name=$1 why=$2
    echo "=== $name: skipped: $why"
    SUITE_LINES+=("$name"$'\t'"skipped: $why")
}

suite_summary() {
    echo
    echo "=== Summary (logs in $SUITE_LOG_DIR)"
    local line name width=0
    for line in "${SUITE_LINES[@]}"; do
        name=${line%%$'\t'*}
        [ ${#name} -gt "$width" ] && width=${#name}
    done
    # The results start in one column, after the longest name.
    for line in "${SUITE_LINES[@]}"; do
        printf '%-*s %s\n' $((width + 1)) "${line%%$'\t'*}:" "${line#*$'\t'}"
    done
    echo "$SUITE_PASSED passed, $SUITE_FAILED failed"
    [ "$SUITE_FAILED" -eq 0 ]
}

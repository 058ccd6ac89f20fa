# shellcheck shell=bash
# Running test suites and adding up their GoogleTest results.
# Source it, then: run_suite NAME LIMIT_SECONDS command args...; suite_summary (returns non-zero
# when anything failed).

SUITE_LOG_DIR=${SUITE_LOG_DIR:-$(mktemp -d /tmp/hivetidy-suites.XXXXXX)}
SUITE_LINES=()
SUITE_PASSED=0
SUITE_FAILED=0

# Runs one suite, its output shown and kept, and counts its results from GoogleTest's closing
# lines ("[  PASSED  ] N tests." and "[  FAILED  ] N tests, listed below:"). A suite that prints
# no result, crashes after it, or runs past its time limit counts as one more failure.
run_suite() {
    local name=$1 limit=$2
    shift 2
    local log="$SUITE_LOG_DIR/$name.log" started status passed failed
    started=$(date +%s)
    echo "=== $name: $*"
    timeout --kill-after=15 "$limit" "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
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
    SUITE_LINES+=("$(printf '%-8s %4d passed, %d failed%s, %ds' "$name:" "$passed" "$failed" "$note" $(($(date +%s) - started)))")
}

# A suite that could not run at all, for instance because its build failed.
fail_suite() {
    local name=$1 why=$2
    SUITE_FAILED=$((SUITE_FAILED + 1))
    SUITE_LINES+=("$(printf '%-8s    0 passed, 1 failed (%s)' "$name:" "$why")")
}

skip_suite() {
    local name=$1 why=$2
    SUITE_LINES+=("$(printf '%-8s skipped (%s)' "$name:" "$why")")
}

suite_summary() {
    echo
    echo "=== Summary (logs in $SUITE_LOG_DIR)"
    local line
    for line in "${SUITE_LINES[@]}"; do
        echo "$line"
    done
    echo "$SUITE_PASSED passed, $SUITE_FAILED failed"
    [ "$SUITE_FAILED" -eq 0 ]
}

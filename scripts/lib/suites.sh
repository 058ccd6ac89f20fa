# shellcheck shell=bash
# Running test suites and adding up their GoogleTest results.
# Source it, then: run_suite NAME LIMIT_SECONDS command args...; fail_suite NAME WHY; skip_suite
# NAME WHY; suite_summary (returns non-zero when anything failed). A name may have spaces, as in
# "e2e [i686 build, 64-bit prefix]".
# Suites that share nothing may also run in the background, side by side, and a suite may run as
# several parts (each a command of its own, say a share of its tests in a prefix of its own):
# start_suite_lanes JOBS starts JOBS lanes that run the parts queued, in the order queued; each
# part is queued, before or after that, with queue_suite_part NAME LIMIT_SECONDS command args...;
# suite_lanes_idle tells whether all of them have ended; wait_queued_suites waits until all have
# ended and shows each part's output. A suite's result line adds up its parts. The summary lists
# the suites in the order they were first named; suite_declare NAME names one early, to keep its
# place for a result that comes later.

SUITE_LOG_DIR=${SUITE_LOG_DIR:-$(mktemp -d /tmp/hivetidy-suites.XXXXXX)}
mkdir -p "$SUITE_LOG_DIR"
SUITE_NAMES=()
# A suite's result when it did not run: "failed<TAB>why" or "skipped<TAB>why".
declare -A SUITE_VERDICT=()
# The log files of a suite's parts, separated by newlines.
declare -A SUITE_PART_LOGS=()
SUITE_PASSED=0
SUITE_FAILED=0
SUITE_PID=
SUITE_LANE_PIDS=()
SUITE_QUEUE_FD=
SUITE_SENT=0
QUEUED_LOGS=()

suite_declare() {
    local name=$1 known
    for known in "${SUITE_NAMES[@]}"; do
        [ "$known" = "$name" ] && return 0
    done
    SUITE_NAMES+=("$name")
}

# Runs one suite in the foreground, its output shown and kept; its results are counted from
# GoogleTest's closing lines ("[  PASSED  ] N tests." and "[  FAILED  ] N tests, listed below:"). A
# suite that prints no result, crashes after it, or runs past its time limit counts as one more
# failure.
run_suite() {
    local name=$1 limit=$2
    shift 2
    local log
    _suite_new_part "$name"
    log=$SUITE_NEW_LOG
    echo "=== $name: $*"
    # The suite runs in the background and is waited for, so that INT or TERM reach it through
    # _suite_interrupted at once, and it cleans up its prefix and display before the run ends.
    local output="$SUITE_LOG_DIR/output"
    rm -f "$output"
    mkfifo "$output"
    tee "$log" <"$output" &
    local tee_pid=$!
    _suite_trap
    date +%s >"$log.started"
    timeout --kill-after=15 "$limit" "$@" >"$output" 2>&1 &
    SUITE_PID=$!
    wait "$SUITE_PID"
    echo $? >"$log.status"
    date +%s >"$log.ended"
    echo "$limit" >"$log.limit"
    SUITE_PID=
    _suite_untrap
    wait "$tee_pid"
    rm -f "$output"
}

# Adds a part to the queue that the lanes work off.
queue_suite_part() {
    local name=$1 limit=$2
    shift 2
    _suite_new_part "$name"
    QUEUED_LOGS+=("$SUITE_NEW_LOG")
    # What a lane needs, in files: lanes started earlier do not see this shell's variables. The
    # command's words are each ended by a zero byte, to be read back as they were.
    printf '%s\n' "$name" >"$SUITE_NEW_LOG.name"
    echo "$limit" >"$SUITE_NEW_LOG.limit"
    printf '%s\0' "$@" >"$SUITE_NEW_LOG.command"
    _suite_send_queued
}

# Starts JOBS lanes in the background. Each takes the next part queued whenever its last one has
# ended, and waits for one while none is left, until wait_queued_suites ends the queue.
start_suite_lanes() {
    local jobs=$1 lane
    SUITE_QUEUE="$SUITE_LOG_DIR/queue"
    rm -f "$SUITE_QUEUE"
    mkfifo "$SUITE_QUEUE"
    _suite_trap
    for ((lane = 1; lane <= jobs; lane++)); do
        _suite_lane &
        SUITE_LANE_PIDS+=($!)
    done
    # Opened for writing only after the lanes are started, so that none holds the writing end
    # itself: they see the queue's end when this shell closes it.
    exec {SUITE_QUEUE_FD}>"$SUITE_QUEUE"
    _suite_send_queued
}

# Hands the lanes, one per line, the log of each part queued and not yet handed to them.
_suite_send_queued() {
    [ -n "${SUITE_QUEUE_FD:-}" ] || return 0
    while [ "$SUITE_SENT" -lt ${#QUEUED_LOGS[@]} ]; do
        printf '%s\n' "${QUEUED_LOGS[$SUITE_SENT]}" >&"$SUITE_QUEUE_FD"
        SUITE_SENT=$((SUITE_SENT + 1))
    done
}

# True when every part queued so far has ended: the lanes are free for more at once.
suite_lanes_idle() {
    local log
    for log in "${QUEUED_LOGS[@]}"; do
        [ -f "$log.ended" ] || return 1
    done
    return 0
}

# Ends the queue, waits for every lane, then shows each part's output in the order queued.
wait_queued_suites() {
    local pid log command=()
    _suite_end_queue
    for pid in "${SUITE_LANE_PIDS[@]}"; do
        wait "$pid"
    done
    SUITE_LANE_PIDS=()
    _suite_untrap
    for log in "${QUEUED_LOGS[@]}"; do
        mapfile -d '' -t command <"$log.command"
        echo "=== $(cat "$log.name"): ${command[*]}"
        cat "$log"
    done
    QUEUED_LOGS=()
    SUITE_SENT=0
}

_suite_end_queue() {
    if [ -n "${SUITE_QUEUE_FD:-}" ]; then
        exec {SUITE_QUEUE_FD}>&-
        SUITE_QUEUE_FD=
    fi
}

# One lane: takes the next part's log from the queue under a lock (a read from a pipe by two at
# once could split a line), runs the part, and says when it has ended.
_suite_lane() {
    local log child= command=() name limit queue
    trap '[ -n "$child" ] && kill -TERM "$child" 2>/dev/null; [ -n "$child" ] && wait "$child"; exit 143' INT TERM
    exec {queue}<"$SUITE_QUEUE"
    while :; do
        log=$(
            {
                flock 9
                IFS= read -r line <&"$queue" && printf '%s' "$line"
            } 9>"$SUITE_LOG_DIR/queue.lock"
        ) || return 0
        name=$(cat "$log.name")
        limit=$(cat "$log.limit")
        mapfile -d '' -t command <"$log.command"
        echo "=== started in the background: $name: ${command[*]}"
        date +%s >"$log.started"
        timeout --kill-after=15 "$limit" "${command[@]}" >"$log" 2>&1 </dev/null {queue}<&- &
        child=$!
        wait "$child"
        echo $? >"$log.status"
        child=
        date +%s >"$log.ended"
        echo "=== ended after $(($(cat "$log.ended") - $(cat "$log.started")))s with status $(cat "$log.status"): $name"
    done
}

# A new part's log file, in SUITE_NEW_LOG: the suite's name, and a number from the second part on.
# "e2e [i686 build, 64-bit prefix]" gives e2e-i686-build-64-bit-prefix.log, then
# e2e-i686-build-64-bit-prefix.2.log.
_suite_new_part() {
    local name=$1 count=1 log
    suite_declare "$name"
    [ -n "${SUITE_PART_LOGS[$name]:-}" ] && count=$(($(printf '%s\n' "${SUITE_PART_LOGS[$name]}" | wc -l) + 1))
    log="$SUITE_LOG_DIR/$(_suite_log_name "$name")"
    [ "$count" -gt 1 ] && log+=".$count"
    log+=".log"
    rm -f "$log" "$log".*
    SUITE_PART_LOGS[$name]+="$log"$'\n'
    SUITE_NEW_LOG=$log
}

_suite_trap() {
    trap '_suite_interrupted 130' INT
    trap '_suite_interrupted 143' TERM
}

# The traps go only when neither a foreground suite nor a lane is running.
_suite_untrap() {
    [ -z "${SUITE_PID:-}" ] && [ ${#SUITE_LANE_PIDS[@]} -eq 0 ] && trap - INT TERM
    return 0
}

# Passes the signal to the running suites (timeout hands it on to the suite's processes), waits
# for them to clean up, and ends the run.
_suite_interrupted() {
    local status=$1 pid
    echo "=== interrupted: stopping the running suites" >&2
    if [ -n "${SUITE_PID:-}" ]; then
        kill -TERM "$SUITE_PID" 2>/dev/null
    fi
    for pid in "${SUITE_LANE_PIDS[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    [ -n "${SUITE_PID:-}" ] && wait "$SUITE_PID" 2>/dev/null
    # A lane waiting for the next part sees the signal only once the queue has ended.
    _suite_end_queue
    for pid in "${SUITE_LANE_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -f "$SUITE_LOG_DIR/output"
    exit "$status"
}

_suite_log_name() {
    local name=${1//[^A-Za-z0-9_.-]/-}
    name=$(printf '%s' "$name" | tr -s '-')
    name=${name#-}
    printf '%s' "${name%-}"
}

# A suite that could not run at all, for instance because its build failed.
fail_suite() {
    local name=$1 why=$2
    suite_declare "$name"
    SUITE_VERDICT[$name]="failed"$'\t'"$why"
}

# A suite that this machine cannot run; it counts neither way, but the summary says why.
skip_suite() {
    local name=$1 why=$2
    echo "=== $name: skipped: $why"
    suite_declare "$name"
    SUITE_VERDICT[$name]="skipped"$'\t'"$why"
}

# The result line of a suite from its parts' logs: "N passed, N failed[ (why)], Ns", counted into
# SUITE_PASSED and SUITE_FAILED.
_suite_result() {
    local name=$1 verdict=${SUITE_VERDICT[$1]:-}
    case ${verdict%%$'\t'*} in
        failed)
            SUITE_FAILED=$((SUITE_FAILED + 1))
            printf '   0 passed, 1 failed (%s)' "${verdict#*$'\t'}"
            return
            ;;
        skipped)
            printf 'skipped: %s' "${verdict#*$'\t'}"
            return
            ;;
    esac
    local logs=() log passed=0 failed=0 notes=() first= last= count part=0
    mapfile -t logs < <(printf '%s' "${SUITE_PART_LOGS[$name]:-}")
    count=${#logs[@]}
    for log in "${logs[@]}"; do
        part=$((part + 1))
        local status limit started ended p f note=""
        status=$(cat "$log.status" 2>/dev/null || echo 1)
        limit=$(cat "$log.limit" 2>/dev/null || echo 0)
        started=$(cat "$log.started" 2>/dev/null || date +%s)
        ended=$(cat "$log.ended" 2>/dev/null || date +%s)
        { [ -z "$first" ] || [ "$started" -lt "$first" ]; } && first=$started
        { [ -z "$last" ] || [ "$ended" -gt "$last" ]; } && last=$ended
        p=$(awk '/^\[  PASSED  \] [0-9]+ tests?\./ { n += $4 } END { print n + 0 }' "$log" 2>/dev/null)
        f=$(awk '/^\[  FAILED  \] [0-9]+ tests?,/ { n += $4 } END { print n + 0 }' "$log" 2>/dev/null)
        if ! grep -qE '^\[  (PASSED|FAILED)  \] [0-9]+ test' "$log" 2>/dev/null; then
            f=$((f + 1))
            note="no result"
        elif [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
            f=$((f + 1))
            note="exit status $status"
        fi
        [ "$status" -eq 124 ] && note="time limit of ${limit}s reached"
        if [ -n "$note" ]; then
            [ "$count" -gt 1 ] && note="part $part of $count: $note"
            notes+=("$note")
        fi
        passed=$((passed + p))
        failed=$((failed + f))
    done
    local shown=""
    [ ${#notes[@]} -gt 0 ] && shown=" ($(IFS=';'; echo "${notes[*]}" | sed 's/;/; /g'))"
    SUITE_PASSED=$((SUITE_PASSED + passed))
    SUITE_FAILED=$((SUITE_FAILED + failed))
    printf '%4d passed, %d failed%s, %ds' "$passed" "$failed" "$shown" $((${last:-0} - ${first:-0}))
}

suite_summary() {
    local name line lines=() width=0
    SUITE_PASSED=0
    SUITE_FAILED=0
    for name in "${SUITE_NAMES[@]}"; do
        # Not in a command substitution: the counts must stay in this shell.
        _suite_result "$name" >"$SUITE_LOG_DIR/result"
        lines+=("$name"$'\t'"$(cat "$SUITE_LOG_DIR/result")")
        [ ${#name} -gt "$width" ] && width=${#name}
    done
    rm -f "$SUITE_LOG_DIR/result"
    echo
    echo "=== Summary (logs in $SUITE_LOG_DIR)"
    # The results start in one column, after the longest name.
    for line in "${lines[@]}"; do
        printf '%-*s %s\n' $((width + 1)) "${line%%$'\t'*}:" "${line#*$'\t'}"
    done
    echo "$SUITE_PASSED passed, $SUITE_FAILED failed"
    [ "$SUITE_FAILED" -eq 0 ]
}

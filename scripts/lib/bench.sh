# shellcheck shell=bash
# The Wine scan benchmark of scripts/bench: hivebench.exe (tests/bench/wine) in a fresh prefix per
# combination of build and Windows, its figures gathered in a results file, and the markdown of
# docs/PERFORMANCE.md made from that file.
# Source it after build.sh and wine.sh, then: bench_combination ID; bench_write_doc FILE.
#
# Settings (environment):
#   HIVETIDY_BENCH_SIZES    foreign classes per step, ascending (default "2000 20000"); each step
#                           tops the prefix up; a run over the registry without them (0) is always made
#   HIVETIDY_BENCH_RUNS     timed runs of each measurement per step (default 3); the median counts
#   HIVETIDY_BENCH_PROGRAM  another hivetidy.exe, scanned beside the build's one in each
#                           combination of its machine (a "before" figure)
#   HIVETIDY_BENCH_CPU      the processor every process of the prefix runs on (default the last
#                           one), or "none" to leave the placement to the system
#   HIVETIDY_BENCH_WARMUP   untimed runs before the timed ones of each step (default 1)

BENCH_ROOT=${HIVETIDY_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
BENCH_SIZES=${HIVETIDY_BENCH_SIZES:-2000 20000}
BENCH_RUNS=${HIVETIDY_BENCH_RUNS:-3}
BENCH_WARMUP=${HIVETIDY_BENCH_WARMUP:-1}
BENCH_OTHER=${HIVETIDY_BENCH_PROGRAM:-}
BENCH_CPU=${HIVETIDY_BENCH_CPU:-$(($(nproc) - 1))}
# The backup file each scan names in the save dialog; deleted after each run.
BENCH_BACKUP='C:\registry\bench.reg'
# Every figure, one line each: combination, classes, measure, run, ms, peak working set, keys, values.
BENCH_RESULTS=${BENCH_RESULTS:-$BENCH_ROOT/build/bench/results.tsv}
BENCH_HOLDER=
# Per combination: its label, the trees its runs walk, and what went wrong, if anything.
declare -A BENCH_LABEL BENCH_PROGRAM_OF BENCH_TREES BENCH_FAILED
BENCH_DONE=()

# A combination's build folder, prefix and label, by its id.
bench_combination_parts() {
    case $1 in
        x86_64-win64) echo "$BENCH_ROOT/build/win64|win64|x86_64 build, 64-bit prefix" ;;
        i686-win32) echo "$BENCH_ROOT/build/win32|win32|i686 build, 32-bit prefix" ;;
        i686-win64) echo "$BENCH_ROOT/build/win32|win64|i686 build, 64-bit prefix" ;;
        *) return 1 ;;
    esac
}

# The combinations this machine runs, the x86_64 one first.
bench_supported_combinations() {
    echo x86_64-win64
    if wine_runs_32bit; then
        echo i686-win32
        echo i686-win64
    fi
}

# Runs hivebench.exe in the prefix to its end, its output (CR removed) on stdout; in the background
# and waited for, so that Ctrl-C ends the script at once (wine.sh's traps clean up).
bench_hivebench() {
    local out="$WINE_TMP/hivebench.out" status
    wine_run "$BENCH_EXE" "$@" </dev/null >"$out" 2>&1 &
    wait $!
    status=$?
    tr -d '\r' <"$out"
    return $status
}

# One line of hivebench's output, the one that starts with the word; fails, showing the whole
# output, when hivebench failed or printed no such line.
bench_measure() {
    local word=$1 output line
    shift
    if ! output=$(bench_hivebench "$@"); then
        printf '%s\n' "$output" >&2
        return 1
    fi
    line=$(printf '%s\n' "$output" | grep -m 1 "^$word ")
    if [ -z "$line" ]; then
        printf '%s\n' "$output" >&2
        return 1
    fi
    printf '%s\n' "$line"
}

# The value of a name=value field of a line.
bench_field() {
    local line=" $1 " name=$2
    line=${line#* "$name"=}
    printf '%s\n' "${line%% *}"
}

# Keeps the Wine server, and with it the prefix's system processes and the registry it has loaded,
# up between the runs of a step: started anew for each run, the server would load the registry and
# start those processes beside the measurement. Debian's server ends as soon as no program runs.
bench_hold() {
    # A simple command, so that $! is the program's own process.
    LC_ALL=${WINE_LC_ALL:-C} "$WINE_LOADER" "$BENCH_EXE" hold </dev/null >/dev/null 2>&1 &
    BENCH_HOLDER=$!
    # The system processes start with the server; they settle before the first run. Waited for
    # in the background, as every wait here, so that Ctrl-C ends the script at once.
    sleep 3 &
    wait $!
}

# Ends the server, which saves the registry: what a seed wrote is then on disk, and the server
# does not save it in the middle of a timed run (it saves a changed registry every 30 seconds).
bench_release() {
    bench_release_quietly
    wine_save_registry
}

bench_record() {
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$BENCH_RESULTS"
}

# Whether another program is scanned in this combination: only one of the build's own machine.
bench_other_here() {
    [ -n "$BENCH_OTHER" ] && [ "$(wine_exe_arch "$BENCH_OTHER")" = "$(wine_exe_arch "$BENCH_PROGRAM")" ]
}

# One step's runs: R rounds, each the measurements one after the other, so that a slow spell of
# the machine falls on all of them alike. At 0 classes only the scans, for the memory baseline.
bench_step() {
    local id=$1 classes=$2 run line program measure
    local programs=("scan|$BENCH_PROGRAM")
    bench_other_here && programs+=("scan-other|$BENCH_OTHER")
    for ((run = 1; run <= BENCH_RUNS; run++)); do
        for program in "${programs[@]}"; do
            measure=${program%%|*}
            line=$(bench_measure scan scan "$(wine_path "${program#*|}")" "$BENCH_BACKUP") || return 1
            bench_record "$id" "$classes" "$measure" "$run" "$(bench_field "$line" ms)" \
                "$(bench_field "$line" peak_working_set)" "" ""
            echo "  $classes classes, run $run: $measure $(bench_field "$line" ms) ms, peak working set $(bench_field "$line" peak_working_set) bytes"
        done
        line=$(bench_measure walk walk) || return 1
        bench_record "$id" "$classes" walk "$run" "$(bench_field "$line" ms)" "" \
            "$(bench_field "$line" keys)" "$(bench_field "$line" values)"
        echo "  $classes classes, run $run: bare walk $(bench_field "$line" ms) ms ($(bench_field "$line" keys) keys, $(bench_field "$line" values) values)"
        [ "$classes" -eq 0 ] && continue
        for measure in reg regedit; do
            line=$(bench_measure tool tool "$measure") || return 1
            bench_record "$id" "$classes" "$measure" "$run" "$(bench_field "$line" ms)" "" "" ""
            echo "  $classes classes, run $run: $measure $(bench_field "$line" ms) ms (each tree: $(bench_field "$line" tree_ms))"
        done
    done
    # Every walk of the step saw the same registry: nothing was removed or added meanwhile.
    local counts
    counts=$(awk -F'\t' -v id="$id" -v n="$classes" '$1 == id && $2 == n && $3 == "walk" { print $7 "/" $8 }' \
        "$BENCH_RESULTS" | sort -u | wc -l)
    if [ "$counts" -ne 1 ]; then
        echo "error: the walks at $classes classes counted different keys or values" >&2
        return 1
    fi
}

# Untimed runs first: the first start of a program pays for loading its files, and the server's
# first walk of a freshly loaded registry for touching its memory.
bench_warm_up() {
    local classes=$1 i
    for ((i = 0; i < BENCH_WARMUP; i++)); do
        bench_measure walk walk >/dev/null || return 1
        if [ "$classes" -eq 0 ]; then
            bench_measure scan scan "$(wine_path "$BENCH_PROGRAM")" "$BENCH_BACKUP" >/dev/null || return 1
        fi
    done
}

# The whole benchmark of one combination in a fresh prefix of its own, taken away afterwards.
bench_combination() {
    local id=$1 parts dir arch label classes line
    parts=$(bench_combination_parts "$id") || { echo "error: no combination '$id'" >&2; return 1; }
    IFS='|' read -r dir arch label <<<"$parts"
    BENCH_LABEL[$id]=$label
    BENCH_DONE+=("$id")
    BENCH_PROGRAM=$(find_built "$dir" hivetidy.exe)
    BENCH_EXE=$(find_built "$dir" hivebench.exe)
    BENCH_PROGRAM_OF[$id]=${BENCH_PROGRAM#"$BENCH_ROOT"/}
    if [ -z "$BENCH_PROGRAM" ] || [ -z "$BENCH_EXE" ]; then
        BENCH_FAILED[$id]="hivetidy.exe and hivebench.exe are not built in ${dir#"$BENCH_ROOT"/}"
        return 1
    fi
    if ! wine_check_runnable "$arch" "$BENCH_PROGRAM" "$BENCH_EXE"; then
        BENCH_FAILED[$id]="this machine cannot run it"
        return 1
    fi
    echo "=== $label: $BENCH_PROGRAM"
    bench_other_here && echo "    and beside it $BENCH_OTHER"
    unset WINE_PREFIX_DIR WINE_USE_DISPLAY
    if ! wine_start hivetidy-bench "$arch"; then
        BENCH_FAILED[$id]="the Wine prefix could not be made"
        wine_stop
        return 1
    fi
    if ! bench_combination_steps "$id"; then
        BENCH_FAILED[$id]=${BENCH_FAILED[$id]:-"a run failed, see the output above"}
        bench_release_quietly
        wine_stop
        return 1
    fi
    bench_release_quietly
    wine_stop
}

bench_release_quietly() {
    if [ -n "$BENCH_HOLDER" ]; then
        kill "$BENCH_HOLDER" 2>/dev/null
        wait "$BENCH_HOLDER" 2>/dev/null
        BENCH_HOLDER=
    fi
}

bench_combination_steps() {
    local id=$1 classes line started
    # The controller's installation, nothing of it to remove: the registry "without" the foreign
    # registrations is the fresh prefix's own with it.
    line=$(bench_measure seed seed 0) || return 1
    bench_release
    bench_hold
    BENCH_TREES[$id]=$(bench_hivebench trees | sed -n 's/^tree view=\([^ ]*\) name=\(.*\)$/\2 (\1 view)/p')
    echo "--- 0 classes: the memory baseline"
    bench_warm_up 0 || return 1
    bench_step "$id" 0 || return 1
    for classes in $BENCH_SIZES; do
        echo "--- $classes classes"
        bench_release
        line=$(bench_measure seed seed "$classes") || return 1
        bench_record "$id" "$classes" seed 1 "$(bench_field "$line" ms)" "" "" ""
        echo "  seeded in $(bench_field "$line" ms) ms: $line"
        started=$(date +%s)
        bench_release
        bench_hold
        bench_warm_up "$classes" || return 1
        bench_step "$id" "$classes" || return 1
        echo "  (${classes} classes took $(($(date +%s) - started)) s)"
    done
}

# --- Figures from the results file ---------------------------------------------------------------

# The runs' values of one column (5 ms, 6 peak working set, 7 keys, 8 values), in run order.
bench_values() {
    awk -F'\t' -v id="$1" -v n="$2" -v m="$3" -v c="$4" '$1 == id && $2 == n && $3 == m && $c != "" { print $c }' \
        "$BENCH_RESULTS"
}

# The median of the runs' values of a column; empty when there are none.
bench_median() {
    bench_values "$@" | sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) exit
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Milliseconds as seconds with two decimals.
bench_seconds() {
    [ -n "$1" ] && awk -v ms="$1" 'BEGIN { printf "%.2f s", ms / 1000 }'
}

# Bytes as megabytes (10^6) with one decimal.
bench_mb() {
    [ -n "$1" ] && awk -v b="$1" 'BEGIN { printf "%.1f MB", b / 1000000 }'
}

# The difference of two byte counts in megabytes, with its sign ("+1.2 MB"; never "-0.0").
bench_mb_above() {
    awk -v a="$1" -v b="$2" 'BEGIN { d = sprintf("%.1f", (a - b) / 1000000); if (d == "-0.0") d = "0.0"
        printf "%s%s MB", (substr(d, 1, 1) == "-" ? "" : "+"), d }'
}

bench_ratio() {
    [ -n "$1" ] && [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f×", a / b }'
}

bench_thousands() {
    printf '%s' "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'
}

# The runs of a column as "a, b, c" in seconds.
bench_run_list() {
    bench_values "$@" | awk '{ printf "%s%.2f", (NR > 1 ? ", " : ""), $1 / 1000 }'
}

bench_run_list_mb() {
    bench_values "$@" | awk '{ printf "%s%.1f", (NR > 1 ? ", " : ""), $1 / 1000000 }'
}

bench_yes_no() {
    if awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; then echo yes; else echo no; fi
}

# The names of the measurements in the tables.
bench_measure_name() {
    case $1 in
        scan) echo "hivetidy.exe scan" ;;
        scan-other) echo "other program's scan" ;;
        walk) echo "bare walk (floor)" ;;
        reg) echo "reg query /s" ;;
        regedit) echo "regedit /e" ;;
    esac
}

# The part of the document for one combination.
bench_doc_combination() {
    local id=$1 classes measure floor median largest other_here=0
    local sizes
    read -r -a sizes <<<"0 $BENCH_SIZES"
    largest=${sizes[-1]}
    [ -n "$(bench_values "$id" 0 scan-other 5)" ] && other_here=1
    echo "### ${BENCH_LABEL[$id]}"
    echo
    if [ -n "${BENCH_FAILED[$id]:-}" ]; then
        echo "Not measured: ${BENCH_FAILED[$id]}."
        echo
        return
    fi
    echo "Program: \`${BENCH_PROGRAM_OF[$id]}\`."
    [ "$other_here" -eq 1 ] && echo "Other program (\"other program's scan\"): \`$BENCH_OTHER\`."
    echo
    echo "Trees walked:"
    echo
    printf '%s\n' "${BENCH_TREES[$id]}" | sed 's/^/- /'
    echo
    echo "Medians of $BENCH_RUNS runs; in brackets the ratio to the bare walk's median."
    echo
    local header="| classes | keys | values | hivetidy.exe scan |"
    local rule="| ---: | ---: | ---: | ---: |"
    if [ "$other_here" -eq 1 ]; then
        header+=" other program's scan |"
        rule+=" ---: |"
    fi
    echo "$header bare walk | reg query /s | regedit /e |"
    echo "$rule ---: | ---: | ---: |"
    for classes in "${sizes[@]}"; do
        floor=$(bench_median "$id" "$classes" walk 5)
        local row
        row="| $(bench_thousands "$classes") | $(bench_thousands "$(bench_median "$id" "$classes" walk 7)")"
        row+=" | $(bench_thousands "$(bench_median "$id" "$classes" walk 8)")"
        local measures=(scan)
        [ "$other_here" -eq 1 ] && measures+=(scan-other)
        measures+=(walk reg regedit)
        for measure in "${measures[@]}"; do
            median=$(bench_median "$id" "$classes" "$measure" 5)
            if [ -z "$median" ]; then
                row+=" | –"
            else
                row+=" | $(bench_seconds "$median") ($(bench_ratio "$median" "$floor"))"
            fi
        done
        echo "$row |"
    done
    echo
    echo "Each run, in seconds:"
    echo
    echo "| classes | measurement | runs | median | ratio to the floor |"
    echo "| ---: | --- | --- | ---: | ---: |"
    for classes in "${sizes[@]}"; do
        floor=$(bench_median "$id" "$classes" walk 5)
        for measure in scan scan-other walk reg regedit; do
            median=$(bench_median "$id" "$classes" "$measure" 5)
            [ -n "$median" ] || continue
            echo "| $(bench_thousands "$classes") | $(bench_measure_name "$measure") | $(bench_run_list "$id" "$classes" "$measure" 5) | $(bench_seconds "$median") | $(bench_ratio "$median" "$floor") |"
        done
    done
    echo
    echo "Peak working set of the scan (PeakWorkingSetSize when the window shows the finished run), in"
    echo "megabytes (10^6 bytes):"
    echo
    echo "| classes | program | runs | median | above 0 classes |"
    echo "| ---: | --- | --- | ---: | ---: |"
    for measure in scan scan-other; do
        local base
        base=$(bench_median "$id" 0 "$measure" 6)
        [ -n "$base" ] || continue
        for classes in "${sizes[@]}"; do
            median=$(bench_median "$id" "$classes" "$measure" 6)
            echo "| $(bench_thousands "$classes") | $(bench_measure_name "$measure") | $(bench_run_list_mb "$id" "$classes" "$measure" 6) | $(bench_mb "$median") | $(bench_mb_above "$median" "$base") |"
        done
    done
    echo
    if [ "$largest" -gt 0 ]; then
        local scan walk reg regedit memory base
        scan=$(bench_median "$id" "$largest" scan 5)
        walk=$(bench_median "$id" "$largest" walk 5)
        reg=$(bench_median "$id" "$largest" reg 5)
        regedit=$(bench_median "$id" "$largest" regedit 5)
        memory=$(bench_median "$id" "$largest" scan 6)
        base=$(bench_median "$id" 0 scan 6)
        echo "Targets at $(bench_thousands "$largest") classes:"
        echo
        echo "| target | figures | met |"
        echo "| --- | --- | --- |"
        echo "| scan faster than reg query /s | $(bench_seconds "$scan") against $(bench_seconds "$reg") | $(bench_yes_no "$scan" "$reg") |"
        echo "| scan faster than regedit /e | $(bench_seconds "$scan") against $(bench_seconds "$regedit") | $(bench_yes_no "$scan" "$regedit") |"
        echo "| scan at most 1.1× the bare walk | $(bench_ratio "$scan" "$walk") | $(bench_yes_no "$scan" "$(awk -v w="$walk" 'BEGIN { print w * 1.1 + 0.001 }')") |"
        echo "| bare walk faster than regedit /e | $(bench_seconds "$walk") against $(bench_seconds "$regedit") | $(bench_yes_no "$walk" "$regedit") |"
        echo "| peak working set at most 20 MB above 0 classes | $(bench_mb_above "$memory" "$base") | $(bench_yes_no "$memory" "$(awk -v b="$base" 'BEGIN { print b + 20000001 }')") |"
        echo
    fi
}

# The command that made the figures, with the settings it was given.
bench_command_line() {
    local setting words=()
    for setting in HIVETIDY_BENCH_COMBINATIONS HIVETIDY_BENCH_SIZES HIVETIDY_BENCH_RUNS HIVETIDY_BENCH_PROGRAM \
        HIVETIDY_BENCH_CPU HIVETIDY_BENCH_WARMUP HIVETIDY_NO_32BIT; do
        [ -n "${!setting:-}" ] && words+=("$setting=\"${!setting}\"")
    done
    words+=(scripts/bench)
    echo "${words[*]}"
}

bench_machine() {
    local cpu memory
    cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
    memory=$(awk '/^MemTotal:/ { printf "%.1f GB", $2 / 1000000 }' /proc/meminfo)
    # --all: the script itself may run on one processor by now.
    echo "- CPU: ${cpu:-unknown}, $(nproc --all) cores; RAM: $memory"
    echo "- Debian $(cat /etc/debian_version 2>/dev/null || echo unknown); $("$WINE_LOADER64" --version 2>/dev/null || echo "Wine: unknown")"
    if [ "$BENCH_CPU" = none ]; then
        echo "- Processor placement: left to the system"
    else
        echo "- Processor placement: every process of the prefix (Xvfb, the Wine server, the programs) on processor $BENCH_CPU"
    fi
    echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
}

# The marker line up to which a rerun rewrites the file; what follows it is kept.
BENCH_DOC_MARKER='<!-- native and removal benchmarks follow -->'

# Writes the document: the Wine benchmark's part anew, and what follows the marker line in the
# present file kept as it is.
bench_write_doc() {
    local file=$1 rest="" id
    if [ -f "$file" ]; then
        rest=$(awk -v marker="$BENCH_DOC_MARKER" 'found { print } $0 == marker { found = 1 }' "$file")
    fi
    mkdir -p "$(dirname "$file")"
    {
        echo "# Performance"
        echo
        echo "<!-- Made by scripts/bench; a rerun rewrites everything above the marker line below. -->"
        echo
        echo "## A whole scan under Wine"
        echo
        echo "Made with \`$(bench_command_line)\`:"
        echo
        bench_machine
        echo
        cat <<'EOF'
Each combination of build and Windows runs in a fresh Wine prefix of its own, filled by
`hivebench seed` with other software's registrations as installers write them (per class: the
class key with its description, InprocServer32 with ThreadingModel, ProgID, TypeLib and Version,
and the ProgID key below HKEY_CLASSES_ROOT; one type library for every ten classes with its
version, `0\win32`, FLAGS and HELPDIR; one application path for every hundred classes), in the
native view, beside a controller installation with nothing of it to remove. Each size tops the
prefix up. Before the timed runs of a size the Wine server ends and saves the registry, starts
again and is held up by an idle program until the size is done, and one untimed walk warms it up.
The measurements alternate run by run.

- **hivetidy.exe scan**: the whole run of the program, worked from outside: from the moment the
  window of the save dialog for the backup file is gone to the moment Command2 reads "E&xit",
  looked at every 2 ms. (Gone, not hidden: on a display without a window manager, as Xvfb here,
  Wine's X11 driver waits two seconds in vain after hiding a window before the dialog returns.)
  Every run is checked to have removed nothing.
- **bare walk (floor)**: the fastest walk of the same trees in the same views that we could
  write, reading every key name and every value's name, type and data. It calls ntdll itself,
  once per key NtOpenKeyEx (below the parent's handle, by the name just listed), NtQueryKey
  (KeyFullInformation: the counts and largest sizes), NtEnumerateKey (KeyBasicInformation, in its
  parent's listing) and NtClose, and once per value NtEnumerateValueKey
  (KeyValueFullInformation, into a buffer of the key's largest size): 4 requests to the Wine
  server per key and 1 per value. The registry editor's export makes 5 per key and 1 per value,
  and advapi32's RegOpenKeyExW with KEY_WOW64_32KEY one more per key in the 32-bit view.
- **reg query /s** and **regedit /e**: `C:\windows\system32\reg.exe query <tree> /s` (its output
  into a file) and `C:\windows\regedit.exe /e <file> <tree>` for each tree, as whole processes
  from their start to their end, summed over the trees; on 64-bit Windows the 64-bit tools.
- **Peak working set**: the scan's PeakWorkingSetSize at the finished window. Under Wine it
  includes Wine's own share, so it is set against the same program over the prefix without the
  foreign registrations (0 classes).

Every request to the Wine server hands the processor over from the program to the server and
back. With the two on different processors each request wakes the other one, and on the machine
here that costs several times a switch on one processor, by how much depending on where the system
happens to put them: the same walk took 0.7 s or 3.6 s from one run to the next. The benchmark
therefore runs every process of a prefix on one processor, as a registry call runs on the caller's
processor on Windows (`HIVETIDY_BENCH_CPU=none` leaves the placement to the system).

EOF
        for id in "${BENCH_DONE[@]}"; do
            bench_doc_combination "$id"
        done
        echo "$BENCH_DOC_MARKER"
        if [ -n "$rest" ]; then
            printf '%s\n' "$rest"
        fi
    } >"$file.new" && mv "$file.new" "$file"
}

# The table of the medians on the terminal, with the ratios to the floor.
bench_print_summary() {
    local id classes measure median floor
    echo
    echo "=== Medians of $BENCH_RUNS runs (ratio to the bare walk)"
    for id in "${BENCH_DONE[@]}"; do
        echo "--- ${BENCH_LABEL[$id]}${BENCH_FAILED[$id]:+: not measured (${BENCH_FAILED[$id]})}"
        [ -n "${BENCH_FAILED[$id]:-}" ] && continue
        printf '%8s %8s %8s  %-22s %-22s %-22s %-22s %-22s %s\n' classes keys values scan other walk "reg query" "regedit /e" "peak WS"
        for classes in 0 $BENCH_SIZES; do
            floor=$(bench_median "$id" "$classes" walk 5)
            local cells=()
            for measure in scan scan-other walk reg regedit; do
                median=$(bench_median "$id" "$classes" "$measure" 5)
                if [ -n "$median" ]; then
                    cells+=("$(bench_seconds "$median") ($(bench_ratio "$median" "$floor"))")
                else
                    cells+=("-")
                fi
            done
            printf '%8s %8s %8s  %-22s %-22s %-22s %-22s %-22s %s\n' "$classes" \
                "$(bench_median "$id" "$classes" walk 7)" "$(bench_median "$id" "$classes" walk 8)" "${cells[@]}" \
                "$(bench_mb "$(bench_median "$id" "$classes" scan 6)")"
        done
    done
}

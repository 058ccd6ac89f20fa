# shellcheck shell=bash
# Shell functions for running Windows programs under Wine in a fresh prefix with Xvfb.
# Source it, then: wine_start [name] [win32|win64]; wine_set_dpi DPI where not 96; wine_run
# prog.exe args... or wine_run_console prog.exe args...; wine_save_registry where the registry must
# be on disk; wine_stop (also on EXIT). wine_make_template
# makes a prefix for wine_start to copy.
#
# wine_start makes a new prefix below /tmp, 32-bit Windows (win32) or 64-bit Windows (win64, with
# C:\windows\system32 for 64-bit programs and C:\windows\syswow64 for 32-bit ones), and starts an
# Xvfb display and a Wine server of its own, the server kept until wine_stop; wine_stop ends every
# process of the prefix and the display and deletes the prefix, also when the caller fails or is
# interrupted. Settings that change that:
#   WINE_PREFIX_DIR=dir  the prefix is made in dir (emptied first) and kept by wine_stop (the demo);
#   WINE_USE_DISPLAY=1   the programs open on the caller's $DISPLAY; no Xvfb is started (the demo);
#   WINE_TEMPLATES=dir   the prefix is a copy of dir/win32 or dir/win64 where wine_make_template
#                        made that one, instead of a new one.
# HIVETIDY_NO_32BIT=1 makes everything here behave as on a machine that cannot run 32-bit Linux
# programs, to try that path on one that can.

# Debian's `wine` and `wineboot` pick the 32-bit loader whenever wine32 is installed, also on a
# machine whose kernel cannot run it, so the loader is chosen here by the prefix instead. A 64-bit
# loader starts the 32-bit one by itself for a 32-bit program.
WINE_LOADER32=${WINE_LOADER32:-/usr/lib/wine/wine}
WINE_LOADER64=${WINE_LOADER64:-/usr/lib/wine/wine64}

# Whether this machine runs 32-bit programs, found by running one: what is installed does not tell
# (Debian installs wine32 also where the kernel cannot run it). When not, WINE_NO_32BIT_WHY says why.
wine_runs_32bit() {
    WINE_NO_32BIT_WHY=
    if [ "${HIVETIDY_NO_32BIT:-0}" = 1 ]; then
        WINE_NO_32BIT_WHY="HIVETIDY_NO_32BIT=1"
        return 1
    fi
    if [ ! -x "$WINE_LOADER32" ]; then
        WINE_NO_32BIT_WHY="wine32 is not installed"
        return 1
    fi
    local output
    if ! output=$("$WINE_LOADER32" --version 2>&1 </dev/null); then
        # The shell's message ends with the reason, typically "Exec format error".
        output=$(printf '%s\n' "$output" | tail -n 1)
        WINE_NO_32BIT_WHY=${output##*: }
        [ -n "$WINE_NO_32BIT_WHY" ] || WINE_NO_32BIT_WHY="$WINE_LOADER32 failed"
        return 1
    fi
}

# The sentence the scripts print for a combination they cannot run.
wine_no_32bit_note() {
    echo "this machine cannot run 32-bit programs ($WINE_NO_32BIT_WHY)"
}

# The prefix a program is run in when the caller names none: 32-bit Windows where 32-bit programs
# run, unless the program is a 64-bit one; else 64-bit Windows.
wine_default_arch() {
    local program=${1:-}
    if [ -n "$program" ] && [ "$(wine_exe_arch "$program")" = win64 ]; then
        echo win64
    elif wine_runs_32bit; then
        echo win32
    else
        echo win64
    fi
}

# win32 or win64 after the machine field of a Windows program's PE header.
wine_exe_arch() {
    local program=$1 header machine
    header=$(od -An -t u4 -j 60 -N 4 "$program" 2>/dev/null | tr -d ' ')
    [ -n "$header" ] || return 1
    machine=$(od -An -t x2 -j $((header + 4)) -N 2 "$program" 2>/dev/null | tr -d ' ')
    case $machine in
        014c) echo win32 ;;
        8664) echo win64 ;;
        *) return 1 ;;
    esac
}

# Fails, saying why, when the programs cannot run in a prefix of the arch on this machine.
wine_check_runnable() {
    local arch=$1 program program_arch
    shift
    for program in "$@"; do
        if ! program_arch=$(wine_exe_arch "$program"); then
            echo "error: $program is not a 32-bit or 64-bit Windows program" >&2
            return 1
        fi
        if [ "$program_arch" = win64 ] && [ "$arch" = win32 ]; then
            echo "error: $program is a 64-bit program; it needs a 64-bit prefix (win64)" >&2
            return 1
        fi
        if [ "$program_arch" = win32 ] && ! wine_runs_32bit; then
            echo "error: $program is a 32-bit program, but $(wine_no_32bit_note)" >&2
            return 1
        fi
    done
}

wine_start() {
    local name=${1:-hivetidy} arch=${2:-}
    [ -n "$arch" ] || arch=$(wine_default_arch "")
    case $arch in
        win32)
            if ! wine_runs_32bit; then
                echo "error: a 32-bit prefix needs 32-bit programs to run, but $(wine_no_32bit_note)" >&2
                return 1
            fi
            WINE_LOADER=$WINE_LOADER32
            ;;
        win64)
            if [ ! -x "$WINE_LOADER64" ]; then
                echo "error: a 64-bit prefix needs wine64, and $WINE_LOADER64 is not there" >&2
                return 1
            fi
            WINE_LOADER=$WINE_LOADER64
            ;;
        *)
            echo "error: the Wine prefix is win32 or win64, not '$arch'" >&2
            return 1
            ;;
    esac
    export WINEARCH=$arch
    # Also the loader that Wine starts child processes with (the 32-bit one is found next to it).
    export WINELOADER=$WINE_LOADER
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko installer prompts: nothing outside this machine is reachable.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    WINE_TMP=$(mktemp -d "/tmp/${name}.XXXXXX")
    if [ -n "${WINE_PREFIX_DIR:-}" ]; then
        rm -rf "$WINE_PREFIX_DIR"
        mkdir -p "$(dirname "$WINE_PREFIX_DIR")"
        export WINEPREFIX=$WINE_PREFIX_DIR
    else
        export WINEPREFIX="$WINE_TMP/prefix"
    fi
    trap wine_stop EXIT
    # A signal ends the script through its EXIT trap, so the clean-up runs then too.
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if [ "${WINE_USE_DISPLAY:-0}" != 1 ]; then
        _wine_start_xvfb || return 1
    fi
    WINE_OVERLAY=
    local template=${WINE_TEMPLATES:+$WINE_TEMPLATES/$arch}
    if [ -z "${WINE_PREFIX_DIR:-}" ] && [ -n "$template" ] && [ -f "$template/.hivetidy-template" ]; then
        _wine_copy_template "$template" || return 1
    else
        _wine_boot || return 1
    fi
    [ "${_WINE_MAKING_TEMPLATE:-0}" = 1 ] && return 0
    # One server for every program of the prefix until wine_stop: by itself it ends, and takes the
    # prefix's services and desktop with it, whenever no program has run for a moment, to start
    # them all again with the next program.
    wineserver -p || { echo "error: the Wine server did not start" >&2; return 1; }
    # The prefix's services start with its first program and take over its output and locale;
    # started here by a program with no output, they hold open no pipe of a caller, which
    # wine_run_console would otherwise read to its end only once they have gone. They get the
    # caller's WINE_LC_ALL: a Wine program whose locale differs from the one the registry was last
    # set to sets the user's formats anew for everyone.
    if ! wine_run cmd /c exit </dev/null >/dev/null 2>&1; then
        echo "error: no program could be started in the prefix" >&2
        return 1
    fi
}

# Makes WINEPREFIX a copy of the template. Where the kernel lets this shell mount one, the copy is
# an overlay on the template, which writes into a folder of its own only what the prefix's programs
# change: a prefix holds over a gigabyte of DLLs, and a plain copy of them takes about half as long
# as wineboot takes to make the prefix. Elsewhere it is a plain copy. The template holds no server
# of its own.
_wine_copy_template() {
    local template=$1
    mkdir -p "$WINE_TMP/changes" "$WINE_TMP/overlay-work" "$WINEPREFIX"
    if mount -t overlay overlay -o "lowerdir=$template,upperdir=$WINE_TMP/changes,workdir=$WINE_TMP/overlay-work" \
        "$WINEPREFIX" 2>/dev/null; then
        WINE_OVERLAY=$WINEPREFIX
    else
        rmdir "$WINEPREFIX"
        if ! cp -a "$template" "$WINEPREFIX"; then
            echo "error: the prefix could not be copied from $template" >&2
            return 1
        fi
    fi
    rm -f "$WINEPREFIX/.hivetidy-template" "$WINEPREFIX/wineserver"
}

# Makes a new prefix in WINEPREFIX with wineboot, the registry saved to its files once it is done.
_wine_boot() {
    if ! "$WINE_LOADER" wineboot -i >"$WINE_TMP/wineboot.log" 2>&1; then
        echo "error: wineboot failed, see its log:" >&2
        cat "$WINE_TMP/wineboot.log" >&2
        return 1
    fi
    # The server writes the registry to the prefix's files when it ends.
    wineserver -w
    wine_link_fonts
}

# Makes a prefix in DIR (emptied first) for wine_start to copy where WINE_TEMPLATES names DIR's
# parent: wine_make_template TEMPLATES/win32 win32, or TEMPLATES/win64 win64. It is made as
# wine_start makes one, and left with no server running and no socket folder named in it, so that
# every copy starts a server of its own.
wine_make_template() {
    local dir=$1 arch=$2
    (
        unset WINE_TEMPLATES WINE_USE_DISPLAY
        export WINE_PREFIX_DIR=$dir _WINE_MAKING_TEMPLATE=1
        wine_start hivetidy-template "$arch" || exit 1
        wine_stop
        # Even asked to end a server that is not there, wineserver names a socket folder in the
        # prefix: once it has, nothing may ask it again.
        trap - EXIT
        _wine_remove_server_folder
        rm -f "$dir/wineserver"
        : >"$dir/.hivetidy-template"
    )
}

# A display of our own. Xvfb takes the first free number itself and tells it through -displayfd
# once it accepts clients: choosing a number here races with every other Xvfb started meanwhile,
# and the loser would quietly share the winner's display until that one ends.
_wine_start_xvfb() {
    local number=
    : >"$WINE_TMP/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WINE_TMP/display" >"$WINE_TMP/xvfb.log" 2>&1 &
    WINE_XVFB_PID=$!
    for _ in $(seq 1 100); do
        # Only a whole line counts: the number is written with its newline.
        if read -r number <"$WINE_TMP/display" && [ -n "$number" ]; then
            export DISPLAY=":$number"
            return 0
        fi
        kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "error: Xvfb did not start:" >&2
    cat "$WINE_TMP/xvfb.log" >&2
    return 1
}

# Debian's wine does not find the fonts of its fonts-wine package (MS Sans Serif, Tahoma, Marlett
# for the title-bar buttons) by itself; linked into the prefix, windows look as they do on Windows.
wine_link_fonts() {
    local fonts=/usr/share/wine/fonts
    [ -d "$fonts" ] || return 0
    local target="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$target"
    local font
    for font in "$fonts"/*; do
        [ -e "$target/$(basename "$font")" ] || ln -s "$font" "$target/"
    done
}

# Sets the prefix's screen DPI (96 is 100 %, 144 is 150 %) for the programs started from now on.
# Wine 8 reads LogPixels when a program starts: the user's below HKEY_CURRENT_USER\Control
# Panel\Desktop, else the machine's below HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware
# Profiles\Current\Software\Fonts; the user's is set, so that it wins.
wine_set_dpi() {
    local dpi=$1
    wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || {
        echo "error: the prefix's DPI could not be set to $dpi" >&2
        return 1
    }
}

# Runs a program in the prefix that wine_start made, with that prefix's loader. WINE_LC_ALL is the
# locale the program sees (Wine takes it from LC_ALL even where the Linux locale is not installed);
# it is set for the loader alone, since the shell itself warns about a locale it does not have.
wine_run() {
    if [ -n "${WINE_LC_ALL:-}" ]; then
        LC_ALL=$WINE_LC_ALL "$WINE_LOADER" "$@"
    else
        "$WINE_LOADER" "$@"
    fi
}

# Runs a console program in the prefix, its output with Unix line ends (Wine's console writes
# CR LF), and returns the program's exit status. It runs in the background and is waited for: the
# INT and TERM traps run only between commands, so with the program in the foreground a signal
# would leave the prefix and the display in place until the program happened to end.
wine_run_console() {
    (
        set -o pipefail
        wine_run "$@" 2>&1 | tr -d '\r'
    ) &
    wait $!
}

# Ends the prefix's server and every program of the prefix; the server saves the registry to the
# prefix's files as it ends. The next program starts a new server, which ends by itself a moment
# after its last program. Waiting for the server alone would not do: the one wine_start holds
# never ends by itself.
wine_save_registry() {
    wineserver -k >/dev/null 2>&1
    wineserver -w &
    wait $!
}

# The seconds, to a tenth, since a time taken from EPOCHREALTIME, for the scripts' notes of how long
# each step took.
wine_seconds_since() {
    local now=$EPOCHREALTIME
    awk -v from="${1/,/.}" -v to="${now/,/.}" 'BEGIN { printf "%.1f", to - from }'
}

# The Windows name of a Unix path, through the Z: drive that Wine maps to /.
wine_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

wine_stop() {
    # A signal sent to the whole process group arrives more than once; the second must not cut the
    # clean-up short.
    trap '' INT TERM
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "${WINE_XVFB_PID:-}" ]; then
        kill "$WINE_XVFB_PID" >/dev/null 2>&1 || true
        wait "$WINE_XVFB_PID" 2>/dev/null || true
        WINE_XVFB_PID=
    fi
    if [ -n "${WINEPREFIX:-}" ] && [ -z "${WINE_PREFIX_DIR:-}" ]; then
        _wine_remove_server_folder
    fi
    if [ -n "${WINE_OVERLAY:-}" ]; then
        # Lazily where something still holds a file of it open: the folders below go either way.
        umount "$WINE_OVERLAY" 2>/dev/null || umount -l "$WINE_OVERLAY" 2>/dev/null || true
        WINE_OVERLAY=
    fi
    if [ -n "${WINE_TMP:-}" ] && [ -d "$WINE_TMP" ]; then
        rm -rf "$WINE_TMP"
        WINE_TMP=
    fi
    trap - INT TERM
}

# Debian's wineserver keeps its socket in a folder of its own, /tmp/wine-XXXXXX, named in the
# prefix's file "wineserver", and leaves it behind when it ends; without the prefix it is litter.
_wine_remove_server_folder() {
    local name
    [ -f "$WINEPREFIX/wineserver" ] || return 0
    name=$(head -c 64 "$WINEPREFIX/wineserver" 2>/dev/null)
    if [[ $name =~ ^wine-[A-Za-z0-9]{6}$ ]] && [ -d "/tmp/$name" ]; then
        rm -rf "/tmp/${name:?}"
    fi
}

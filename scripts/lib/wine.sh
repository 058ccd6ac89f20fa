# shellcheck shell=bash
# Shell functions for running Windows programs under Wine in a fresh 32-bit prefix with Xvfb.
# Source it, then: wine_start [name]; wine_run prog.exe args...; wine_stop (also on EXIT).
#
# wine_start makes a new prefix below /tmp and starts an Xvfb display of its own; wine_stop ends
# every process of the prefix and the display and deletes the prefix, also when the caller fails
# or is interrupted. Two settings change that, for the demo:
#   WINE_PREFIX_DIR=dir  the prefix is made in dir (emptied first) and kept by wine_stop;
#   WINE_USE_DISPLAY=1   the programs open on the caller's $DISPLAY; no Xvfb is started.

wine_start() {
    local name=${1:-hivetidy}
    export WINEARCH=win32
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
    if ! wineboot -i >"$WINE_TMP/wineboot.log" 2>&1; then
        echo "error: wineboot failed, see its log:" >&2
        cat "$WINE_TMP/wineboot.log" >&2
        return 1
    fi
    wineserver -w
    wine_link_fonts
}

# A display of our own, numbered after the first free one.
_wine_start_xvfb() {
    local display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$WINE_TMP/xvfb.log" 2>&1 &
    WINE_XVFB_PID=$!
    export DISPLAY=":$display"
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$display" ] && return 0
        kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "error: Xvfb did not start on $DISPLAY:" >&2
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

wine_run() {
    wine "$@"
}

# The Windows name of a Unix path, through the Z: drive that Wine maps to /.
wine_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

wine_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "${WINE_XVFB_PID:-}" ]; then
        kill "$WINE_XVFB_PID" >/dev/null 2>&1 || true
        wait "$WINE_XVFB_PID" 2>/dev/null || true
        WINE_XVFB_PID=
    fi
    if [ -n "${WINE_TMP:-}" ] && [ -d "$WINE_TMP" ]; then
        rm -rf "$WINE_TMP"
        WINE_TMP=
    fi
}

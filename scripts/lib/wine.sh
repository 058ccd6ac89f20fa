# Shell functions for running Windows programs under Wine in a fresh 32-bit prefix with Xvfb.
# Source it, then: wine_start [name]; wine_run prog.exe args...; wine_stop (also on EXIT).

wine_start() {
    local name=${1:-hivetidy}
    export WINEARCH=win32
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko installer prompts: nothing outside this machine is reachable.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    WINE_TMP=$(mktemp -d "/tmp/${name}.XXXXXX")
    export WINEPREFIX="$WINE_TMP/prefix"
    # A display of our own, numbered after the first free one.
    local display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$WINE_TMP/xvfb.log" 2>&1 &
    WINE_XVFB_PID=$!
    export DISPLAY=":$display"
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    wineboot -i >"$WINE_TMP/wineboot.log" 2>&1
    wineserver -w
    trap wine_stop EXIT
}

wine_run() {
    wine "$@"
}

wine_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
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

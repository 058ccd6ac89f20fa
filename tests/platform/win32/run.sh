#!/bin/bash
# Runs the Win32 layer's tests under Wine in a fresh prefix with a virtual display: the whole suite
# at 96 DPI, then, in the same prefix, the window's layout tests at 120, 144 and 192 DPI.
# Usage: [HIVETIDY_WINEARCH=win32|win64] [HIVETIDY_DPIS="96 120 144 192"] tests/platform/win32/run.sh
#        [build/win32/win32_tests.exe] [gtest arguments...]
# The prefix is 32-bit Windows (win32) or 64-bit Windows (win64); by default win32, unless the
# tests are a 64-bit program or this machine cannot run 32-bit programs. HIVETIDY_DPIS names the
# DPIs: the whole suite runs at the first, the layout tests (Win32WindowLayoutTest) at the others,
# each after the gtest arguments given.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
tests=${1:-$repo/build/win32/win32_tests.exe}
shift || true
if [ ! -f "$tests" ]; then
    echo "run.sh: $tests not found; build it with the cross toolchain first" >&2
    exit 2
fi
tests=$(cd "$(dirname "$tests")" && pwd)/$(basename "$tests")
read -r -a dpis <<<"${HIVETIDY_DPIS:-96 120 144 192}"
if [ ${#dpis[@]} -eq 0 ]; then
    echo "run.sh: HIVETIDY_DPIS names no DPI" >&2
    exit 2
fi

# shellcheck source=../../../scripts/lib/wine.sh
. "$repo/scripts/lib/wine.sh"
arch=${HIVETIDY_WINEARCH:-$(wine_default_arch "$tests")}
wine_check_runnable "$arch" "$tests" || exit 2
echo "Win32 layer: $(basename "$tests") ($(wine_exe_arch "$tests")) in a $arch prefix"
phase=$EPOCHREALTIME
wine_start win32-tests "$arch" || exit 1
echo "Win32 layer: prefix, server and display ready after $(wine_seconds_since "$phase")s"

status=0
layout=()
for dpi in "${dpis[@]}"; do
    if ! wine_set_dpi "$dpi"; then
        status=1
        break
    fi
    echo "Win32 layer at $dpi DPI${layout:+: the layout tests}"
    phase=$EPOCHREALTIME
    wine_run_console "$tests" "$@" "${layout[@]}" || status=1
    echo "Win32 layer at $dpi DPI: done after $(wine_seconds_since "$phase")s"
    layout=(--gtest_filter='Win32WindowLayoutTest.*')
done

phase=$EPOCHREALTIME
wine_stop
echo "Win32 layer: prefix, server and display gone after $(wine_seconds_since "$phase")s"
exit "$status"

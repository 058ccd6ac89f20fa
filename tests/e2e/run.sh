#!/usr/bin/env bash
# The end-to-end suite: hivedrive.exe works hivetidy.exe's window from outside, in a fresh Wine
# prefix on an Xvfb display of its own, both taken away again afterwards.
#   [HIVETIDY_WINEARCH=win32|win64] tests/e2e/run.sh [BUILD_DIR] [GoogleTest flags...]
# BUILD_DIR is a cross build, build/win32 (the default) or build/win64. The prefix is 32-bit
# Windows (win32) or 64-bit Windows (win64); by default win32, unless the build is 64-bit or this
# machine cannot run 32-bit programs. GTEST_TOTAL_SHARDS and GTEST_SHARD_INDEX, which the driver
# reads as any GoogleTest program does, run one share of the tests (scripts/test runs the suite in
# parts side by side, each in a prefix of its own); WINE_TEMPLATES, see scripts/lib/wine.sh.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build/win32}
[ $# -gt 0 ] && shift
source "$ROOT/scripts/lib/build.sh"
source "$ROOT/scripts/lib/wine.sh"

PROGRAM=$(find_built "$BUILD" hivetidy.exe)
DRIVER=$(find_built "$BUILD" hivedrive.exe)
if [ -z "$PROGRAM" ] || [ -z "$DRIVER" ]; then
    echo "error: hivetidy.exe and hivedrive.exe must be built in $BUILD first" >&2
    exit 1
fi
ARCH=${HIVETIDY_WINEARCH:-$(wine_default_arch "$PROGRAM")}
wine_check_runnable "$ARCH" "$PROGRAM" "$DRIVER" || exit 2
echo "End to end: $PROGRAM ($(wine_exe_arch "$PROGRAM")) in a $ARCH prefix"

# The suite always gets a prefix and a display of its own, whatever the caller set for the demo.
unset WINE_PREFIX_DIR WINE_USE_DISPLAY
# Under a German locale, as on the controller PCs the program is made for: every program of the
# prefix, the services that wine_start starts among them.
export WINE_LC_ALL=de_DE.UTF-8
phase=$EPOCHREALTIME
wine_start hivetidy-e2e "$ARCH" || exit 1
echo "End to end: prefix, server and display ready after $(wine_seconds_since "$phase")s"
phase=$EPOCHREALTIME
wine_run_console "$DRIVER" "$(wine_path "$PROGRAM")" --gtest_color=no "$@"
status=$?
echo "End to end: the driver ended after $(wine_seconds_since "$phase")s"
phase=$EPOCHREALTIME
wine_stop
echo "End to end: prefix, server and display gone after $(wine_seconds_since "$phase")s"
exit "$status"

#!/usr/bin/env bash
# The end-to-end suite: hivedrive.exe works hivetidy.exe's window from outside, in a fresh 32-bit
# Wine prefix on an Xvfb display of its own, both taken away again afterwards.
#   tests/e2e/run.sh [BUILD_DIR] [GoogleTest flags...]     (BUILD_DIR: the cross build, build/win32)
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

# The suite always gets a prefix and a display of its own, whatever the caller set for the demo.
unset WINE_PREFIX_DIR WINE_USE_DISPLAY
wine_start hivetidy-e2e || exit 1
# Under a German locale, as on the controller PCs the program is made for (Wine takes it from
# LC_ALL even where the Linux locale is not installed). Wine's console output has CR LF line ends.
LC_ALL=de_DE.UTF-8 wine "$DRIVER" "$(wine_path "$PROGRAM")" --gtest_color=no "$@" 2>&1 | tr -d '\r'
status=${PIPESTATUS[0]}
wine_stop
exit "$status"

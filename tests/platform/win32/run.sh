#!/bin/bash
# Runs the Win32 layer's tests under Wine in a fresh 32-bit prefix with a virtual display.
# Usage: tests/platform/win32/run.sh [build/win32/win32_tests.exe] [gtest arguments...]
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

# shellcheck source=../../../scripts/lib/wine.sh
. "$repo/scripts/lib/wine.sh"
wine_start win32-tests

# Wine's console output has CR LF line ends.
wine "$tests" "$@" 2>&1 | tr -d '\r'
status=${PIPESTATUS[0]}

wine_stop
exit "$status"

# shellcheck shell=bash
# Configures and builds the three builds from the same sources: native (the core against the
# simulated platform, with native_tests) and two cross builds of hivetidy.exe and the Wine suites,
# win32 with MinGW-w64 i686 and win64 with MinGW-w64 x86_64.
# Source it, then: build_native DIR [TARGET...]; build_win32 DIR [TARGET...]; build_win64 DIR
# [TARGET...]

HIVETIDY_ROOT=${HIVETIDY_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}

# Builds the targets (all when none are named); -k 0 lets Ninja build whatever does not depend on
# a failing step, so one broken file does not hide every other suite's result. One job per core:
# Ninja's default of two more than that only crowds a two-core CI machine.
_build() {
    local dir=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" "${targets[@]}" -- -k 0 -j "$(nproc)"
}

# Configures quietly; the configure output is shown only when it fails. A folder configured before
# with the same settings is left as it is: Ninja runs CMake again by itself when a CMakeLists.txt
# or a globbed folder has changed.
_configure() {
    local dir=$1
    shift
    local settings
    settings=$(printf '%s\n' "$HIVETIDY_ROOT" "$@")
    if [ -f "$dir/build.ninja" ] && [ "$(cat "$dir/configure.settings" 2>/dev/null)" = "$settings" ]; then
        return 0
    fi
    mkdir -p "$dir"
    rm -f "$dir/configure.settings"
    cmake -S "$HIVETIDY_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >"$dir/configure.log" 2>&1 ||
        { cat "$dir/configure.log"; return 1; }
    printf '%s\n' "$settings" >"$dir/configure.settings"
}

build_native() {
    local dir=$1
    shift
    _configure "$dir" && _build "$dir" "$@"
}

build_win32() {
    local dir=$1
    shift
    _configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$HIVETIDY_ROOT/cmake/mingw-i686.cmake" && _build "$dir" "$@"
}

build_win64() {
    local dir=$1
    shift
    _configure "$dir" -DCMAKE_TOOLCHAIN_FILE="$HIVETIDY_ROOT/cmake/mingw-x86_64.cmake" && _build "$dir" "$@"
}

# The path of a built program below the build folder, wherever CMake put it; empty when not built.
find_built() {
    local dir=$1 name=$2
    if [ -f "$dir/$name" ]; then
        echo "$dir/$name"
    else
        find "$dir" -name "$name" -type f -not -path '*/CMakeFiles/*' 2>/dev/null | head -n 1
    fi
}

# shellcheck shell=bash
# Installs through apt what building, testing and the demo need, and only what is missing, so a
# repeated run does not touch apt at all. Source it, then: install_dependencies

HIVETIDY_PACKAGES=(
    cmake ninja-build g++ googletest libbenchmark-dev python3
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth imagemagick
    clang libclang-rt-14-dev
)

# Where the i386 packages that apt could not install are noted, so that later runs go on without
# them instead of trying apt again each time. Delete the file to try again.
HIVETIDY_NO_I386_NOTE=${HIVETIDY_NO_I386_NOTE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/i386-not-installable}

# The packages of the list that are not installed, one per line.
missing_packages() {
    local package
    for package in "${HIVETIDY_PACKAGES[@]}"; do
        if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
            echo "$package"
        fi
    done
}

install_dependencies() {
    local missing given_up=()
    mapfile -t missing < <(missing_packages)
    if [ -f "$HIVETIDY_NO_I386_NOTE" ]; then
        mapfile -t given_up < "$HIVETIDY_NO_I386_NOTE"
        mapfile -t missing < <(_without "${missing[@]}" -- "${given_up[@]}")
    fi
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "error: missing packages need root to install: ${missing[*]}" >&2
        return 1
    fi
    # wine32 is an i386 package: the architecture must be known to dpkg before apt reads its lists.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q || return 1
    apt-get install -y -q --no-install-recommends "${missing[@]}" && return 0

    # Wine's 32-bit half is what a machine is likeliest to refuse; everything else works without it,
    # with the Wine suites in a 64-bit prefix only.
    local i386=() others=() package
    for package in "${missing[@]}"; do
        if [[ $package == *:i386 ]]; then i386+=("$package"); else others+=("$package"); fi
    done
    [ ${#i386[@]} -gt 0 ] || return 1
    echo "The i386 packages could not be installed; trying once more without them: ${i386[*]}"
    if [ ${#others[@]} -gt 0 ]; then
        apt-get install -y -q --no-install-recommends "${others[@]}" || return 1
    fi
    mkdir -p "$(dirname "$HIVETIDY_NO_I386_NOTE")"
    printf '%s\n' "${i386[@]}" >"$HIVETIDY_NO_I386_NOTE"
    echo "Going on without ${i386[*]}: 32-bit Windows programs will not run under Wine here."
    echo "(Later runs do not try them again; delete $HIVETIDY_NO_I386_NOTE to have them tried.)"
}

# The words before "--" that are not among those after it.
_without() {
    local words=() word
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        words+=("$1")
        shift
    done
    shift
    for word in "${words[@]}"; do
        [[ " $* " == *" $word "* ]] || echo "$word"
    done
}

# shellcheck shell=bash
# Installs through apt what building, testing and the demo need, and only what is missing, so a
# repeated run does not touch apt at all. Source it, then: install_dependencies

HIVETIDY_PACKAGES=(
    cmake ninja-build g++ googletest
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
    wine wine32:i386 fonts-wine
    xvfb xauth imagemagick
)

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
    local missing
    mapfile -t missing < <(missing_packages)
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
    apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
}

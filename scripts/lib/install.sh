# shellcheck shell=bash
# Installs through apt what building, testing and the demo need, and only what is missing, so a
# repeated run does not touch apt at all. Source it, then: install_dependencies
#
# A package mirror in the middle of a sync is an everyday event: apt-get update that cannot fetch
# some of the lists is tried again a few times, and then the install goes on with the lists apt has,
# saying which failed. Only a package that no list offers, or an install that fails, ends it.
#   HIVETIDY_APT_UPDATE_TRIES  tries of apt-get update (3); HIVETIDY_APT_UPDATE_PAUSE  seconds
#   between them (10)

HIVETIDY_PACKAGES=(
    cmake ninja-build g++ googletest libbenchmark-dev python3
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth imagemagick
    clang libclang-rt-14-dev
)

# Where the i386 packages that apt could not install are noted. Within a day of the note, later
# runs go on without them and leave apt alone; after that they are tried again, since what kept
# them out is most often a mirror that was in the middle of a sync. Delete it to try them at once.
HIVETIDY_NO_I386_NOTE=${HIVETIDY_NO_I386_NOTE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/i386-not-installable}
HIVETIDY_NO_I386_RETRY_MINUTES=1440

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
        local installed_since
        installed_since=$(_without "${given_up[@]}" -- "${missing[@]}" | wc -l)
        if [ "$installed_since" -eq ${#given_up[@]} ]; then
            # Installed by other means meanwhile: the note no longer holds.
            rm -f "$HIVETIDY_NO_I386_NOTE"
        elif [ -n "$(find "$HIVETIDY_NO_I386_NOTE" -mmin +"$HIVETIDY_NO_I386_RETRY_MINUTES" 2>/dev/null)" ]; then
            echo "Trying again what could not be installed a day ago or more: ${given_up[*]}"
        else
            mapfile -t missing < <(_without "${missing[@]}" -- "${given_up[@]}")
        fi
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
    _apt_update

    # Wine's 32-bit half is what a machine is likeliest to refuse; everything else works without it,
    # with the Wine suites in a 64-bit prefix only.
    local i386=() others=() package offered=()
    for package in "${missing[@]}"; do
        if [[ $package == *:i386 ]]; then i386+=("$package"); else others+=("$package"); fi
    done
    local unoffered=()
    for package in "${others[@]}"; do
        [ -n "$(apt-cache madison "$package" 2>/dev/null)" ] || unoffered+=("$package")
    done
    if [ ${#unoffered[@]} -gt 0 ]; then
        echo "error: no package list offers: ${unoffered[*]}" >&2
        return 1
    fi
    for package in "${i386[@]}"; do
        [ -n "$(apt-cache madison "$package" 2>/dev/null)" ] && offered+=("$package")
    done
    if [ ${#offered[@]} -eq ${#i386[@]} ] &&
        apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        rm -f "$HIVETIDY_NO_I386_NOTE"
        return 0
    fi
    if [ ${#i386[@]} -eq 0 ]; then
        echo "error: apt-get could not install: ${missing[*]}" >&2
        return 1
    fi
    echo "The i386 packages could not be installed; trying once more without them: ${i386[*]}"
    if [ ${#others[@]} -gt 0 ] && ! apt-get install -y -q --no-install-recommends "${others[@]}"; then
        echo "error: apt-get could not install: ${others[*]}" >&2
        return 1
    fi
    mkdir -p "$(dirname "$HIVETIDY_NO_I386_NOTE")"
    printf '%s\n' "${i386[@]}" >"$HIVETIDY_NO_I386_NOTE"
    echo "Going on without ${i386[*]}: 32-bit Windows programs will not run under Wine here."
    echo "(Runs within a day leave apt alone, later ones try them again; delete $HIVETIDY_NO_I386_NOTE to have them tried at once.)"
}

# apt-get update, tried again after a pause while it reports errors. When some lists still cannot be
# fetched, apt keeps the ones it had, or has none of those: the install goes on with what there is,
# and one line says which lists failed.
_apt_update() {
    local tries=${HIVETIDY_APT_UPDATE_TRIES:-3} pause=${HIVETIDY_APT_UPDATE_PAUSE:-10} try status output failed
    output=$(mktemp)
    for ((try = 1; try <= tries; try++)); do
        apt-get update -q 2>&1 | tee "$output"
        status=${PIPESTATUS[0]}
        # apt-get names a list it could not fetch in an "Err:" line, and since apt 1.x also ends with
        # 100 for it; either is an error.
        if [ "$status" -eq 0 ] && ! grep -q '^Err:' "$output"; then
            rm -f "$output"
            return 0
        fi
        if [ "$try" -lt "$tries" ]; then
            echo "apt-get update reported errors; trying again in $pause s ($try of $tries)"
            sleep "$pause"
        fi
    done
    failed=$(sed -n 's/^Err:[0-9]* \(.*[^ ]\) *$/\1/p' "$output" | sort -u | paste -sd ';' - | sed 's/;/; /g')
    rm -f "$output"
    echo "warning: apt-get update could not fetch every package list, going on with those there are; failed: ${failed:-none named (apt-get ended with $status)}"
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

#!/usr/bin/env bash
# The install step of the README's commands (scripts/lib/install.sh) against stand-ins for apt-get,
# apt-cache, dpkg, dpkg-query and id on PATH: no root, no network, nothing installed. Each case
# runs install_dependencies in a shell of its own over a scripted package state; the closing lines
# are GoogleTest's, so that scripts/test counts them.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d /tmp/hivetidy-install-test.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# The stand-ins read and write the package state in $STATE:
#   installed      packages dpkg knows as installed, one a line
#   offered        packages some package list offers
#   broken         packages whose install fails
#   update-fails   how many more times apt-get update fails ("always" for ever)
#   calls          every apt-get call, one a line
make_stand_ins() {
    local bin=$WORK/bin
    mkdir -p "$bin"
    cat >"$bin/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/calls"
case $1 in
    update)
        fails=$(cat "$STATE/update-fails" 2>/dev/null || echo 0)
        if [ "$fails" = always ] || [ "$fails" -gt 0 ]; then
            [ "$fails" = always ] || echo $((fails - 1)) >"$STATE/update-fails"
            echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
            echo "  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            exit 100
        fi
        echo "Reading package lists..."
        ;;
    install)
        packages=()
        for word in "${@:2}"; do [[ $word == -* ]] || packages+=("$word"); done
        for package in "${packages[@]}"; do
            if grep -qx -- "$package" "$STATE/broken" 2>/dev/null; then
                echo "E: Unable to correct problems, you have held broken packages."
                exit 100
            fi
        done
        printf '%s\n' "${packages[@]}" >>"$STATE/installed"
        ;;
esac
SH
    cat >"$bin/apt-cache" <<'SH'
#!/usr/bin/env bash
[ "$1" = madison ] && grep -qx -- "$2" "$STATE/offered" && echo " $2 | 1.0 | http://deb.example bookworm/main Packages"
exit 0
SH
    cat >"$bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
grep -qx -- "${*: -1}" "$STATE/installed" 2>/dev/null && printf installed
exit 0
SH
    cat >"$bin/dpkg" <<'SH'
#!/usr/bin/env bash
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
SH
    printf '#!/bin/sh\necho 0\n' >"$bin/id"
    chmod +x "$bin"/*
}
make_stand_ins

PACKAGES='cmake wine wine32:i386'
passed=0
failed_tests=()

# A fresh package state: every package of the list offered, the named ones installed.
given_installed() {
    STATE=$(mktemp -d "$WORK/state.XXXXXX")
    export STATE
    tr ' ' '\n' <<<"$PACKAGES" >"$STATE/offered"
    printf '%s\n' "$@" >"$STATE/installed"
    NOTE=$STATE/i386-not-installable
}

# Runs install_dependencies as the scripts do; its output in $OUT, its status in $STATUS.
install() {
    OUT=$(PATH="$WORK/bin:$PATH" HIVETIDY_NO_I386_NOTE=$NOTE HIVETIDY_APT_UPDATE_PAUSE=0 bash -c '
        source "$1/scripts/lib/install.sh"
        read -r -a HIVETIDY_PACKAGES <<<"$2"
        install_dependencies' _ "$ROOT" "$PACKAGES" 2>&1)
    STATUS=$?
}

CASE=
FAULTS=()
check() {
    local what=$1
    shift
    "$@" || FAULTS+=("$what")
}
contains() { [[ $OUT == *"$1"* ]]; }
installed() { grep -qx -- "$1" "$STATE/installed"; }
calls() { grep -c -- "$1" "$STATE/calls" 2>/dev/null; }

run_case() {
    CASE=$1
    FAULTS=()
    echo "[ RUN      ] Install.$CASE"
    "$CASE"
    if [ ${#FAULTS[@]} -eq 0 ]; then
        echo "[       OK ] Install.$CASE"
        passed=$((passed + 1))
    else
        printf '  expected: %s\n' "${FAULTS[@]}"
        printf '%s\n' "$OUT" | sed 's/^/  | /'
        echo "[  FAILED  ] Install.$CASE"
        failed_tests+=("Install.$CASE")
    fi
}

# Caught if apt-get update's first failure ended the install, or if it were not tried again.
UpdateThatFailsOnceIsTriedAgain() {
    given_installed
    echo 1 >"$STATE/update-fails"
    install
    check "success" [ "$STATUS" -eq 0 ]
    check "two updates" [ "$(calls 'apt-get update')" -eq 2 ]
    check "no warning once it worked" eval '! contains warning:'
    check "everything installed" installed wine32:i386
}

# Caught by `apt-get update || return 1`: a list out of reach must not stop the install.
UpdateThatAlwaysFailsGoesOnWithTheListsThereAre() {
    given_installed
    echo always >"$STATE/update-fails"
    install
    check "success" [ "$STATUS" -eq 0 ]
    check "three tries" [ "$(calls 'apt-get update')" -eq 3 ]
    check "the failed list named in one line" \
        contains "failed: http://deb.example/debian-security bookworm-security/main i386 Packages"
    check "the packages installed all the same" installed cmake
}

# Caught if a refused i386 package ended the script, or left no note.
RefusedI386PackagesAreNotedAndTheRestInstalled() {
    given_installed
    echo wine32:i386 >"$STATE/broken"
    install
    check "success" [ "$STATUS" -eq 0 ]
    check "the others installed" installed wine
    check "wine32 not installed" eval '! installed wine32:i386'
    check "the note" grep -qx wine32:i386 "$NOTE"
    # Within the day the note leaves apt alone.
    : >"$STATE/calls"
    install
    check "a second run succeeds" [ "$STATUS" -eq 0 ]
    check "a second run within the day does not call apt" [ "$(calls apt-get)" -eq 0 ]
}

# Caught if the note kept the i386 packages out for ever.
NoteOlderThanADayTriesI386Again() {
    given_installed cmake wine
    echo wine32:i386 >"$NOTE"
    touch -d '25 hours ago' "$NOTE"
    install
    check "success" [ "$STATUS" -eq 0 ]
    check "wine32 tried and installed" installed wine32:i386
    check "the note gone once it is installed" [ ! -e "$NOTE" ]
}

# Caught if a run with nothing to install touched apt (a second run must be quiet and offline).
NothingMissingNeverCallsApt() {
    given_installed cmake wine wine32:i386
    install
    check "success" [ "$STATUS" -eq 0 ]
    check "no apt-get call" [ ! -e "$STATE/calls" ]
}

# Caught if a package that no list offers, or a failed install, were let through as success.
MissingOrFailedPackagesEndTheRunNamingThem() {
    given_installed
    grep -vx cmake "$STATE/offered" >"$STATE/offered.new" && mv "$STATE/offered.new" "$STATE/offered"
    install
    check "failure when no list offers cmake" [ "$STATUS" -ne 0 ]
    check "cmake named" contains "no package list offers: cmake"
    given_installed
    echo wine >"$STATE/broken"
    install
    check "failure when wine does not install" [ "$STATUS" -ne 0 ]
    check "the packages named" contains "could not install: cmake wine"
}

for test in UpdateThatFailsOnceIsTriedAgain UpdateThatAlwaysFailsGoesOnWithTheListsThereAre \
    RefusedI386PackagesAreNotedAndTheRestInstalled NoteOlderThanADayTriesI386Again \
    NothingMissingNeverCallsApt MissingOrFailedPackagesEndTheRunNamingThem; do
    run_case "$test"
done

if [ ${#failed_tests[@]} -eq 0 ]; then
    echo "[  PASSED  ] $passed tests."
else
    echo "[  PASSED  ] $passed tests."
    echo "[  FAILED  ] ${#failed_tests[@]} tests, listed below:"
    printf '[  FAILED  ] %s\n' "${failed_tests[@]}"
    exit 1
fi

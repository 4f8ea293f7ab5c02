#!/usr/bin/env bash
# Fails when the configured build, or a program the tests start, comes from a Debian package that
# the project does not install. A package installed by hand makes this machine pass and a new
# one fail; this finds it in seconds, before any test runs.
#   scripts/check-packages.sh BUILD_DIR...
# Declared: the packages of scripts/debian-packages.txt, those that a script under scripts/
# installs by name, and everything they depend on as installed here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list="$root/scripts/debian-packages.txt"

# Programs the tests and scripts start, with the package a new machine gets each one from.
kTestPrograms=(
    cmake:cmake ctest:cmake ninja:ninja-build clang-format:clang-format
    xvfb-run:xvfb Xvfb:xvfb xauth:xauth xwininfo:x11-utils xdotool:xdotool
    import:imagemagick gdb:gdb chromium:chromium node:nodejs npm:npm
    clang++:clang llvm-symbolizer:llvm
)

if ! command -v dpkg-query >/dev/null || ! command -v apt-cache >/dev/null; then
    echo "check-packages: not a Debian system (no dpkg/apt-cache); nothing checked"
    exit 0
fi
[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }

mapfile -t declared < <(
    grep -vE '^\s*(#|$)' "$list" | awk '{print $1}'
    grep -rhoE --include='*.sh' 'apt-get( -[a-zA-Z-]+(=[^ ]+)?)* install [^;&|)]*' "$root/scripts" \
        | sed -E 's/.* install //' | tr ' ' '\n' | grep -E '^[a-z0-9][a-z0-9.+:-]+$' || true
)
mapfile -t declared < <(printf '%s\n' "${declared[@]}" | sort -u)

# Unindented lines of the recursive listing are the packages reached, virtual ones in <>.
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "${declared[@]}" 2>/dev/null \
    | grep -E '^[^ ]' | sed -E 's/:[a-z0-9]+$//' | sort -u)

owners() {
    local path=$1
    { dpkg-query -S "$path" 2>/dev/null || true; } | sed -E 's/: .*//; s/, /\n/g; s/:[a-z0-9]+$//mg'
}

# A folder is shared by many packages: judge it by the package configuration file it holds.
representative() {
    local path=$1
    if [ -d "$path" ]; then
        local config
        config=$(find "$path" -maxdepth 1 -name '*[Cc]onfig.cmake' -print -quit)
        [ -n "$config" ] && path=$config
    fi
    readlink -f "$path"
}

failures=0
report() {
    echo "check-packages: $*" >&2
    failures=$((failures + 1))
}

check_file() {
    local what=$1 path=$2 owner found="" candidates=""
    # The link a build names (libfoo.so) belongs to the -dev package; what it points to, to the
    # runtime package. Links that alternatives manage belong to none: follow those.
    [ -d "$path" ] || candidates=$(owners "$path")
    [ -n "$candidates" ] || candidates=$(owners "$(representative "$path")")
    if [ -z "$candidates" ]; then
        report "$what: $path belongs to no Debian package (installed by hand?)"
        return
    fi
    for owner in $candidates; do
        grep -qxF "$owner" <<<"$closure" && found=$owner && break
    done
    [ -n "$found" ] || report "$what: $path comes from Debian package" \
        "'$(head -n 1 <<<"$candidates")', which scripts/debian-packages.txt does not bring in"
}

for build in "$@"; do
    cache="$build/CMakeCache.txt"
    [ -f "$cache" ] || { report "no $cache: configure the build first"; continue; }
    while IFS='=' read -r entry path; do
        [ -e "$path" ] || continue
        case "$path" in "$root"/* | "$build"/*) continue ;; esac
        check_file "the build's ${entry%%:*}" "$path"
    done < <(grep -E '^([A-Za-z0-9_]+(_DIR|_LIBRARY[A-Z_]*|_EXECUTABLE|_INCLUDE_DIRS?|_INCLUDE_DIR_[A-Z_]+)|CMAKE_[A-Z]+_COMPILER|pkgcfg_lib_[A-Za-z0-9_]+):(PATH|FILEPATH|STRING)=' \
        "$cache" | grep -v NOTFOUND | sort -u)
done

for entry in "${kTestPrograms[@]}"; do
    program=${entry%%:*} package=${entry#*:}
    if ! path=$(command -v "$program"); then
        report "the tests need '$program' from Debian package '$package', which is not installed"
        continue
    fi
    check_file "the tests' program $program" "$path"
done

if [ "$failures" -gt 0 ]; then
    echo "check-packages: $failures problem(s); add the packages to scripts/debian-packages.txt" >&2
    exit 1
fi
echo "check-packages: every package the build and the tests use is declared"

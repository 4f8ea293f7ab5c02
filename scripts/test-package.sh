#!/usr/bin/env bash
# Installs the Debian package in a fresh Debian 12 root, starts "tapwise" from / under Xvfb as an
# ordinary user, waits for the page's ready line, checks that the browser's sandbox is on and
# that the program folder was not written, closes the window with the page's close button, and
# removes the package; fails if anything of it is left behind.
#   bash scripts/test-package.sh [tapwise_<version>_amd64.deb]
# Without an argument it builds the package in build/ first. Run as root: it unpacks a base root
# made by debootstrap (cached as a tarball) and enters it in a mount namespace of its own, where
# it is the root of that namespace: unlike a chroot, that lets an ordinary user create the user
# namespaces Chromium's sandbox is made of.
set -euo pipefail

# The part that runs inside the fresh root, as its root user.
inside() {
    local deb=$1 user=learner display=:99 started
    umount -l /.old && rmdir /.old
    export DEBIAN_FRONTEND=noninteractive
    phase() { echo "== $* ($(($(date +%s) - started)) s)"; }
    fail() {
        echo "FAILED: $*" >&2
        [ ! -s /tmp/tapwise.err ] || { echo "-- tapwise's stderr:" >&2; cat /tmp/tapwise.err >&2; }
        exit 1
    }
    started=$(date +%s)

    apt-get update -qq
    # Only for the test: the display, and clicks on the window.
    apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/dev/null
    phase "test tools installed"
    (cd "$(dirname "$deb")" && apt-get install -y -q "./$(basename "$deb")") | tail -n 3
    phase "package installed"

    [ "$(command -v tapwise)" = /usr/bin/tapwise ] || fail "tapwise is not on the PATH"
    for file in /usr/share/applications/tapwise.desktop /usr/lib/tapwise/tapwise \
        /usr/lib/tapwise/dist/index.html /usr/lib/tapwise/language/keystride_en.qm \
        /usr/share/icons/hicolor/48x48/apps/tapwise.png \
        /usr/share/icons/hicolor/scalable/apps/tapwise.svg /etc/tapwise/app.ini; do
        [ -e "$file" ] || fail "$file is missing"
    done
    [ "$(readlink /usr/lib/tapwise/app.ini)" = /etc/tapwise/app.ini ] \
        || fail "the program folder's app.ini does not lead to /etc/tapwise/app.ini"
    dpkg -L tapwise | sort >/tmp/package-files
    snapshot() { find /usr/lib/tapwise /etc/tapwise -printf '%p %y %s %m %T@\n' | sort; }
    snapshot >/tmp/program-before

    useradd --create-home "$user"
    runuser -u "$user" -- Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp \
        >/tmp/xvfb.log 2>&1 &
    local xvfb=$!
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X${display#:} ] && break; sleep 0.1; done
    cd /
    runuser -u "$user" -- env -i HOME="/home/$user" USER="$user" LOGNAME="$user" \
        PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$display" \
        tapwise >/tmp/tapwise.out 2>/tmp/tapwise.err &
    local runner=$! program=""
    for _ in $(seq 900); do
        grep -q "Tapwise: page ready (in the shell" /tmp/tapwise.err && break
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "Tapwise: page ready (in the shell" /tmp/tapwise.err || fail "the page did not load"
    phase "page ready"
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/exe" 2>/dev/null)" = /usr/lib/tapwise/tapwise ] \
            && program=${process#/proc/}
    done
    [ -n "$program" ] || fail "no tapwise process"
    [ "$(readlink "/proc/$program/cwd")" = /usr/lib/tapwise ] \
        || fail "the working directory is $(readlink "/proc/$program/cwd")"
    [ "$(stat -c %U "/proc/$program")" = "$user" ] || fail "tapwise does not run as $user"

    # The pages run sandboxed: a seccomp filter and a user namespace other than the program's
    # (renderers are forked from the sandboxed zygote, so they carry its command line).
    local helpers=0 sandboxed=0 process
    for process in /proc/[0-9]*; do
        [ "$(stat -c %U "$process" 2>/dev/null)" = "$user" ] || continue
        tr '\0' ' ' <"$process/cmdline" 2>/dev/null | grep -q '^[^ ]*QtWebEngineProcess ' \
            || continue
        helpers=$((helpers + 1))
        if tr '\0' ' ' <"$process/cmdline" | grep -q -- '--no-sandbox'; then
            tr '\0' ' ' <"$process/cmdline" >&2
            fail "a browser process runs with --no-sandbox"
        fi
        grep -q '^Seccomp:[[:space:]]*2' "$process/status" || continue
        [ "$(readlink "$process/ns/user")" != "$(readlink "/proc/$program/ns/user")" ] \
            || fail "process ${process#/proc/} is filtered but shares the program's user namespace"
        sandboxed=$((sandboxed + 1))
    done
    [ "$sandboxed" -gt 0 ] || fail "none of the $helpers browser processes is sandboxed"
    grep -q "sandbox is turned off" /tmp/tapwise.err && fail "the engine turned the sandbox off"
    echo "sandbox on: $sandboxed of $helpers browser processes with a seccomp filter and a user namespace of their own"

    local window geometry width
    window=$(DISPLAY=$display xdotool search --onlyvisible --pid "$program" --name '^Tapwise$' \
        | head -n 1)
    [ -n "$window" ] || fail "no visible Tapwise window"
    geometry=$(DISPLAY=$display xdotool getwindowgeometry "$window")
    width=$(sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p' <<<"$geometry")
    # The close button at the right end of the page's title bar.
    DISPLAY=$display xdotool mousemove --window "$window" $((width - 23)) 23 click 1
    local code=0
    for _ in $(seq 300); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$runner" 2>/dev/null && fail "the close button did not end the program"
    wait "$runner" || code=$?
    [ "$code" -eq 0 ] || fail "tapwise ended with exit code $code"
    phase "closed by its close button"
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true

    echo "written for the user:"
    (cd "/home/$user" && find . -mindepth 1 -maxdepth 3 -type d -newer /tmp/program-before \
        | sort | sed 's|^\.|  ~|')
    snapshot >/tmp/program-after
    diff /tmp/program-before /tmp/program-after \
        || fail "the program folder or the settings changed at run time"

    apt-get remove -y -qq tapwise >/dev/null
    [ ! -e /usr/lib/tapwise ] || fail "/usr/lib/tapwise is left after removal"
    [ -e /etc/tapwise/app.ini ] || fail "removal (not purge) took the settings file"
    apt-get purge -y -qq tapwise >/dev/null
    local left
    left=$(while read -r file; do
        [ "$file" = /. ] || [ ! -e "$file" ] || [ -d "$file" ] || echo "$file"
    done </tmp/package-files)
    [ -z "$left" ] || fail "left after purge: $left"
    for folder in /usr/lib/tapwise /etc/tapwise /usr/share/doc/tapwise; do
        [ ! -e "$folder" ] || fail "$folder is left after purge"
    done
    phase "removed and purged, nothing left"
    echo "package test passed"
}

if [ "${1:-}" = --inside ]; then
    inside "$2"
    exit 0
fi

[ "$(id -u)" -eq 0 ] || { echo "test-package.sh: run as root" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_BUILD_DIR:-$root/build}
started=$(date +%s)

deb=${1:-}
if [ -z "$deb" ]; then
    TAPWISE_BUILD_TARGET=tapwise "$root/scripts/build.sh"
    (cd "$build" && cpack -G DEB)
    deb=$(ls -t "$build"/tapwise_*_amd64.deb | head -n 1)
    echo "== package built ($(($(date +%s) - started)) s)"
fi
[ -f "$deb" ] || { echo "test-package.sh: no package $deb" >&2; exit 1; }

command -v debootstrap >/dev/null \
    || { apt-get update -qq && apt-get install -y -qq debootstrap >/dev/null; }
# The base root: the shared cached one when it is there (only read), else our own cache.
base=${TAPWISE_FRESH_BASE:-/tmp/fresh-root-base.tar}
if [ ! -f "$base" ]; then
    base=${TMPDIR:-/tmp}/tapwise-fresh-base.tar
    if [ ! -f "$base" ]; then
        mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources \
            2>/dev/null || true)
        [ -n "$mirror" ] || mirror=$(awk '/^deb /{print $2; exit}' /etc/apt/sources.list)
        made=$(mktemp -d)
        debootstrap --variant=minbase --include=ca-certificates bookworm "$made" "$mirror" \
            >"$base.log" 2>&1
        cp /etc/apt/sources.list.d/debian.sources "$made/etc/apt/sources.list.d/" 2>/dev/null \
            && rm -f "$made/etc/apt/sources.list" || true
        tar -C "$made" -cf "$base.part" . && mv "$base.part" "$base"
        rm -rf "$made"
        echo "== base root made ($(($(date +%s) - started)) s)"
    fi
fi

fresh=$(mktemp -d "${TMPDIR:-/tmp}/tapwise-fresh.XXXXXX")
trap 'rm -rf --one-file-system "$fresh"' EXIT
tar -C "$fresh" -xf "$base"
# The tarball's top folder may carry the 0700 of the folder it was made in; "/" must be open.
chmod 755 "$fresh"
cp /etc/resolv.conf "$fresh/etc/resolv.conf" 2>/dev/null || true
# A new machine here trusts the same local certificate authorities as this one.
if ls /usr/local/share/ca-certificates/*.crt >/dev/null 2>&1; then
    cp /usr/local/share/ca-certificates/*.crt "$fresh/usr/local/share/ca-certificates/"
    chroot "$fresh" update-ca-certificates >/dev/null 2>&1 || true
fi
cp "$deb" "$fresh/root/"
cp "$0" "$fresh/root/test-package.sh"
echo "== fresh root ready ($(($(date +%s) - started)) s)"

# The mounts live in the namespace and go with it; a PID namespace shows the root only its own
# processes, and ends them all when the test ends.
unshare --mount --pid --fork --propagation private -- bash -c '
    set -e
    cd "$1"
    mount --bind . .
    cd "$1"
    mount -t proc proc proc
    mount --rbind /sys sys
    mount --rbind /dev dev
    mkdir -p .old
    pivot_root . .old
    exec chroot . /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash /root/test-package.sh --inside "/root/$2"
' unshare "$fresh" "$(basename "$deb")"
echo "== done in $(($(date +%s) - started)) s"

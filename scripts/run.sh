#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tapwise with the build's output folder as working
# directory. Without a display it runs under Xvfb, saves a screenshot and exits after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
# The program and its run folder only: the tests and benchmarks are the test command's to build.
TAPWISE_BUILD_TARGET=tapwise "$root/scripts/build.sh"
cd "$build/out"
# Chromium will not start as root without leaving its sandbox.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
if [ -n "${DISPLAY:-}" ]; then
    exec ./tapwise "$@"
fi
shot="$build/tapwise-screenshot.png"
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
    ./tapwise "$@" &
    app=$!
    sleep "${TAPWISE_SCREENSHOT_DELAY:-6}"
    import -window root "'"$shot"'"
    kill $app 2>/dev/null || true
    wait $app 2>/dev/null || true
' tapwise "$@"
echo "No display: Tapwise ran under Xvfb; screenshot saved to $shot"

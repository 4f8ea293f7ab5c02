#!/usr/bin/env bash
# Runs the shell's bridge bench and the bare QWebEngineView + QWebChannel bench one after the
# other (never side by side: they share the machine), each RUNS times, under Xvfb when there is
# no display. Usage: bench/bridge/compare.sh [build folder] (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-${TAPWISE_BUILD_DIR:-$root/build}}" && pwd)
runs=${RUNS:-3}
cmake --build "$build" --target bench_shell_bridge bench_bare_webchannel
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
cd "$workdir"
run() {
    if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 1600x1000x24" "$@"; fi
}
for ((i = 1; i <= runs; ++i)); do
    run "$build/bench/bridge-bin/bench_shell_bridge" 2>/dev/null | grep -v '^RESULT'
    run "$build/bench/bin/bench_bare_webchannel" 2>/dev/null | grep -v '^RESULT'
done

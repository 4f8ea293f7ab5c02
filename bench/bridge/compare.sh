#!/usr/bin/env bash
# The shell's bridge, start and memory side by side with bare baselines on the same page:
# RUNS rounds (default 3), each running every program once, one at a time (never side by side:
# they share the machine), the shell first in odd rounds and last in even ones. Then one table
# of medians over the rounds, as text and as Markdown. Runs under one Xvfb when there is no
# display.
#
# Usage: bench/bridge/compare.sh [build folder] (default build/)
# Settings (environment): RUNS=3, STARTS=5 (timed starts and memory readings per round),
# CALLS=5000, IDLE=300, BURST=20000, WARMUP=200, LINGER=1000 (ms a page stays up after load for
# the memory reading), TAPWISE_BENCH_NO_BUILD=1 to skip building the programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-${TAPWISE_BUILD_DIR:-$root/build}}" && pwd)
if [ "${TAPWISE_BENCH_NO_BUILD:-0}" != 1 ]; then
    cmake --build "$build" --target tapwise bench_shell_bridge bench_bare_view bench_start \
        bench_table
fi
if [ -z "${DISPLAY:-}" ]; then
    # One X server for every program of every round.
    TAPWISE_BENCH_NO_BUILD=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$build"
fi

runs=${RUNS:-3}
starts=${STARTS:-5}
linger=${LINGER:-1000}
counts=(--calls "${CALLS:-5000}" --idle "${IDLE:-300}" --burst "${BURST:-20000}"
    --warmup "${WARMUP:-200}")
bin=$build/bench/bin
page=$root/bench/bridge/pages/bridgebench.html
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
# The real program reads the page's address from app.ini in its working folder.
for mode in start:0 pss:$linger; do
    mkdir -p "$workdir/${mode%%:*}"
    printf '[default]\npath="file://%s?mode=load&linger=%s"\n' "$page" "${mode#*:}" \
        >"$workdir/${mode%%:*}/app.ini"
done
results=$workdir/results.txt
: >"$results"

# Each program's own report goes to stderr as it runs; the RESULT lines feed the table.
measure() {
    local name=$1
    shift
    echo "== $name" >&2
    "$@" 2>"$workdir/stderr.txt" | tee -a "$results" >&2 || {
        echo "compare.sh: $name failed:" >&2
        tail -n 20 "$workdir/stderr.txt" >&2
        exit 1
    }
}
shell() {
    measure "shell bridge" "$build/bench/bridge-bin/bench_shell_bridge" "${counts[@]}"
    measure "shell start" "$bin/bench_start" --label shell --runs "$starts" \
        --workdir "$workdir/start" -- "$build/out/tapwise"
    measure "shell memory" "$bin/bench_start" --label shell --measure pss --runs "$starts" \
        --workdir "$workdir/pss" -- "$build/out/tapwise"
}
baselines() {
    measure "prompt floor" "$bin/bench_bare_view" --bridge prompt "${counts[@]}"
    measure "QWebChannel" "$bin/bench_bare_view" --bridge channel "${counts[@]}"
    measure "bare view start" "$bin/bench_start" --label bare --runs "$starts" -- \
        "$bin/bench_bare_view" --bridge none
    measure "bare view memory" "$bin/bench_start" --label bare --measure pss --runs "$starts" -- \
        "$bin/bench_bare_view" --bridge none --linger "$linger"
}
# Other work on the machine moves every figure: the load says how much there was.
load() { echo "load average ($1): $(cut -d' ' -f1-3 /proc/loadavg)"; }
load before >&2
for ((i = 1; i <= runs; ++i)); do
    echo "=== round $i of $runs" >&2
    if ((i % 2)); then
        shell
        baselines
    else
        baselines
        shell
    fi
done
load after >&2
echo >&2
"$bin/bench_table" <"$results"

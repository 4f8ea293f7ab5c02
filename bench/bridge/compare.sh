#!/usr/bin/env bash
# The shell's bridge, start and memory side by side with bare baselines on the same page:
# RUNS rounds (default 3), each running every program, one at a time (never side by side: they
# share the machine), the shell first in odd rounds and last in even ones; within a round the
# starts and memory readings of the shell and the bare view alternate one by one. Then one table
# of medians (over the rounds; for starts and memory, over every start of every round), as text
# and as Markdown. Runs under one Xvfb when there is no display.
#
# Usage: bench/bridge/compare.sh [build folder] (default build/)
# Settings (environment): RUNS=3, STARTS=5 (timed starts and memory readings per round),
# CALLS=5000, IDLE=300, BURST=20000, WARMUP=200, SETTLE=500 (ms from load to the memory
# reading), LINGER=1000 (ms a page stays up after load: more than SETTLE),
# TAPWISE_BENCH_NO_BUILD=1 to skip building the programs.
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
settle=${SETTLE:-500}
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
bridge() {
    if [ "$1" = shell ]; then
        measure "shell bridge" "$build/bench/bridge-bin/bench_shell_bridge" "${counts[@]}"
    else
        measure "prompt floor" "$bin/bench_bare_view" --bridge prompt "${counts[@]}"
        measure "QWebChannel" "$bin/bench_bare_view" --bridge channel "${counts[@]}"
    fi
}
# One start (or memory reading) of the real program or of the bare view; both keep their state
# folders for the whole comparison, as a user's installation does.
start() {
    local what=$1 side=$2
    shift 2
    [ "$what" = start ] || set -- "$@" --settle "$settle"
    if [ "$side" = shell ]; then
        measure "shell $what" "$bin/bench_start" --label shell --measure "$what" --state \
            "$workdir/state-shell" --workdir "$workdir/$what" "$@" -- "$build/out/tapwise"
    else
        local linger_arguments=()
        [ "$what" = start ] || linger_arguments=(--linger "$linger")
        measure "bare view $what" "$bin/bench_start" --label bare --measure "$what" --state \
            "$workdir/state-bare" "$@" -- "$bin/bench_bare_view" --bridge none \
            "${linger_arguments[@]}"
    fi
}
# Other work on the machine moves every figure: the load says how much there was.
load() { echo "load average ($1): $(cut -d' ' -f1-3 /proc/loadavg)"; }
load before >&2
for ((i = 1; i <= runs; ++i)); do
    echo "=== round $i of $runs" >&2
    sides=(shell bare)
    ((i % 2)) || sides=(bare shell)
    for side in "${sides[@]}"; do bridge "$side"; done
    # Starts alternate one by one, so that a change in the machine's load falls on both.
    for what in start pss; do
        for side in "${sides[@]}"; do start "$what" "$side" --runs 0 --warmups 1; done
        for ((s = 1; s <= starts; ++s)); do
            for side in "${sides[@]}"; do start "$what" "$side" --runs 1 --warmups 0; done
        done
    done
done
load after >&2
echo >&2
"$bin/bench_table" <"$results"

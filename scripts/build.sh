#!/usr/bin/env bash
# Configures and builds Tapwise into build/ (or $TAPWISE_BUILD_DIR); extra arguments go to cmake.
# $TAPWISE_BUILD_TARGET builds one target instead of everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_BUILD_DIR:-$root/build}
generator=()
[ -e "$build/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
target=()
[ -z "${TAPWISE_BUILD_TARGET:-}" ] || target=(--target "$TAPWISE_BUILD_TARGET")
cmake --build "$build" --parallel "$(nproc)" "${target[@]}"

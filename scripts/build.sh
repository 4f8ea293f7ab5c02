#!/usr/bin/env bash
# Configures and builds Tapwise into build/ (or $TAPWISE_BUILD_DIR); extra arguments go to cmake.
# $TAPWISE_BUILD_TARGET builds one target instead of everything; with $TAPWISE_STRICT_PACKAGES=1
# (the test command) a package that the build or the tests use but the project does not install
# stops it right after configure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_BUILD_DIR:-$root/build}
generator=()
[ -e "$build/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
[ "${TAPWISE_STRICT_PACKAGES:-0}" != 1 ] || "$root/scripts/check-packages.sh" "$build"
target=()
[ -z "${TAPWISE_BUILD_TARGET:-}" ] || target=(--target "$TAPWISE_BUILD_TARGET")
cmake --build "$build" --parallel "$(nproc)" "${target[@]}"

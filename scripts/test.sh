#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Xvfb; then builds again
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit tests there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
for hook in "$root"/scripts/install.d/*.sh; do
    [ -e "$hook" ] && bash "$hook"
done
export TAPWISE_STRICT_PACKAGES=1
"$root/scripts/build.sh" "$@"
cmake --build "$build" --target format-check

screen="-screen 0 1600x1000x24 -noreset"
(cd "$build" && xvfb-run -a -s "$screen" ctest --output-on-failure --parallel "$(nproc)")

if [ "${TAPWISE_SKIP_SANITIZERS:-0}" != 1 ]; then
    TAPWISE_BUILD_DIR="$build-sanitize" TAPWISE_BUILD_TARGET=unit-tests \
        "$root/scripts/build.sh" -DTAPWISE_SANITIZE=ON -DTAPWISE_BUILD_BENCH=OFF
    (cd "$build-sanitize" \
        && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
            UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            xvfb-run -a -s "$screen" ctest --output-on-failure --parallel "$(nproc)" -L unit)
fi

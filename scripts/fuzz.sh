#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang into build-fuzz/ (or $TAPWISE_FUZZ_BUILD_DIR)
# and runs each: first its committed regression inputs, then fresh fuzzing from its seed corpus
# for the given seconds (default 30). Exits non-zero when any target crashes or fails a check.
# A longer run, one hour per target:   bash scripts/fuzz.sh 3600
# One target only:                     TAPWISE_FUZZ_ONLY=fuzz_gbk bash scripts/fuzz.sh 600
# New crashing inputs are left in build-fuzz/artifacts/<target>/; commit each one to
# tests/fuzz/regressions/<target>/ with its fix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}
fuzz_dir=$root/tests/fuzz

generator=()
[ -e "$build/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
cmake -S "$fuzz_dir" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
[ "${TAPWISE_STRICT_PACKAGES:-0}" != 1 ] || "$root/scripts/check-packages.sh" "$build"
cmake --build "$build" --parallel "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
failed=()
summary=()
while read -r target; do
    [ -n "$target" ] || continue
    [ -z "${TAPWISE_FUZZ_ONLY:-}" ] || [ "$target" = "$TAPWISE_FUZZ_ONLY" ] || continue
    binary=$build/$target
    artifacts=$build/artifacts/$target/
    scratch=$build/corpus/$target
    mkdir -p "$artifacts" "$scratch" "$fuzz_dir/corpus/$target"
    log=$build/$target.log
    # A target may name leaks of the libraries it drives (tests/fuzz/<target>.supp); matching
    # them by function needs full stacks.
    leak_options=()
    if [ -f "$fuzz_dir/$target.supp" ]; then
        leak_options=(ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
            LSAN_OPTIONS="suppressions=$fuzz_dir/$target.supp")
    fi

    mapfile -t regressions < <(find "$fuzz_dir/regressions/$target" -type f ! -name '.*' \
        2>/dev/null | sort)
    if [ ${#regressions[@]} -gt 0 ] \
        && ! env "${leak_options[@]}" "$binary" -artifact_prefix="$artifacts" "${regressions[@]}" >"$log.regressions" 2>&1; then
        echo "== $target: a regression input fails again (see $log.regressions)"
        tail -n 30 "$log.regressions"
        failed+=("$target")
        continue
    fi

    # New inputs go to the scratch folder, so the committed seeds stay as they are.
    if env "${leak_options[@]}" "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$scratch" "$fuzz_dir/corpus/$target" >"$log" 2>&1; then
        status=ok
    else
        status=CRASH
        failed+=("$target")
        tail -n 40 "$log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    speed=$(sed -n 's/.*exec\/s: \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    summary+=("$(printf '%-22s %-6s %10s runs %8s exec/s %4d regression inputs' "$target" \
        "$status" "${runs:-?}" "${speed:-?}" "${#regressions[@]}")")
done <"$build/fuzzers.txt"

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, under AddressSanitizer
# and UndefinedBehaviorSanitizer, in build-fuzz/, writes their seed corpora
# with the program's own writers, and runs each target for the time it was
# registered with. A crash, a sanitizer report or a broken rule fails the
# script; the input that caused it is kept in build-fuzz/artifacts/, each
# target's output in build-fuzz/logs/. A table of executions, coverage and
# time per target closes the run.
#   TIPSMITH_FUZZ_SECONDS=N   run every target for N seconds instead
#   scripts/fuzz.sh TARGET... run only these targets
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz
cmake -S tests/fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"

# Seeds follow the formats as the writers make them today; a folder of the
# same name in tests/fuzz/seeds/ adds inputs kept by hand.
rm -rf "$build/seeds"
"$build/fuzz_seeds" "$build/seeds"

mkdir -p "$build/artifacts" "$build/logs"
status=0
summary=()
while read -r target seconds; do
    [ -n "$target" ] || continue
    if [ $# -gt 0 ] && [[ " $* " != *" $target "* ]]; then
        continue
    fi
    seconds=${TIPSMITH_FUZZ_SECONDS:-$seconds}
    corpus="$build/corpus/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus"
    seeds=()
    for folder in "$build/seeds/$target" "tests/fuzz/seeds/$target"; do
        [ -d "$folder" ] && seeds+=("$folder")
    done
    echo "== $target: ${seconds}s"
    started=$SECONDS
    result=ok
    if ! "$build/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        result=FAILED
        status=1
    fi
    if [ "$result" = ok ]; then
        grep -E '^(Done |stat::)' "$log" || true
    else
        tail -n 60 "$log"
        echo "== $target: FAILED (see $log and $build/artifacts/)"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1 || true)
    summary+=("$(printf '%-20s %-7s %10s runs  %-36s %4ss' "$target" "$result" \
        "${runs:-?}" "${coverage:-no coverage line}" "$((SECONDS - started))")")
done < "$build/fuzz-targets.txt"

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit $status

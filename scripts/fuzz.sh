#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, under AddressSanitizer
# and UndefinedBehaviorSanitizer, in build-fuzz/, and runs each for the time
# it was registered with. A crash, a sanitizer report or a broken invariant
# fails the script; the input that caused it is kept in build-fuzz/artifacts/.
#   TIPSMITH_FUZZ_SECONDS=N   run every target for N seconds instead
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz
cmake -S tests/fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"

mkdir -p "$build/artifacts"
status=0
while read -r target seconds; do
    [ -n "$target" ] || continue
    seconds=${TIPSMITH_FUZZ_SECONDS:-$seconds}
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    seeds=()
    [ -d "tests/fuzz/seeds/$target" ] && seeds+=("tests/fuzz/seeds/$target")
    echo "== $target: ${seconds}s"
    if ! "$build/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" "${seeds[@]}"; then
        echo "== $target: FAILED (see $build/artifacts/)"
        status=1
    fi
done < "$build/fuzz-targets.txt"
exit $status

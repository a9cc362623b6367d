#!/usr/bin/env bash
# Builds Tipsmith and runs every test through CTest.
#   ./test.sh              the normal build, in build/
#   ./test.sh --sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIPSMITH_BUILD_TESTS=ON -DTIPSMITH_BUILD_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags=(-DCMAKE_BUILD_TYPE=Debug -DTIPSMITH_SANITIZE=ON -DTIPSMITH_BUILD_TESTS=ON)
fi

jobs=$(nproc)
cmake -S . -B "$build" "${flags[@]}"
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs"

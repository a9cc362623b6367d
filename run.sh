#!/usr/bin/env bash
# Installs what is missing, builds Tipsmith and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --runtime
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIPSMITH_BUILD_TESTS=OFF -DTIPSMITH_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)" --target tipsmith
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Tipsmith on a virtual one (xvfb-run)."
    exec xvfb-run -a build/bin/tipsmith
fi
exec build/bin/tipsmith

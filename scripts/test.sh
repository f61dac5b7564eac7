#!/usr/bin/env bash
# Sets up, builds (Debug, so framework assertions are live) and runs every test through ctest,
# under a virtual X server so the window tests have a display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Debug -DKEYSTEAD_BUILD_BENCHMARKS=OFF
cmake --build "$root/build" -j "$(nproc)"

cd "$root/build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)"

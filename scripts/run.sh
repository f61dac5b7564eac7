#!/usr/bin/env bash
# Sets up, builds (Release) and starts Keystead. Without a display it runs under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DKEYSTEAD_BUILD_TESTS=OFF
cmake --build "$root/build-release" --target Keystead -j "$(nproc)"

program="$(find "$root/build-release" -type f -name Keystead -perm -u+x | head -n 1)"
if [ -n "${DISPLAY:-}" ]; then
    exec "$program"
else
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
fi

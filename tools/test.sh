#!/bin/sh
# Installs what is missing, then builds and runs every test twice: in the optimised build
# and under AddressSanitizer + UndefinedBehaviorSanitizer.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/tools/install-deps.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
for preset in release asan; do
    echo "=== $preset build ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

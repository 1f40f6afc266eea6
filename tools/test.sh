#!/bin/sh
# Installs what is missing, checks that every C++ file is formatted, then builds and runs every
# test twice: in the optimised build and under AddressSanitizer + UndefinedBehaviorSanitizer.
# Then builds the Debian package, which runs the tests a third time with a packager's flags,
# and checks the package.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/tools/install-deps.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

echo "=== format (clang-format) ==="
sh "$root/tools/check-format.sh"
echo "every C++ file is formatted"

for preset in release asan; do
    echo "=== $preset build ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

# --- The Debian package ------------------------------------------------------------------
# Built as a distribution builds it (Release with dpkg-buildflags' hardening flags; the
# tests run again in that build, warnings are errors), then checked with lintian,
# desktop-file-validate and appstreamcli, and unpacked and played by an end-to-end test.
sh "$root/tools/package.sh"

#!/bin/sh
# Installs what is missing, checks that every C++ file is formatted and that SDL and every
# folder keep to their rooms, then builds and runs every test in the optimised build (gcc), runs
# the README's commands on that build, checks the game's sources with clang-tidy and its static
# analyser, runs every test again under AddressSanitizer + UndefinedBehaviorSanitizer in a build
# made with clang (so two compilers see the code), and the audio tests under ThreadSanitizer.
# Builds the browser build and runs its tests under node and in headless Chromium. Then builds
# the Debian package, which runs the tests once more with a packager's flags, checks the package
# and installs it as the README says (apt simulates it; for real only as root with
# GUMBOLT_TEST_SYSTEM_INSTALL=1, and removes it again).
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/tools/install-deps.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

echo "=== format (clang-format) ==="
sh "$root/tools/check-format.sh"
echo "every C++ file is formatted"

echo "=== rooms (SDL only in the SDL room, every folder only on the ones below it) ==="
sh "$root/tools/check-layers.sh"

run_preset() {
    echo "=== $1 build ==="
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$1"
}

run_preset release

# The README's commands as a reader types them: the first one (tools/play.sh) from the root
# and from another directory on a virtual X server, the CMake installs, tools/measure.sh and
# the benchmarks (tests/e2e/readme_commands.py lists which command runs where).
echo "=== the README's commands ==="
python3 "$root/tests/e2e/readme_commands.py" run build

echo "=== clang-tidy (the game's sources, on the release build's compile database) ==="
sh "$root/tools/run-clang-tidy.sh" "$root/build/release"
echo "clang-tidy: no findings"

# Built with clang: its warnings and its sanitisers as well as gcc's.
run_preset asan
# The mixer shares a lock with SDL's audio thread: its tests under ThreadSanitizer (the build
# holds only the services and audio libraries and the audio tests).
run_preset tsan

# --- The browser build --------------------------------------------------------------------
# The libraries built for WebAssembly (cached outside the tree, so only the first run pays for
# them), the unit suites compiled by emscripten and run under node, the game and its page, and
# the game played in headless Chromium.
echo "=== web build ==="
sh "$root/tools/web/install-deps.sh"
GUMBOLT_WEB_LIBS="$(sh "$root/tools/web/build-libs.sh")"
export GUMBOLT_WEB_LIBS
run_preset web
echo "=== the README's browser command ==="
python3 "$root/tests/e2e/readme_commands.py" run web

# --- The Debian package ------------------------------------------------------------------
# Built as a distribution builds it (Release with dpkg-buildflags' hardening flags; the
# tests run again in that build, warnings are errors), then checked with lintian,
# desktop-file-validate and appstreamcli, and unpacked and played by an end-to-end test.
sh "$root/tools/package.sh"
echo "=== the README's install of the package ==="
python3 "$root/tests/e2e/readme_commands.py" run package

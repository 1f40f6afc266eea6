#!/bin/sh
# Runs clang-tidy (Debian 12: clang-tidy 14) with the checks of .clang-tidy over the game's own
# sources, two files at a time, on the compile database of a configured build (the release
# build by default). Any finding fails.
#
# Usage: tools/run-clang-tidy.sh [build-directory]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
if [ ! -f "$build/compile_commands.json" ]; then
    echo "no compile database in $build: configure it first (cmake --preset release)" >&2
    exit 1
fi
# The generated media table must exist for the files that include it.
cmake --build "$build" --target gumbolt_media >/dev/null
folders="core|services|sdl|values|effects|playfield|audio|hiscores|game"
# The database is gcc's: clang does not know gcc's own warnings (-Wlogical-op and the like).
run-clang-tidy -quiet -j 2 -extra-arg=-Wno-unknown-warning-option -p "$build" \
    "^$root/($folders)/[^/]*\.cpp\$"

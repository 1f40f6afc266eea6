#!/bin/sh
# Installs what is missing, builds Gumbolt and starts it, passing on any arguments
# (sh tools/play.sh --help prints the game's help). Works from any directory: the game runs
# in the directory this is run from and keeps gb.dat (the high scores) there.
#
# The installer's and the build's messages go to standard error, so that standard output is
# the game's alone.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
game="$root/build/release/game/gumbolt"

"$root/tools/install-deps.sh" >&2
# cmake reads the presets of its working directory: configure and build from the root, in a
# subshell, so that the game below still starts where this script was run.
(cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release --target gumbolt) >&2
exec "$game" "$@"

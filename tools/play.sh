#!/bin/sh
# Installs what is missing, builds Gumbolt and starts it. gb.dat (the high scores) is kept
# in the directory this is run from.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
cmake --preset release -S "$root" >/dev/null
cmake --build --preset release --target gumbolt
exec "$root/build/release/gumbolt"

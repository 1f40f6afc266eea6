#!/bin/sh
# The game in the browser: installs what is missing, builds the libraries for WebAssembly into
# a cache outside the tree (once per library version), builds the game and its page into
# build/web/site, and serves that folder on http://127.0.0.1:8000/ until stopped.
#
#   sh tools/web.sh                 build and serve (GUMBOLT_WEB_PORT picks another port)
#   sh tools/web.sh --build-only    build the site and stop
#
# build/web/site is a static site: copy it to any web host as it is.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
serve=1
case "${1:-}" in
    --build-only) serve="" ;;
    "") ;;
    *) echo "usage: sh tools/web.sh [--build-only]" >&2; exit 2 ;;
esac

sh "$root/tools/web/install-deps.sh"
GUMBOLT_WEB_LIBS="$(sh "$root/tools/web/build-libs.sh")"
export GUMBOLT_WEB_LIBS
cmake --preset web >/dev/null
cmake --build --preset web --target gumbolt_site
site="$root/build/web/site"
echo "web: the site is in $site"
[ -n "$serve" ] || exit 0

port="${GUMBOLT_WEB_PORT:-8000}"
echo "web: serving on http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 "$root/tools/web/serve.py" "$site" "$port"

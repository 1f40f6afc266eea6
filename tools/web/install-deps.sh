#!/bin/sh
# Installs the Debian packages the browser build and its tests need (the compiler, a browser
# for the end-to-end test, node and its WebSocket client), and a deb-src entry so that
# `apt-get source` can fetch the libraries' sources. Quiet when everything is already there.
set -e

PACKAGES="emscripten nodejs node-ws node-acorn chromium python3 ninja-build cmake pkg-config
dpkg-dev googletest binaryen"

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# The sources come from the same archive the system installs from: each deb entry gets a
# deb-src twin in a file of our own.
if ! apt-cache showsrc libsdl2 2>/dev/null | grep -q '^Version:'; then
    dir=/etc/apt/sources.list.d
    tmp="$(mktemp -d)"
    for f in "$dir"/*.sources; do
        [ -f "$f" ] && [ "$f" != "$dir/gumbolt-deb-src.sources" ] || continue
        # deb822 stanzas of type deb, again as deb-src.
        awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[^\n]*[ \t]deb([ \t]|\n|$)/ {
                 sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$tmp/sources"
    done
    for f in /etc/apt/sources.list "$dir"/*.list; do
        [ -f "$f" ] && [ "$f" != "$dir/gumbolt-deb-src.list" ] || continue
        sed -n 's/^deb[ \t]/deb-src /p' "$f" >>"$tmp/list"
    done
    if [ ! -s "$tmp/sources" ] && [ ! -s "$tmp/list" ]; then
        rm -rf "$tmp"
        echo "web: no deb entry in /etc/apt to make a deb-src entry from" >&2
        exit 1
    fi
    for kind in sources list; do
        if [ -s "$tmp/$kind" ]; then
            echo "Adding deb-src entries: $dir/gumbolt-deb-src.$kind"
            $SUDO install -m 644 "$tmp/$kind" "$dir/gumbolt-deb-src.$kind"
        fi
    done
    rm -rf "$tmp"
    $SUDO apt-get update -qq
fi

# shellcheck disable=SC2086
exec sh "$(dirname "$0")/../install-deps.sh" $PACKAGES

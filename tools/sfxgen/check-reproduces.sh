#!/bin/sh
# Checks that the committed sound effects and music modules are exactly what
# the generator writes today.
#
#   check-reproduces.sh SFXGEN_BINARY MEDIA_SFX_DIR
#
# Runs the generator into a temporary folder and compares every file it
# writes, byte for byte, with the file of the same name in MEDIA_SFX_DIR.
# Exit status 0 when all match; 1 with a message per differing or missing
# file; 2 on a usage error or when the generator fails.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 SFXGEN_BINARY MEDIA_SFX_DIR" >&2
    exit 2
fi
gen=$1
committed=$2
if [ ! -x "$gen" ]; then
    echo "check-reproduces: generator '$gen' is not an executable" >&2
    exit 2
fi
if [ ! -d "$committed" ]; then
    echo "check-reproduces: '$committed' is not a folder" >&2
    exit 2
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/sfxgen-check.XXXXXX") || exit 2
trap 'rm -rf "$tmp"' EXIT INT TERM

if ! "$gen" "$tmp" >"$tmp.log" 2>&1; then
    echo "check-reproduces: the generator failed:" >&2
    cat "$tmp.log" >&2
    rm -f "$tmp.log"
    exit 2
fi
rm -f "$tmp.log"

status=0
count=0
for made in "$tmp"/*; do
    [ -f "$made" ] || continue
    name=$(basename "$made")
    count=$((count + 1))
    if [ ! -f "$committed/$name" ]; then
        echo "MISSING  $committed/$name (the generator writes it; run the generator and commit it)"
        status=1
    elif ! cmp -s "$made" "$committed/$name"; then
        echo "DIFFERS  $committed/$name ($(wc -c <"$committed/$name") bytes committed," \
             "$(wc -c <"$made") bytes generated; regenerate and commit)"
        status=1
    fi
done
if [ "$count" -eq 0 ]; then
    echo "check-reproduces: the generator wrote no files" >&2
    exit 2
fi
if [ "$status" -eq 0 ]; then
    echo "all $count generated files match $committed"
fi
exit $status

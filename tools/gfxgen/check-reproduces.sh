#!/bin/sh
# Checks that the committed pictures are exactly what the generator makes.
# usage: check-reproduces.sh GFXGEN_BINARY MEDIA_GFX_DIR [ICONS_DIR]
set -u
if [ $# -ne 2 ] && [ $# -ne 3 ]; then
    echo "usage: $0 GFXGEN_BINARY MEDIA_GFX_DIR [ICONS_DIR]" >&2
    exit 2
fi
gen=$1
committed=$2
icons=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

if ! "$gen" "$tmp"; then
    echo "gfxgen failed; the pictures were not checked" >&2
    exit 1
fi

# Every picture of the game's catalogue must be made and committed.
expected="fruits.png backTile.png blockList.png gumbolt.png exit.png norvane.png gameover.png keys.png
lettersSmall.png level.png levelup.png lines.png quillon.png nextBlock.png numbers.png paused.png pipes.png
player.png pump.png score.png start.png Title.png yingyang.png fmod.png vantrel.png"

status=0
for name in $expected; do
    if [ ! -f "$tmp/$name" ]; then
        echo "gfxgen did not make $name" >&2
        status=1
    elif [ ! -f "$committed/$name" ]; then
        echo "missing from $committed: $name (run gfxgen $committed)" >&2
        status=1
    elif ! cmp -s "$tmp/$name" "$committed/$name"; then
        echo "differs from the generator's output: $committed/$name (run gfxgen $committed and commit the result)" >&2
        status=1
    fi
done
for path in "$committed"/*.png; do
    [ -e "$path" ] || continue
    name=$(basename "$path")
    case " $(echo $expected) " in
        *" $name "*) ;;
        *) echo "not made by the generator: $committed/$name" >&2; status=1 ;;
    esac
done

# The desktop icons, one file per installed size.
if [ -n "$icons" ]; then
    mkdir "$tmp/icons"
    if ! "$gen" --icons "$tmp/icons"; then
        echo "gfxgen --icons failed" >&2
        status=1
    fi
    for path in "$tmp"/icons/*.png; do
        name=$(basename "$path")
        if ! cmp -s "$path" "$icons/$name"; then
            echo "differs from the generator's output or missing: $icons/$name (run gfxgen --icons $icons)" >&2
            status=1
        fi
    done
    for path in "$icons"/*.png; do
        [ -e "$tmp/icons/$(basename "$path")" ] || { echo "not made by the generator: $path" >&2; status=1; }
    done
fi
if [ $status -eq 0 ]; then
    echo "all $(echo $expected | wc -w) pictures${icons:+ and the icons} reproduce byte for byte"
fi
exit $status

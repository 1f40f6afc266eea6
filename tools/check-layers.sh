#!/bin/sh
# Checks the rooms of the source tree: SDL's headers are included only in the SDL room (sdl/,
# the browser build's main in web/, and their tests) and in the one audio file that opens SDL's
# audio device, each folder of the game includes only the folders below it (see README, "How it
# is built"), and the media generators share the letter advances and nothing else of the game.
# Prints every include that breaks a rule and fails when there is one.
#
# Usage: tools/check-layers.sh
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# Every include line of the game's C++ files and the generators', as "file:line:text".
grep -rn --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include' \
    core services sdl values effects playfield audio hiscores game web tests benchmarks tools |
    awk -F: '
    BEGIN {
        # The folders each folder of the game builds on (itself included).
        below["values"] = " values "
        below["core"] = " core "
        below["services"] = " core services "
        below["sdl"] = " core services sdl "
        below["effects"] = " core services values effects "
        below["playfield"] = " core services values effects playfield "
        below["audio"] = " core audio "
        below["hiscores"] = " core hiscores "
        below["game"] = " core services values effects playfield audio hiscores game "
        # web/ holds the main of the browser build: like game/main.cpp it makes the devices.
        below["web"] = below["game"] "sdl web "
        failed = 0
    }
    {
        file = $1
        text = $0
        sub(/^[^:]*:[^:]*:/, "", text)
        split(file, parts, "/")
        folder = parts[1]
        generator = file ~ /^tools\/(gfxgen|sfxgen)\//
        if (text ~ /include[[:space:]]*<SDL/ && !generator &&
            !(file ~ /^(sdl|web|tests\/sdl)\// || file == "audio/TMixerLibrary.cpp")) {
            print "SDL outside its room: " $1 ":" $2 ": " text
            failed = 1
        }
        if (!match(text, /"[^"\/]*\//)) {
            next
        }
        used = substr(text, RSTART + 1, RLENGTH - 2)
        if (folder in below) {
            allowed = below[folder]
            # main makes the platform devices: it alone of the game knows the SDL room.
            if (file == "game/main.cpp") {
                allowed = allowed "sdl "
            }
            if (index(allowed, " " used " ") == 0) {
                print file " includes " used "/, which " folder "/ does not build on"
                failed = 1
            }
        } else if (generator && (used in below) && text !~ /"core\/LetterAdvance\.h"/) {
            print "a generator includes the game: " $1 ":" $2 ": " text
            failed = 1
        }
    }
    END {
        if (failed) {
            exit 1
        }
        print "every include keeps to its room"
    }'

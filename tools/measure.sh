#!/bin/sh
# Measures the real game under a virtual X server, as a player's desktop would run it:
#   start-up   process start to the first presented title frame (a run that ends itself
#              after that frame: start-up + one frame + saving the table on the way out)
#   idle CPU   share of one core used while the title screen shows for 10 seconds
#   memory     peak resident memory of that run
# Usage: tools/measure.sh [path/to/gumbolt]   (default: build/release/game/gumbolt)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
game="$(realpath "${1:-$root/build/release/game/gumbolt}")"
work="$(mktemp -d)"
display=":$(shuf -i 150-199 -n 1)"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
cd "$work"
export DISPLAY="$display" SDL_AUDIODRIVER=dummy

best=999999
for i in 1 2 3 4 5; do
    start=$(date +%s%N)
    GUMBOLT_QUIT_AFTER_FRAMES=1 "$game" >/dev/null
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    [ "$ms" -lt "$best" ] && best=$ms
done
echo "start-up to first title frame: ${best} ms (best of 5)"

GUMBOLT_QUIT_AFTER_FRAMES=600 /usr/bin/time -f "%e %U %S %M" -o times "$game" >/dev/null
read -r wall user sys rss < times
echo "title screen for 600 frames: ${wall} s wall, CPU $(echo "($user + $sys) * 100 / $wall" | bc -l | cut -c1-5)% of one core"
echo "peak resident memory: $(( rss / 1024 )) MiB"

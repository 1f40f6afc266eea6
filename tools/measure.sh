#!/bin/sh
# Measures the real game the way a desktop runs it: on a virtual X server at 800 x 600 with a
# small window manager (openbox), SDL's software renderer (there is no graphics device), and
# sound through SDL's dummy audio driver (the modules are loaded and mixed as in a real start,
# only nothing is heard). Each run starts the game afresh in an empty directory and takes:
#   painted     process start to the first frame that reaches the screen
#   title       process start to the first frame of the title screen
#   title CPU   share of one core the game uses while the title screen shows
#   play CPU    the same while a game plays with no input (a letter and Enter are typed with
#               xdotool to get there; the first piece falls on its own)
#   memory      peak resident memory of the whole run
# The start-up times are watched from outside (tools/measure/FrameWatch.cpp polls two points
# of the screen every millisecond); CPU is the game's user + system time over the window.
#
# Usage: tools/measure.sh [path/to/gumbolt]   (default: build/release/game/gumbolt)
# MEASURE_RUNS (default 5) runs; MEASURE_SECONDS (default 15) seconds per CPU window.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
game="$(realpath "${1:-$root/build/release/game/gumbolt}")"
runs="${MEASURE_RUNS:-5}"
seconds="${MEASURE_SECONDS:-15}"
work="$(mktemp -d)"
display=":$(shuf -i 150-199 -n 1)"
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

c++ -std=c++20 -O2 -o "$work/frame-watch" "$root/tools/measure/FrameWatch.cpp" -lX11
watch="$work/frame-watch"

# A white root window, so that the game's first (black) frame is seen when it arrives.
Xvfb "$display" -screen 0 800x600x24 -wr -nolisten tcp >/dev/null 2>&1 &
pids="$!"
export DISPLAY="$display"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox >/dev/null 2>&1 &
pids="$pids $!"
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done
sleep 0.5

export SDL_AUDIODRIVER=dummy
ticks_per_second="$(getconf CLK_TCK)"

# User + system CPU ticks of a process so far, all its threads included.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}
# Share of one core a process uses over the next $seconds seconds, in percent.
cpu_share() {
    before="$(cpu_ticks "$1")"
    sleep "$seconds"
    after="$(cpu_ticks "$1")"
    echo "($after - $before) * 100 / ($seconds * $ticks_per_second)" | bc -l
}
# The line of the watcher's output that starts with $1, its value.
watched() {
    sed -n "s/^$1 //p" "$2"
}

: >"$work/results"
for run in $(seq "$runs"); do
    mkdir "$work/run$run"
    cd "$work/run$run"
    out="$work/run$run/watch"
    "$watch" 400 200 30 380 10000 -- "$game" >"$out" 2>"$work/run$run/errors" &
    watcher=$!
    while [ -z "$(watched title "$out")" ]; do
        if ! kill -0 "$watcher" 2>/dev/null; then
            echo "run $run: the title screen never showed" >&2
            cat "$work/run$run/errors" >&2
            exit 1
        fi
        sleep 0.05
    done
    pid="$(watched pid "$out")"
    sleep 2
    title_cpu="$(cpu_share "$pid")"

    title_pixel="$("$watch" pixel 400 200)"
    xdotool key a
    sleep 0.5
    xdotool key Return
    sleep 2
    if [ "$("$watch" pixel 400 200)" = "$title_pixel" ]; then
        echo "run $run: the game did not start playing" >&2
        exit 1
    fi
    play_cpu="$(cpu_share "$pid")"

    kill -TERM "$pid"
    wait "$watcher"
    memory="$(watched maxrss "$out")"
    printf '%s %s %.2f %.2f %s\n' "$(watched painted "$out")" "$(watched title "$out")" \
        "$title_cpu" "$play_cpu" "$memory" >>"$work/results"
    printf 'run %s: painted %s ms, title %s ms, title CPU %.2f%%, play CPU %.2f%%, peak %s KiB\n' \
        "$run" "$(watched painted "$out")" "$(watched title "$out")" "$title_cpu" "$play_cpu" \
        "$memory"
done

# The median and the best (lowest) of one column of the results.
median() {
    sort -g -k"$1","$1" "$work/results" | awk -v c="$1" '{ v[NR] = $c }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
best() {
    sort -g -k"$1","$1" "$work/results" | awk -v c="$1" 'NR == 1 { print $c }'
}
echo
echo "Gumbolt under Xvfb 800 x 600 with openbox, software renderer, dummy audio; $runs runs"
echo "(median, best in brackets; CPU over ${seconds} s windows):"
printf '  start-up to the first painted frame   %6s ms (%s)     target 120 ms\n' "$(median 1)" "$(best 1)"
printf '  start-up to the first title frame     %6s ms (%s)     target 250 ms\n' "$(median 2)" "$(best 2)"
printf '  CPU while the title shows             %6s %% (%s)      target 4%%\n' "$(median 3)" "$(best 3)"
printf '  CPU while a game plays, no input      %6s %% (%s)      target 5%%\n' "$(median 4)" "$(best 4)"
printf '  peak resident memory with sound       %6s MiB (%s)    target 32 MiB\n' \
    "$(echo "$(median 5) / 1024" | bc -l | cut -c1-5)" "$(echo "$(best 5) / 1024" | bc -l | cut -c1-5)"

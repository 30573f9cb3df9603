#!/usr/bin/env bash
# What the player costs the machine, idle and playing, under a private Xvfb
# display and a PulseAudio null sink (no display or sound card needed).
#
#   bench/cpu_idle_and_playing.sh [PROGRAM] [SECONDS]
#
# PROGRAM defaults to build/bin/ravelle, SECONDS (each measuring window) to 20.
# The player starts with a one-entry playlist: a 44.1 kHz stereo MP3 made
# with lame, SECONDS + 10 s long so one track covers the whole window.
#
#   idle     the window open and nothing playing; both text strips scroll
#            every 50 ms. Measured from 2 s after the window appears.
#   playing  from 1 s after a click on Play (the stream is then running).
#
# For each window it prints the player's CPU as % of one core, from the run
# time the kernel accounts to each of its threads (nanoseconds, from
# /proc/PID/task/*/schedstat; the tick-based utime+stime of /proc/PID/stat
# beside it as a check), and its wake-ups per second: voluntary plus
# involuntary context switches summed over its threads (the main thread's
# alone beside it). The X server's and the sound server's CPU over the same
# window are printed too: repainting more than what moves costs the X server,
# not the player. Threads that start and end inside a window are not counted,
# so the playing figure is a lower bound by what such short threads used.
#
# With PROFILE=1 it also records where the idle time goes with
# `perf record -g` over the idle window and prints the top of the report.
# Figures only: nothing passes or fails on them.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:-$here/../build/bin/ravelle}")
seconds=${2:-20}
# shellcheck source=../scripts/headless_session.sh
source "$here/../scripts/headless_session.sh"

session_require xdotool lame sox
[ -x "$program" ] || fail "no player program at '$program'"
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT

# Run time of all threads of $1 in nanoseconds, its tick-based CPU time in
# clock ticks, and the context switches of all threads and of the main one.
sample() {
    local pid=$1 run=0 ticks switches=0 main_switches t v n
    for t in /proc/"$pid"/task/*; do
        read -r v _ 2>/dev/null <"$t/schedstat" && run=$((run + v))
        n=$(awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s + 0 }' "$t/status" 2>/dev/null)
        switches=$((switches + ${n:-0}))
    done
    ticks=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' /proc/"$pid"/stat)
    main_switches=$(awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s + 0 }' /proc/"$pid"/status)
    echo "$run $ticks $switches $main_switches"
}

# One line per thread of $1: id, name, run time in ns, context switches.
threads() {
    local t name run n
    for t in /proc/"$1"/task/*; do
        read -r run _ 2>/dev/null <"$t/schedstat" || continue
        name=$(tr ' ' _ <"$t/comm")
        n=$(awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s + 0 }' "$t/status" 2>/dev/null)
        echo "${t##*/} $name $run ${n:-0}"
    done
}

# The player's threads that ran in the window, busiest first.
thread_lines() {
    awk -v wall="$3" 'NR == FNR { run[$1] = $3; sw[$1] = $4; next }
        ($1 in run) && ($3 > run[$1] || $4 > sw[$1]) {
            printf "           thread %-16s CPU %6.3f%%  wake-ups %7.1f/s\n",
                $2, ($3 - run[$1]) / wall * 100, ($4 - sw[$1]) / (wall / 1e9) }' "$1" "$2" |
        sort -k4 -rn
}

# Measures every process in "name=pid" pairs over $seconds and prints a line
# for each, and for the player one for each of its threads.
measure() {
    local label=$1
    shift
    local pair pid before=() after=() i=0 start end
    start=$(date +%s%N)
    threads "$player" >"$session_dir/threads.before"
    for pair in "$@"; do before+=("$(sample "${pair#*=}")"); done
    sleep "$seconds"
    for pair in "$@"; do after+=("$(sample "${pair#*=}")"); done
    threads "$player" >"$session_dir/threads.after"
    end=$(date +%s%N)
    for pair in "$@"; do
        awk -v label="$label" -v name="${pair%%=*}" -v b="${before[i]}" -v a="${after[i]}" \
            -v wall=$((end - start)) -v hz="$(getconf CLK_TCK)" 'BEGIN {
                split(b, x); split(a, y); w = wall / 1e9
                printf "%-8s %-11s CPU %6.3f%% of a core (ticks: %5.2f%%)  wake-ups %7.1f/s (main thread %6.1f/s)\n",
                    label, name, (y[1] - x[1]) / wall * 100, (y[2] - x[2]) / hz / w * 100,
                    (y[3] - x[3]) / w, (y[4] - x[4]) / w }'
        [ "${pair#*=}" = "$player" ] &&
            thread_lines "$session_dir/threads.before" "$session_dir/threads.after" $((end - start))
        i=$((i + 1))
    done
}

track="$session_dir/bench $((seconds + 10))s.mp3"
sox -n -r 44100 -c 2 -b 16 "$session_dir/track.wav" synth "$((seconds + 10))" sine 440 vol 0.5 ||
    fail "sox could not make the test track"
lame --quiet -b 192 "$session_dir/track.wav" "$track" || fail "lame could not encode the test track"
printf '[0]\nvalue=%s\n\n[num]\nvalue=1\n' "$track" >"$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini"

"$program" >"$logs/ravelle.log" 2>&1 &
player=$!
session_track "$player"
window=$(session_find_window) || fail "no window named 'ravelle' appeared within 15 s: $(tail -3 "$logs/ravelle.log")"
sleep 2

echo "ravelle $program, $(nproc) cores, ${seconds} s windows"
if [ "${PROFILE:-0}" = 1 ]; then
    perf record -g -o "$session_dir/idle.perf" -p "$player" -- sleep "$seconds" 2>"$logs/perf.log" &
    profiler=$!
    session_track "$profiler"
fi
measure idle ravelle="$player" Xvfb="$session_xvfb"
if [ "${PROFILE:-0}" = 1 ]; then
    wait_exit "$profiler" 10 || fail "perf record did not finish"
    perf report -i "$session_dir/idle.perf" --no-children --stdio --percent-limit 1.5 2>/dev/null |
        grep -v '^$' | head -120
fi

# Play "播放" at (5, 88), 41 x 17 in the window: click its centre.
xdotool mousemove --window "$window" 25 96 click 1 || fail "xdotool could not click Play"
wait_for 5 bash -c 'pactl list short sink-inputs | grep -q .' ||
    fail "no stream reached the sound server within 5 s of the click on Play"
sleep 1
measure playing ravelle="$player" Xvfb="$session_xvfb" pulseaudio="$session_pulse"
echo "threads while playing: $(find /proc/"$player"/task -mindepth 1 -maxdepth 1 | wc -l)"

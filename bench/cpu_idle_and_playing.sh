#!/usr/bin/env bash
# What the player costs the machine, idle and playing, beside what the least
# a ticking window costs and what another player costs, under a private Xvfb
# display and a PulseAudio null sink (no display or sound card needed).
#
#   bench/cpu_idle_and_playing.sh [PROGRAM] [SECONDS] [ROUNDS]
#
# PROGRAM defaults to build/bin/ravelle, SECONDS (each measuring window) to
# 60, ROUNDS (windows of each kind) to 3. The player starts with a one-entry
# playlist: a 44.1 kHz stereo MP3 made with lame, long enough that one track
# covers every playing window.
#
#   idle     the window open and nothing playing; both text strips scroll
#            every 50 ms. Beside it, in the same windows, the floor: a bare
#            Qt window whose 50 ms timer does nothing (bench_idle_floor,
#            built beside the player; FLOOR=PATH names another). With
#            BESIDE=PATH, another build of the player idles beside it too, its
#            window moved aside: two builds measured over the same windows,
#            for changes worth a few hundredths of a core, which the drift
#            between one run and the next hides (run it again with the two
#            swapped: the order they start in may weigh).
#   playing  from 1 s after a click on Play (the stream is then running).
#            Beside it, in the same windows, Audacious playing the same file
#            with its window shown, when Audacious is installed.
#
# A process's CPU is the time the kernel accounts to it, all its threads and
# those that have ended included (utime + stime of /proc/PID/stat), over a
# fixed stretch of wall time, as % of one core. Counting the process's own
# time, not the wall clock's, keeps the figure steady while other work loads
# the machine; the median of the rounds is the figure to quote. Beside it:
# the run time of its live threads in nanoseconds (/proc/PID/task/*/schedstat,
# finer than the 10 ms ticks) and its wake-ups per second (context switches
# of all its threads). The X server's and the sound server's CPU are printed
# too: repainting more than what moves costs the X server, not the player.
#
# With PROFILE=1 it also records where the player's idle time goes with
# `perf record -g` over the first idle window and prints the top of the
# report. Figures only: nothing passes or fails on them.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:-$here/../build/bin/ravelle}")
seconds=${2:-60}
rounds=${3:-3}
floor=${FLOOR:-$(dirname "$program")/bench_idle_floor}
# shellcheck source=../scripts/headless_session.sh
source "$here/../scripts/headless_session.sh"

session_require xdotool lame sox
[ -x "$program" ] || fail "no player program at '$program'"
[ -x "$floor" ] || fail "no floor program at '$floor' (it is built with the benchmarks)"
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT

# CPU time of $1 in clock ticks (all threads, ended ones included), run time
# of its live threads in nanoseconds, and the context switches of its live
# threads.
sample() {
    local pid=$1 run=0 ticks switches=0 t v n
    for t in /proc/"$pid"/task/*; do
        read -r v _ 2>/dev/null <"$t/schedstat" && run=$((run + v))
        n=$(awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s + 0 }' "$t/status" 2>/dev/null)
        switches=$((switches + ${n:-0}))
    done
    ticks=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' /proc/"$pid"/stat)
    echo "$ticks $run $switches"
}

# Measures every process in "name=pid" pairs over the same $seconds and
# prints a line for each; appends "label name cpu%" to $session_dir/figures.
measure() {
    local label=$1
    shift
    local pair before=() after=() i=0 start end
    start=$(date +%s%N)
    for pair in "$@"; do before+=("$(sample "${pair#*=}")"); done
    sleep "$seconds"
    for pair in "$@"; do after+=("$(sample "${pair#*=}")"); done
    end=$(date +%s%N)
    for pair in "$@"; do
        awk -v label="$label" -v name="${pair%%=*}" -v b="${before[i]}" -v a="${after[i]}" \
            -v wall=$((end - start)) -v hz="$(getconf CLK_TCK)" -v figures="$session_dir/figures" '
            BEGIN {
                split(b, x); split(a, y); w = wall / 1e9
                cpu = (y[1] - x[1]) / hz / w * 100
                printf "%-8s %-11s CPU %6.3f%% of a core (threads %6.3f%%)  wake-ups %7.1f/s\n",
                    label, name, cpu, (y[2] - x[2]) / wall * 100, (y[3] - x[3]) / w
                printf "%s %s %.4f\n", label, name, cpu >>figures }'
        i=$((i + 1))
    done
}

# The median of the figures of one label and name.
median() {
    awk -v label="$1" -v name="$2" '$1 == label && $2 == name { print $3 }' "$session_dir/figures" |
        sort -g | awk '{ v[n++] = $1 } END { if (n) printf "%.3f", n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2 }'
}

track="$session_dir/bench $((rounds * seconds + 30))s.mp3"
sox -n -r 44100 -c 2 -b 16 "$session_dir/track.wav" synth "$((rounds * seconds + 30))" sine 440 vol 0.5 ||
    fail "sox could not make the test track"
lame --quiet -b 192 "$session_dir/track.wav" "$track" || fail "lame could not encode the test track"
rm -f "$session_dir/track.wav"
printf '[0]\nvalue=%s\n\n[num]\nvalue=1\n' "$track" >"$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini"

"$program" >"$logs/ravelle.log" 2>&1 &
player=$!
session_track "$player"
window=$(session_find_window) || fail "no window named 'ravelle' appeared within 15 s: $(tail -3 "$logs/ravelle.log")"
"$floor" >"$logs/floor.log" 2>&1 &
floor_pid=$!
session_track "$floor_pid"
timeout 15 xdotool search --sync --onlyvisible --name '^ravelle-floor$' >/dev/null 2>&1 ||
    fail "the floor's window did not appear within 15 s: $(tail -3 "$logs/floor.log")"
beside=()
if [ -n "${BESIDE:-}" ]; then
    # No session bus here: the second copy runs a window of its own.
    "$BESIDE" >"$logs/beside.log" 2>&1 &
    beside_pid=$!
    session_track "$beside_pid"
    wait_for 15 bash -c '[ "$(xdotool search --onlyvisible --name "^ravelle\$" | wc -l)" -ge 2 ]' ||
        fail "BESIDE showed no window: $(tail -3 "$logs/beside.log")"
    for other in $(xdotool search --onlyvisible --name '^ravelle$'); do
        [ "$other" = "$window" ] || xdotool windowmove "$other" 300 0
    done
    beside=(beside="$beside_pid")
    echo "beside $(realpath "$BESIDE")"
fi
sleep 2

echo "ravelle $program, $(nproc) cores, $rounds rounds of $seconds s"
for ((round = 1; round <= rounds; round++)); do
    if [ "${PROFILE:-0}" = 1 ] && [ "$round" = 1 ]; then
        perf record -g -o "$session_dir/idle.perf" -p "$player" -- sleep "$seconds" 2>"$logs/perf.log" &
        profiler=$!
        session_track "$profiler"
    fi
    measure idle ravelle="$player" "${beside[@]}" floor="$floor_pid" Xvfb="$session_xvfb"
    if [ "${PROFILE:-0}" = 1 ] && [ "$round" = 1 ]; then
        wait_exit "$profiler" 10 || fail "perf record did not finish"
        perf report -i "$session_dir/idle.perf" --no-children --stdio --percent-limit 1.5 2>/dev/null |
            grep -v '^$' | head -120
    fi
done
kill -TERM "$floor_pid" ${beside_pid:-} 2>/dev/null
wait "$floor_pid" ${beside_pid:-} 2>/dev/null

# Play "播放" at (5, 88), 41 x 17 in the window: click its centre. Before
# any other window can cover it.
xdotool mousemove --window "$window" 25 96 click 1 || fail "xdotool could not click Play"
wait_for 5 bash -c 'pactl list short sink-inputs | grep -q .' ||
    fail "no stream reached the sound server within 5 s of the click on Play"
others=()
if command -v audacious >/dev/null; then
    # With its own configuration (HOME is the session's), it opens the file
    # and starts playing it.
    audacious "$track" >"$logs/audacious.log" 2>&1 &
    audacious_pid=$!
    session_track "$audacious_pid"
    wait_for 15 bash -c '[ "$(pactl list short sink-inputs | wc -l)" -ge 2 ]' ||
        fail "Audacious sent no stream to the sound server within 15 s: $(tail -3 "$logs/audacious.log")"
    others=(audacious="$audacious_pid")
else
    echo "Audacious is not installed: the playing figures have no other player beside them"
fi
sleep 1
for ((round = 1; round <= rounds; round++)); do
    measure playing ravelle="$player" "${others[@]}" Xvfb="$session_xvfb" pulseaudio="$session_pulse"
done
echo "threads while playing: $(find /proc/"$player"/task -mindepth 1 -maxdepth 1 | wc -l)"

idle=$(median idle ravelle) idle_floor=$(median idle floor)
echo "median idle:    ravelle $idle%  floor $idle_floor%  difference $(awk -v a="$idle" -v b="$idle_floor" 'BEGIN { printf "%+.3f", a - b }')% of a core"
if [ ${#beside[@]} -gt 0 ]; then
    idle_beside=$(median idle beside)
    echo "median idle:    beside $idle_beside%  difference from ravelle $(awk -v a="$idle_beside" -v b="$idle" 'BEGIN { printf "%+.3f", a - b }')% of a core"
fi
if [ ${#others[@]} -gt 0 ]; then
    playing=$(median playing ravelle) playing_other=$(median playing audacious)
    echo "median playing: ravelle $playing%  audacious $playing_other%  difference $(awk -v a="$playing" -v b="$playing_other" 'BEGIN { printf "%+.3f", a - b }')% of a core"
else
    echo "median playing: ravelle $(median playing ravelle)%"
fi

#!/usr/bin/env bash
# From a second launch with a file to that file's sound, while a copy runs:
#   ravelle song.wav
# hands the file to the running copy, which opens and plays it. Measured at
# a private PulseAudio: from the launch to the new stream that plays the
# file. The same is measured for a bare `gst-launch-1.0 playbin` of the file
# (what any GStreamer player pays from a standing start) in the same run.
#   bench/handover.sh [RUNS] [BUILD_FOLDER]
set -uo pipefail
runs=${1:-7}
build=${2:-"$(dirname "$0")/../build"}
# shellcheck source=../scripts/headless_session.sh
source "$(dirname "$0")/../scripts/headless_session.sh"
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT
work=$session_dir
session_start_bus
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 3 sine 440 vol 0.8
"$build/bin/ravelle" >"$logs/first.log" 2>&1 &
session_track $!
session_find_window >/dev/null || fail "no window"

# Milliseconds from the launch to its stream at the sound server: the sink
# input that plays the file, seen by `pactl subscribe`.
measure() {
    local events=$work/events launched watcher
    : >"$events"
    pactl subscribe | while read -r line; do echo "$(date +%s%3N) $line"; done >"$events" &
    watcher=$!
    sleep 0.3
    launched=$(date +%s%3N)
    "$@" >/dev/null 2>&1 &
    local played=$!
    wait_for 5 grep -q "'new' on sink-input" "$events"
    awk -v launched="$launched" "/'new' on sink-input/ { print \$1 - launched; exit }" "$events"
    kill "$watcher" "$played" 2>/dev/null
    pkill -P "$watcher" 2>/dev/null
    gdbus call --session --dest org.mpris.MediaPlayer2.ravelle --object-path /org/mpris/MediaPlayer2 \
        --method org.mpris.MediaPlayer2.Player.Stop >/dev/null 2>&1
    sleep 0.5
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The first open also starts GStreamer in the running copy.
cold=$(measure "$build/bin/ravelle" "$work/tone.wav")
handover=$(for _ in $(seq "$runs"); do measure "$build/bin/ravelle" "$work/tone.wav"; done | median)
bare=$(for _ in $(seq "$runs"); do
    measure timeout 3 gst-launch-1.0 -q playbin "uri=file://$work/tone.wav"
done | median)
echo "launch to sound: second launch handing over $cold ms the first time (GStreamer starts)," \
    "then a median of $handover ms over $runs;" \
    "a bare gst-launch playbin $bare ms (load: $(cut -d' ' -f1-3 /proc/loadavg))"

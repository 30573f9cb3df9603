#!/usr/bin/env bash
# A long run of continuous play, and a burst of calls from the desktop.
#
#   bench/long_run.sh [MINUTES] [BUILD_FOLDER]
#
# The real player under a private Xvfb, PulseAudio null sink and session bus,
# with a playlist of 20 short tones (3 to 12 s) and 5 missing entries, plays
# on its own for MINUTES (default 20). Once a minute: resident memory,
# open descriptors and threads. Then 2,000 MPRIS calls in about 10 s
# (PlayPause, Next, Stop, OpenUri of real and missing files), after which:
# how long the player takes to answer, and its CPU over the next 5 s.
set -uo pipefail
minutes=${1:-20}
build=${2:-"$(dirname "$0")/../build"}
program=$build/bin/ravelle
# shellcheck source=../scripts/headless_session.sh
source "$(dirname "$0")/../scripts/headless_session.sh"
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT
work=$session_dir

session_start_bus

mkdir -p "$work/media"
ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini
: >"$ini"
for i in $(seq 0 19); do
    sox -n -r 44100 -c 2 -b 16 "$work/media/tone $i.wav" synth $((3 + i % 10)) sine $((300 + 20 * i)) \
        vol 0.3
    printf '[%d]\nvalue=%s\n\n' "$i" "$work/media/tone $i.wav" >>"$ini"
done
for i in $(seq 20 24); do printf '[%d]\nvalue=%s\n\n' "$i" "$work/media/gone $i.mp3" >>"$ini"; done
printf '[num]\nvalue=25\n' >>"$ini"

"$program" >"$logs/ravelle.log" 2>&1 &
player=$!
session_track "$player"
session_find_window >/dev/null || fail "no window"
mpris() { timeout 5 gdbus call --session --dest org.mpris.MediaPlayer2.ravelle \
    --object-path /org/mpris/MediaPlayer2 "$@"; }
wait_for 10 mpris --method org.freedesktop.DBus.Peer.Ping || fail "no bus name"
mpris --method org.mpris.MediaPlayer2.Player.Play >/dev/null

sample() {
    local rss fds threads
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$player/status")
    threads=$(awk '/^Threads/ { print $2 }' "/proc/$player/status")
    fds=$(find "/proc/$player/fd" -mindepth 1 -maxdepth 1 | wc -l)
    printf '%6s %10s %6s %8s\n' "$1" "$rss" "$fds" "$threads"
}
printf '%6s %10s %6s %8s\n' minute "RSS KiB" fds threads
sample 0
for m in $(seq 1 "$minutes"); do
    sleep 60
    kill -0 "$player" 2>/dev/null || fail "the player ended (see $logs/ravelle.log)"
    sample "$m"
done

# --- the burst -----------------------------------------------------------------
methods=(PlayPause Next Stop "OpenUri file://$work/media/tone%203.wav" "OpenUri file://$work/media/gone.mp3")
started=$(date +%s%3N)
calls=()
for ((i = 0; i < 2000; i++)); do
    read -r method argument <<<"${methods[i % 5]}"
    if [ -n "${argument:-}" ]; then
        dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.ravelle \
            /org/mpris/MediaPlayer2 "org.mpris.MediaPlayer2.Player.$method" "string:$argument" &
    else
        dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.ravelle \
            /org/mpris/MediaPlayer2 "org.mpris.MediaPlayer2.Player.$method" &
    fi
    calls+=($!)
    if ((i % 50 == 49)); then
        wait "${calls[@]}"
        calls=()
        # 200 a second, as the whole burst spans 10 s.
        ahead=$((started + (i + 1) * 5 - $(date +%s%3N)))
        ((ahead > 0)) && sleep "$(awk -v ms=$ahead 'BEGIN { print ms / 1000 }')"
    fi
    argument=
done
sent=$(($(date +%s%3N) - started))
before=$(date +%s%3N)
mpris --method org.freedesktop.DBus.Peer.Ping >/dev/null || fail "no answer after the burst"
answered=$(($(date +%s%3N) - before))
ticks() { awk '{ print $14 + $15 }' "/proc/$player/stat"; }
t0=$(ticks)
sleep 5
echo "2000 calls sent in $sent ms; the player answered $answered ms after the last;" \
    "CPU over the next 5 s: $(($(ticks) - t0)) ticks of 500"
sample after

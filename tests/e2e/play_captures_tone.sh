#!/usr/bin/env bash
# End to end: the real player under a private X server, a real click on Play,
# and its sound captured from a private PulseAudio null sink.
#
#   play_captures_tone.sh PROGRAM [OUTPUT_FOLDER] [with-missing-entry]
#
# A 3 s 440 Hz tone at 0.8 of full scale is the only playlist entry (in a
# folder whose name has a space and Chinese characters). With
# "with-missing-entry" the playlist is [the tone, a file that is not there],
# and a fresh start's first pick of two is the missing one: the player must
# pass over it and play the tone, all on the one click. After the click the
# sink must carry that tone, on both channels, at the player's start-up level
# of 10000/32767. Then SIGTERM must close the window cleanly with the
# playlist still saved. The screenshot, the capture and the logs are left in
# OUTPUT_FOLDER. Needs no display and no sound card; every process it starts
# is ended on any exit, and every wait has a limit.
set -uo pipefail

program=${1:?usage: play_captures_tone.sh PROGRAM [OUTPUT_FOLDER] [with-missing-entry]}
out=${2:-$PWD/e2e-output}
mode=${3:-}
case $mode in
'' | with-missing-entry) ;;
*) echo "FAIL: unknown mode '$mode'" >&2; exit 1 ;;
esac
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

# What the sound must measure. The level is the player's start-up volume,
# 10000 of 32767; the tolerance covers the sink's resampling and the edges
# of the capture.
readonly tone_amplitude=0.8
start_level=$(awk 'BEGIN { printf "%.6f", 10000 / 32767 }')
readonly start_level
readonly tolerance=0.15
readonly record_seconds=2.5

session_require xdotool xwininfo import parecord sox soxi timeout
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{screenshot.png,capture.wav,ravelle.log,pulseaudio.log,xvfb.log}
session_start "$out"
work=$session_dir

# --- the tone and a playlist holding only it ---------------------------------
media="$work/声音 样本"
tone="$media/tone 440.wav"
mkdir -p "$media"
sox -n -r 44100 -c 2 -b 16 "$tone" synth 3 sine 440 vol "$tone_amplitude" ||
    fail "sox could not make the test tone"
missing="$media/不在 了.mp3"
ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini
if [ "$mode" = with-missing-entry ]; then
    entries=2
    printf '[0]\nvalue=%s\n\n[1]\nvalue=%s\n\n[num]\nvalue=2\n' "$tone" "$missing" >"$ini"
else
    entries=1
    printf '[0]\nvalue=%s\n\n[num]\nvalue=1\n' "$tone" >"$ini"
fi

# --- the player and its window -----------------------------------------------
"$program" >"$out/ravelle.log" 2>&1 &
player=$!
session_track "$player"
window=$(session_find_window) ||
    fail "no window named 'ravelle' appeared within 15 s (see $out/ravelle.log)"

info=$(xwininfo -id "$window") || fail "xwininfo cannot read window $window"
title=$(sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p' <<<"$info")
width=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
height=$(awk '/^ *Height:/ { print $2 }' <<<"$info")
[ "$title" = ravelle ] || fail "the window's title is '$title', not 'ravelle'"
if [ "$width" != 234 ] || [ "$height" != 140 ]; then
    fail "the window is ${width}x${height}, not 234x140"
fi

# --- record the sink while Play is clicked -----------------------------------
# A short latency makes the server hand over the sound as it comes: with its
# default of large fragments, what it still holds at SIGINT is lost.
parecord -d test_null.monitor --latency-msec=20 --file-format=wav --rate=44100 --channels=2 --format=s16le \
    "$out/capture.wav" 2>"$work/parecord.log" &
recorder=$!
session_track "$recorder"
wait_for 5 bash -c 'pactl list short source-outputs | grep -q .' ||
    fail "parecord did not connect to the null sink's monitor: $(tail -1 "$work/parecord.log")"

# Play "播放" is at (5, 88) and 41 x 17 in the window: click its centre.
xdotool mousemove --window "$window" 25 96 click 1 || fail "xdotool could not click Play"
wait_for 5 bash -c 'pactl list short sink-inputs | grep -q .' ||
    fail "no stream reached the sound server within 5 s of the click on Play (see $out/ravelle.log)"
sleep "$record_seconds"

import -window "$window" "$out/screenshot.png" 2>"$work/import.log" ||
    fail "import could not take a screenshot: $(tail -1 "$work/import.log")"

kill -INT "$recorder"
wait_exit "$recorder" 5 || fail "parecord did not finish its file within 5 s of SIGINT"

# --- what the sink carried ---------------------------------------------------
# The capture starts before the click; the silence on either side is cut so
# the RMS is the tone's own. sox's stat prints to stderr.
sox "$out/capture.wav" "$work/sound.wav" silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse \
    2>"$work/sox.log" || fail "sox cannot read the capture: $(tail -1 "$work/sox.log")"
sound_seconds=$(soxi -D "$work/sound.wav" 2>/dev/null || echo 0)
awk -v d="$sound_seconds" 'BEGIN { exit !(d >= 1.0) }' ||
    fail "the capture holds ${sound_seconds:-0} s of sound, expected at least 1 s: the tone did not play"

expected_peak=$(awk -v a="$tone_amplitude" -v l="$start_level" 'BEGIN { printf "%.4f", a * l }')
expected_rms=$(awk -v p="$expected_peak" 'BEGIN { printf "%.4f", p / sqrt(2) }')
within() { awk -v v="$1" -v e="$2" -v t="$tolerance" 'BEGIN { exit !(v >= e * (1 - t) && v <= e * (1 + t)) }'; }
for channel in 1 2; do
    stat=$(sox "$work/sound.wav" -n remix "$channel" stat 2>&1) || fail "sox stat failed: $stat"
    peak=$(awk '/^Maximum amplitude:/ { print $3 }' <<<"$stat")
    rms=$(awk '/^RMS +amplitude:/ { print $3 }' <<<"$stat")
    freq=$(awk '/^Rough +frequency:/ { print $3 }' <<<"$stat")
    echo "channel $channel: $sound_seconds s of sound, peak $peak, RMS $rms, about $freq Hz" \
        "(expected peak $expected_peak, RMS $expected_rms, 440 Hz)"
    awk -v v="$peak" 'BEGIN { exit !(v > 0.01) }' || fail "channel $channel is silent (peak $peak)"
    within "$peak" "$expected_peak" ||
        fail "channel $channel peaks at $peak, expected $expected_peak (tone $tone_amplitude x level $start_level) within $tolerance"
    within "$rms" "$expected_rms" || fail "channel $channel has RMS $rms, expected $expected_rms within $tolerance"
    awk -v f="$freq" 'BEGIN { exit !(f >= 420 && f <= 460) }' ||
        fail "channel $channel sounds at about $freq Hz, not the 440 Hz tone"
done

# --- SIGTERM closes the window and keeps the playlist -------------------------
kill -TERM "$player"
wait_exit "$player" 10 || fail "the player did not exit within 10 s of SIGTERM"
wait "$player"
player_status=$?
[ "$player_status" -eq 0 ] ||
    fail "the player exited with status $player_status after SIGTERM (see $out/ravelle.log)"
grep -qxF "value=$tone" "$ini" || fail "the saved playlist no longer lists '$tone': $(tr '\n' ' ' <"$ini")"
if [ "$mode" = with-missing-entry ]; then
    grep -qxF "value=$missing" "$ini" ||
        fail "the saved playlist no longer lists the missing entry: $(tr '\n' ' ' <"$ini")"
fi
grep -A1 -x '\[num\]' "$ini" | grep -qx "value=$entries" ||
    fail "the saved playlist's count is not $entries: $(tr '\n' ' ' <"$ini")"

echo "PASS: window ${width}x${height} '$title'; tone heard at level $start_level; playlist kept;" \
    "screenshot in $out/screenshot.png"

#!/usr/bin/env bash
# End to end: the desktop's player controls drive the real player over a
# private session bus, and the sound captured from a private PulseAudio null
# sink says what they did.
#
#   mpris_playpause.sh PROGRAM [OUTPUT_FOLDER]
#
# An 8 s 440 Hz tone is the only playlist entry. Play through the bus must
# be heard; PlayPause must silence it and PlayPause again bring it back;
# Stop ends it. Each step's PropertiesChanged must carry the playback status
# the window shows. The introspection, the calls' output, the sound levels
# and the signals dbus-monitor saw are left in OUTPUT_FOLDER (report.txt).
# Every process it starts is ended on any exit, and every wait has a limit.
set -uo pipefail

program=${1:?usage: mpris_playpause.sh PROGRAM [OUTPUT_FOLDER]}
out=${2:-$PWD/e2e-mpris-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly tone_amplitude=0.8
readonly bus_name=org.mpris.MediaPlayer2.ravelle
readonly object=/org/mpris/MediaPlayer2
readonly player_interface=org.mpris.MediaPlayer2.Player

session_require dbus-daemon dbus-monitor gdbus parecord sox timeout
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{report.txt,monitor.log,ravelle.log,pulseaudio.log,xvfb.log,*.wav}
session_start "$out"
work=$session_dir
report=$out/report.txt

# --- a private session bus --------------------------------------------------
session_start_bus

dbus-monitor --session "type='signal',interface='org.freedesktop.DBus.Properties',path='$object'" \
    >"$out/monitor.log" 2>&1 &
session_track $!

# --- the tone and a playlist holding only it ---------------------------------
tone="$work/media/tone 440.wav"
mkdir -p "$work/media"
sox -n -r 44100 -c 2 -b 16 "$tone" synth 8 sine 440 vol "$tone_amplitude" ||
    fail "sox could not make the test tone"
printf '[0]\nvalue=%s\n\n[num]\nvalue=1\n' "$tone" >"$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini"

# --- the player, found on the bus --------------------------------------------
"$program" >"$out/ravelle.log" 2>&1 &
player=$!
session_track "$player"
session_find_window >/dev/null || fail "no window named 'ravelle' appeared (see $out/ravelle.log)"
mpris() { timeout 10 gdbus call --session --dest "$bus_name" --object-path "$object" "$@"; }
status() {
    mpris --method org.freedesktop.DBus.Properties.Get "$player_interface" PlaybackStatus |
        sed -n "s/^(<'\(.*\)'>,)$/\1/p"
}
wait_for 10 mpris --method org.freedesktop.DBus.Peer.Ping ||
    fail "the player did not take the name $bus_name within 10 s (see $out/ravelle.log)"

{
    echo "== gdbus introspect --session --dest $bus_name --object-path $object"
    timeout 10 gdbus introspect --session --dest "$bus_name" --object-path "$object" 2>&1
} >"$report" || fail "gdbus could not introspect $object"

level() { session_level "$1" "$out"; }
step() {
    local method=$1 expected=$2 output
    output=$(mpris --method "$player_interface.$method" 2>&1) || fail "$method failed: $output"
    echo "== gdbus call --session --dest $bus_name --object-path $object --method $player_interface.$method" >>"$report"
    echo "$output" >>"$report"
    # The call is answered once the button's handler has run.
    local now
    now=$(status)
    [ "$now" = "$expected" ] || fail "after $method the player reports '$now', not '$expected'"
}

before=$(level before)
step Play Playing
playing=$(level playing)
step PlayPause Paused
paused=$(level paused)
step PlayPause Playing
resumed=$(level resumed)
step Stop Stopped
stopped=$(level stopped)

{
    echo "== sound at the null sink, RMS over 1.5 s (tone $tone_amplitude at the start-up level 10000/32767: about 0.17)"
    echo "before Play:        $before"
    echo "after Play:         $playing"
    echo "after PlayPause:    $paused"
    echo "after PlayPause:    $resumed"
    echo "after Stop:         $stopped"
} >>"$report"

loud() { awk -v v="$1" 'BEGIN { exit !(v > 0.12 && v < 0.23) }'; }
silent() { awk -v v="$1" 'BEGIN { exit !(v < 0.005) }'; }
silent "$before" || fail "the sink was not silent before Play (RMS $before)"
loud "$playing" || fail "Play through the bus was not heard (RMS $playing)"
silent "$paused" || fail "PlayPause did not silence the tone (RMS $paused)"
loud "$resumed" || fail "PlayPause again did not bring the tone back (RMS $resumed)"
silent "$stopped" || fail "Stop did not end the tone (RMS $stopped)"

# --- what the desktop was told -------------------------------------------------
sleep 0.3
statuses=$(grep -A3 'string "PlaybackStatus"' "$out/monitor.log" | sed -n 's/.*variant *string "\(.*\)"/\1/p' | tr '\n' ' ')
{
    echo "== PlaybackStatus in the PropertiesChanged dbus-monitor saw: $statuses"
    echo "== dbus-monitor"
    sed -n '/member=PropertiesChanged/,$p' "$out/monitor.log"
} >>"$report"
[ "$statuses" = "Playing Paused Playing Stopped " ] ||
    fail "the signals told '$statuses', not 'Playing Paused Playing Stopped'"

kill -TERM "$player"
wait_exit "$player" 10 || fail "the player did not exit within 10 s of SIGTERM"
echo "PASS: Play heard (RMS $playing), PlayPause silent ($paused), PlayPause heard again ($resumed)," \
    "Stop silent ($stopped); signals: $statuses; report in $report"

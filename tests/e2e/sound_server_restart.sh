#!/usr/bin/env bash
# End to end: the sound server goes away while a track plays, and comes back.
#
#   sound_server_restart.sh PROGRAM [OUTPUT_FOLDER]
#
# A 30 s tone plays through a private PulseAudio, which is then killed: the
# player must stay up, tell the desktop it has stopped, and not spin (under
# 5% of a core while the server is gone). The server is started again: the
# tone must be heard again within 10 s, without a click. Then, with no sound
# server or card at all, Play must leave the player stopped and answering.
# Every process it starts is ended on any exit, and every wait has a limit.
set -uo pipefail

program=${1:?usage: sound_server_restart.sh PROGRAM [OUTPUT_FOLDER]}
out=${2:-$PWD/e2e-sound-server-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly bus_name=org.mpris.MediaPlayer2.ravelle
readonly object=/org/mpris/MediaPlayer2
readonly player_interface=org.mpris.MediaPlayer2.Player

session_require dbus-daemon gdbus parecord sox timeout
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{report.txt,ravelle.log,no-server.log,pulseaudio.log,xvfb.log,*.wav}
session_start "$out"
work=$session_dir
report=$out/report.txt

session_start_bus

mkdir -p "$work/media"
for name in first second; do
    sox -n -r 44100 -c 2 -b 16 "$work/media/$name.wav" synth 30 sine 440 vol 0.8 ||
        fail "sox could not make the test tone"
done
printf '[0]\nvalue=%s\n\n[1]\nvalue=%s\n\n[num]\nvalue=2\n' "$work/media/first.wav" \
    "$work/media/second.wav" >"$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini"

mpris() { timeout 10 gdbus call --session --dest "$bus_name" --object-path "$object" "$@"; }
status() {
    mpris --method org.freedesktop.DBus.Properties.Get "$player_interface" PlaybackStatus |
        sed -n "s/^(<'\(.*\)'>,)$/\1/p"
}
is_status() { [ "$(status)" = "$1" ]; }
level() { session_level "$1" "$out"; }
heard() { awk -v v="$1" 'BEGIN { exit !(v > 0.05) }'; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

"$program" >"$out/ravelle.log" 2>&1 &
player=$!
session_track "$player"
session_find_window >/dev/null || fail "no window named 'ravelle' appeared (see $out/ravelle.log)"
wait_for 10 mpris --method org.freedesktop.DBus.Peer.Ping ||
    fail "the player did not take the name $bus_name within 10 s"
mpris --method "$player_interface.Play" >/dev/null || fail "Play failed"
sleep 0.5
before=$(level before)
heard "$before" || fail "the tone was not heard before the server went (RMS $before)"

# --- the server goes ---------------------------------------------------------------
kill -KILL "$session_pulse"
wait "$session_pulse" 2>/dev/null
wait_for 5 is_status Stopped || fail "3 s after the sound server went the player says '$(status)'"
start_ticks=$(cpu_ticks "$player")
sleep 3
gone_ticks=$(($(cpu_ticks "$player") - start_ticks))
kill -0 "$player" 2>/dev/null || fail "the player ended when the sound server went (see $out/ravelle.log)"
[ "$gone_ticks" -lt 15 ] || fail "the player spun while the server was gone: $gone_ticks ticks in 3 s"
mpris --method org.freedesktop.DBus.Peer.Ping >/dev/null || fail "the player does not answer"

# --- and comes back ----------------------------------------------------------------
session_start_sound "$out"
wait_for 10 is_status Playing || fail "10 s after the server came back the player says '$(status)'"
after=$(level after)
heard "$after" || fail "the tone was not heard after the server came back (RMS $after)"
kill -TERM "$player"
wait_exit "$player" 10 || fail "the player did not exit within 10 s of SIGTERM"

# --- no sound server and no card at all ----------------------------------------------
: >"$work/no-alsa.conf"
PULSE_SERVER=unix:$work/no-such-server ALSA_CONFIG_PATH=$work/no-alsa.conf "$program" \
    >"$out/no-server.log" 2>&1 &
player=$!
session_track "$player"
wait_for 10 mpris --method org.freedesktop.DBus.Peer.Ping ||
    fail "without a sound server the player did not take its name"
mpris --method "$player_interface.Play" >/dev/null || fail "Play failed without a sound server"
sleep 1
is_status Stopped || fail "without a sound server Play left the player '$(status)'"
mpris --method org.freedesktop.DBus.Peer.Ping >/dev/null ||
    fail "without a sound server the player does not answer"

{
    echo "RMS before the server went: $before"
    echo "CPU ticks (1/100 s) in 3 s while it was gone: $gone_ticks"
    echo "RMS after it came back: $after"
} >"$report"
echo "PASS: stopped while the server was gone ($gone_ticks ticks in 3 s), heard again after it came" \
    "back (RMS $before, then $after); without any server Play leaves it stopped"

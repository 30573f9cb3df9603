#!/usr/bin/env bash
# End to end: launches. The first copy on a private session bus owns
# org.ravelle.Ravelle; a second launch with files hands them over and leaves
# at once (the first copy plays the first, appends the rest), one without
# files only brings the window to the front; when the running copy does not
# answer, a launch runs a window of its own after a bounded wait and says
# why. A player whose session bus is missing or dead starts just the same,
# saying nothing about it; one whose bus takes connections and never answers
# (a stopped daemon) shows its window at once and says the bus is off; one
# that answers a first look and then hangs (STALLING_BUS) does not keep the
# player from ending on SIGTERM.
#
#   launches.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]
#
# Every process it starts is ended on any exit, and every wait has a limit.
set -uo pipefail

program=${1:?usage: launches.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]}
stalling_bus=${2:?usage: launches.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]}
out=${3:-$PWD/e2e-mpris-names-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly bus_name=org.mpris.MediaPlayer2.ravelle

session_require dbus-daemon gdbus xdotool timeout sox
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{first.log,second.log,third.log,no-bus.log,dead-bus.log,silent-bus.log,stalling-bus.log,pulseaudio.log,xvfb.log}
session_start "$out"
work=$session_dir

# Each copy is given the bus, or none, on its own.
session_start_bus
bus=$DBUS_SESSION_BUS_ADDRESS
unset DBUS_SESSION_BUS_ADDRESS

names() {
    timeout 10 gdbus call --address "$bus" --dest org.freedesktop.DBus \
        --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.ListNames
}
owns() { names | grep -q "'$1'"; }
windows() { xdotool search --onlyvisible --name '^ravelle$' 2>/dev/null | wc -l; }

# Each copy keeps its playlist apart, as two users' would be; the arguments
# after the name go to env.
start_copy() {
    local name=$1 config=$work/$1-config
    shift
    mkdir -p "$config"
    env "$@" XDG_CONFIG_HOME="$config" "$program" >"$out/$name.log" 2>&1 &
    session_track $!
    started=$!
}

# --- one copy a session: a second launch hands its files over ---------------------
start_copy first DBUS_SESSION_BUS_ADDRESS="$bus"
first=$started
wait_for 10 owns org.ravelle.Ravelle || fail "the first copy took no name (see $out/first.log): $(names)"
wait_for 10 owns "$bus_name" || fail "the first copy took no player name: $(names)"
mkdir -p "$work/music"
for name in a.wav b.ogg; do sox -n -r 44100 -c 2 "$work/music/$name" synth 30 sine 440 vol 0.3; done
cd "$work/music" || fail "no music folder"
started_at=$(date +%s%3N)
DBUS_SESSION_BUS_ADDRESS="$bus" timeout 10 "$program" a.wav b.ogg >"$out/second.log" 2>&1
status=$?
took=$(($(date +%s%3N) - started_at))
cd - >/dev/null || true
[ "$status" = 0 ] || fail "the second launch ended with $status (see $out/second.log)"
[ "$took" -lt 5000 ] || fail "the second launch took $took ms"
metadata() {
    timeout 5 gdbus call --address "$bus" --dest "$bus_name" --object-path /org/mpris/MediaPlayer2 \
        --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player Metadata
}
wait_for 5 bash -c "$(declare -f metadata); bus=$bus bus_name=$bus_name; metadata | grep -q a.wav" ||
    fail "the first copy did not play a.wav: $(metadata)"
[ "$(windows)" = 1 ] || fail "$(windows) windows after the second launch"
# A launch without files brings the window to the front, and leaves.
DBUS_SESSION_BUS_ADDRESS="$bus" timeout 10 "$program" >>"$out/second.log" 2>&1 ||
    fail "a launch without files did not end cleanly"
[ "$(windows)" = 1 ] || fail "$(windows) windows after a launch without files"

# A copy that holds the name and does not answer (stopped): after a bounded
# wait the launch runs a window of its own, and says why.
kill -STOP "$first"
start_copy third DBUS_SESSION_BUS_ADDRESS="$bus"
third=$started
wait_for 10 bash -c "[ \$(xdotool search --onlyvisible --name '^ravelle\$' 2>/dev/null | wc -l) -ge 2 ]" ||
    fail "with the running copy not answering, no window of its own within 10 s"
grep -q '没有在 1000 毫秒内回答' "$out/third.log" ||
    fail "the launch did not say why it ran on its own: $(head -3 "$out/third.log")"
kill -CONT "$first"
for copy in "$first" "$third"; do
    kill -TERM "$copy"
    wait_exit "$copy" 10 || { gdb -p "$copy" -batch -ex 'thread apply all bt 6' > "$out/hang-$copy.txt" 2>&1; fail "copy $copy did not exit within 10 s of SIGTERM ($([ "$copy" = "$first" ] && echo first || echo third))"; }
done
settings=$work/first-config/ProgramSettings/ravelle.ini
grep -q "value=$work/music/a.wav" "$settings" && grep -q "value=$work/music/b.ogg" "$settings" ||
    fail "the first copy's list lacks the handed files: $(cat "$settings")"

# --- no session bus, or a dead one ---------------------------------------------
# Neither hangs the start nor says anything.
for case in no-bus dead-bus; do
    if [ "$case" = no-bus ]; then
        # The session has no bus address, and no socket where one is looked for.
        start_copy "$case"
    else
        start_copy "$case" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-such-bus"
    fi
    copy=$started
    wait_for 15 bash -c "[ \$(xdotool search --onlyvisible --name '^ravelle\$' 2>/dev/null | wc -l) -ge 1 ]" ||
        fail "with $case the window did not appear (see $out/$case.log)"
    sleep 1
    kill -0 "$copy" 2>/dev/null || fail "with $case the player ended by itself (see $out/$case.log)"
    kill -TERM "$copy"
    wait_exit "$copy" 10 || fail "with $case the player did not exit within 10 s of SIGTERM"
    [ ! -s "$out/$case.log" ] || fail "with $case the player said: $(head -3 "$out/$case.log")"
done

# --- a bus that never answers ---------------------------------------------------
# A daemon stopped by SIGSTOP: the kernel still queues connections to it.
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/silent-bus" \
    2>"$work/silent-bus.log" &
silent_daemon=$!
session_track "$silent_daemon"
wait_for 10 test -s "$work/silent-bus" || fail "the second dbus-daemon did not start"
kill -STOP "$silent_daemon"
start_copy silent-bus DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/silent-bus")"
copy=$started
wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --name '^ravelle\$' 2>/dev/null | wc -l) -ge 1 ]" ||
    fail "with a bus that never answers the window did not appear within 5 s"
grep -q '会话总线' "$out/silent-bus.log" ||
    fail "with a bus that never answers the player did not say so: $(head -3 "$out/silent-bus.log")"
kill -TERM "$copy"
wait_exit "$copy" 10 || fail "with a bus that never answers the player did not exit within 10 s"
kill -CONT "$silent_daemon"

# --- a bus that answers the first look and hangs after ----------------------------
# The player's own look before Qt is answered; the connection the player then
# makes in the background hangs, and is still hanging when it is asked to
# end. Qt's accessibility would wait for the same bus on the window's thread,
# so the window runs on the offscreen platform here.
"$stalling_bus" "$work/stalling.sock" "$(sed -n 's/^unix:path=\([^,]*\).*/\1/p' "$work/bus")" &
session_track $!
wait_for 5 test -S "$work/stalling.sock" || fail "the stalling bus did not start"
start_copy stalling-bus DBUS_SESSION_BUS_ADDRESS="unix:path=$work/stalling.sock" \
    QT_QPA_PLATFORM=offscreen
copy=$started
sleep 1
kill -0 "$copy" 2>/dev/null || fail "with a stalling bus the player ended by itself"
kill -TERM "$copy"
wait_exit "$copy" 5 || fail "with a stalling bus the player did not exit within 5 s of SIGTERM"
wait "$copy"
status=$?
[ "$status" = 0 ] || [ "$status" = 143 ] || fail "with a stalling bus the player ended with $status"

echo "PASS: a second launch handed its files over in $took ms; a copy that did not answer got" \
    "a window beside it; without a bus or with a dead one the player starts silently; with one" \
    "that never answers, at once; with one that hangs later, it still ends"

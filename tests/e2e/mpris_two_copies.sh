#!/usr/bin/env bash
# End to end: two copies of the real player on one private session bus both
# own a name (org.mpris.MediaPlayer2.ravelle, and that with .instance<pid>),
# and a player whose session bus is missing or dead starts just the same,
# saying nothing about it; one whose bus takes connections and never answers
# (a stopped daemon) shows its window at once and says the bus is off; one
# that answers a first look and then hangs (STALLING_BUS) does not keep the
# player from ending on SIGTERM.
#
#   mpris_two_copies.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]
#
# Every process it starts is ended on any exit, and every wait has a limit.
set -uo pipefail

program=${1:?usage: mpris_two_copies.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]}
stalling_bus=${2:?usage: mpris_two_copies.sh PROGRAM STALLING_BUS [OUTPUT_FOLDER]}
out=${3:-$PWD/e2e-mpris-names-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly bus_name=org.mpris.MediaPlayer2.ravelle

session_require dbus-daemon gdbus xdotool timeout
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{first.log,second.log,no-bus.log,dead-bus.log,silent-bus.log,stalling-bus.log,pulseaudio.log,xvfb.log}
session_start "$out"
work=$session_dir

dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
session_track $!
wait_for 10 test -s "$work/bus" || fail "dbus-daemon did not start: $(tail -1 "$work/bus.log")"
bus=$(head -1 "$work/bus")

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

# --- two copies, two names -----------------------------------------------------
start_copy first DBUS_SESSION_BUS_ADDRESS="$bus"
first=$started
wait_for 10 owns "$bus_name" || fail "the first copy took no name (see $out/first.log): $(names)"
start_copy second DBUS_SESSION_BUS_ADDRESS="$bus"
second=$started
wait_for 10 owns "$bus_name.instance$second" ||
    fail "the second copy did not take $bus_name.instance$second (see $out/second.log): $(names)"
owns "$bus_name" || fail "the first copy lost its name: $(names)"
echo "both own a name: $(names | grep -o "'$bus_name[^']*'" | tr '\n' ' ')"

# The first copy's name leads to the first copy.
pid=$(timeout 10 gdbus call --address "$bus" --dest org.freedesktop.DBus \
    --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.GetConnectionUnixProcessID \
    "$bus_name" | sed -n 's/^(uint32 \([0-9]*\),)$/\1/p')
[ "$pid" = "$first" ] || fail "$bus_name belongs to process $pid, not the first copy ($first)"

for copy in "$first" "$second"; do
    kill -TERM "$copy"
    wait_exit "$copy" 10 || fail "copy $copy did not exit within 10 s of SIGTERM"
done

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

echo "PASS: two copies own $bus_name and $bus_name.instance$second; without a bus or with a dead" \
    "one the player starts silently; with one that never answers, at once"

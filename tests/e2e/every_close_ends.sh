#!/usr/bin/env bash
# End to end: every way the desktop closes the player ends it, in every state
# it can be in, and the close saves the playlist.
#
#   every_close_ends.sh PROGRAM WM_CLOSE SLOW_DISK_LIB [OUTPUT_FOLDER] [ROUNDS]
#
# The real player under a private X server, sound server and session bus.
# States: just started; the playlist panel open; right after the Open dialog
# was cancelled; right after a message box was answered; the Open dialog or
# a message box still open (no window manager's close there: a window
# under a modal dialog takes none, the desktop closes the dialog first); an
# edit not yet
# saved; playing; playing when the sound server stops answering (SIGSTOP);
# an edit not yet saved on a disk whose every flush takes 3 s. Closes: the window manager's (WM_DELETE_WINDOW, synced), SIGTERM,
# SIGINT, SIGHUP and MPRIS Quit. Each close must end the process within 5 s
# (the player's own bound is 2 s; the rest is room for a busy machine), with
# status 0 or the signal's, leaving nothing running; where an edit was made
# the store must hold it afterwards (on the slow disk: the old list or the new,
# whole). Then SIGTERM at every moment of start-up, in 10 ms steps: status 0
# or 143, never an abort, the stored list as it was.
#
# ROUNDS (default 1) repeats everything; the times of each state go to
# OUTPUT_FOLDER/closes.txt (state, close, status, milliseconds).
set -uo pipefail

program=${1:?usage: every_close_ends.sh PROGRAM WM_CLOSE SLOW_DISK_LIB [OUTPUT_FOLDER] [ROUNDS]}
wm_close=${2:?}
slow_disk=${3:?}
out=${4:-$PWD/e2e-close-output}
rounds=${5:-1}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly bus_name=org.mpris.MediaPlayer2.ravelle
readonly limit_ms=5000

session_require dbus-daemon gdbus xdotool xwininfo sox timeout
for tool in "$program" "$wm_close"; do [ -x "$tool" ] || fail "no program at '$tool'"; done
[ -f "$slow_disk" ] || fail "no library at '$slow_disk'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{closes.txt,ravelle.log,pulseaudio.log,xvfb.log}
session_start "$out"
work=$session_dir

session_start_bus

mkdir -p "$work/media"
sox -n -r 44100 -c 2 -b 16 "$work/media/tone.wav" synth 30 sine 440 vol 0.3 ||
    fail "sox could not make the test tone"
ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini
three_entries() {
    printf '[0]\nvalue=%s\n\n[1]\nvalue=/音乐/二.mp3\n\n[2]\nvalue=/音乐/三.mp3\n\n[num]\nvalue=3\n' \
        "$work/media/tone.wav" >"$ini"
}
# The list as the store holds it: "count|entry 0|entry 1|...".
stored_list() {
    awk -F= '/^\[/ { section = substr($0, 2, length($0) - 2) } /^value=/ { v[section] = substr($0, 7) }
        END { line = v["num"]; for (i = 0; i < v["num"]; i++) line = line "|" v[i]; print line }' "$ini"
}

mpris() { timeout 5 gdbus call --session --dest "$bus_name" --object-path /org/mpris/MediaPlayer2 "$@"; }
windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
ms_now() { date +%s%3N; }

start_player() {  # [VAR=VALUE...]
    env "$@" "$program" >>"$out/ravelle.log" 2>&1 &
    player=$!
    session_track "$player"
    window=$(session_find_window) || fail "no window named 'ravelle' appeared within 15 s"
    wait_for 10 mpris --method org.freedesktop.DBus.Peer.Ping || fail "the player took no bus name"
}

open_panel() {
    # "↓" is at (217, 88) and 16 x 17 in the window.
    xdotool mousemove --window "$window" 225 96 click 1
    wait_for 5 bash -c "xwininfo -id $window | grep -q 'Height: 311'" || fail "the panel did not open"
}
delete_first_entry() {
    xdotool mousemove --window "$window" 60 128 click 1
    sleep 0.3
    # The menu over the list: 添加, 删除, 删除其余.
    xdotool mousemove --window "$window" 60 128 click 3
    sleep 0.4
    xdotool key Down Down Return
}

# Brings the fresh player into a state; prints what the store must hold
# after the close ("" when anything whole will do).
enter_state() {
    case $1 in
        started | panel | dialog* | playing | sound-stopped)
            echo "3|$work/media/tone.wav|/音乐/二.mp3|/音乐/三.mp3"
            ;;
        box*) echo "0" ;;
        edit | slow-disk) echo "2|/音乐/二.mp3|/音乐/三.mp3" ;;
    esac
    case $1 in
        panel) open_panel ;;
        dialog*)
            # 打开 is at (176, 88) and 41 x 17.
            xdotool mousemove --window "$window" 196 96 click 1
            wait_for 10 bash -c "[ \$(xdotool search --onlyvisible --pid $player | wc -l) -ge 2 ]" ||
                fail "the Open dialog did not show"
            sleep 0.3
            [ "$1" = dialog-open ] && return
            xdotool key Escape
            wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --pid $player | wc -l) -eq 1 ]" ||
                fail "the Open dialog did not go"
            ;;
        box*)
            open_panel
            delete_first_entry  # on an empty list: "没有目录可以删除！"
            wait_for 10 bash -c "[ \$(xdotool search --onlyvisible --pid $player | wc -l) -ge 2 ]" ||
                fail "the message box did not show"
            sleep 0.3
            [ "$1" = box-open ] && return
            xdotool key Return
            wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --pid $player | wc -l) -eq 1 ]" ||
                fail "the message box did not go"
            ;;
        edit | slow-disk)
            open_panel
            delete_first_entry
            ;;
        playing | sound-stopped)
            mpris --method org.mpris.MediaPlayer2.Player.Play >/dev/null
            wait_for 5 bash -c "gdbus call --session --dest $bus_name --object-path /org/mpris/MediaPlayer2 \
                --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player PlaybackStatus |
                grep -q Playing" || fail "the player did not start playing"
            [ "$1" = playing ] || kill -STOP "$session_pulse"
            ;;
    esac
}

close_by() {
    case $1 in
        wm) "$wm_close" "$window" ;;
        TERM | INT | HUP) kill -"$1" "$player" ;;
        quit) mpris --method org.mpris.MediaPlayer2.Quit >/dev/null ;;
    esac
}

failures=0
for ((round = 1; round <= rounds; round++)); do
    for state in started panel dialog box dialog-open box-open edit playing sound-stopped slow-disk; do
        closes="wm TERM INT HUP quit"
        [[ $state == *-open ]] && closes="TERM INT HUP quit"
        for close in $closes; do
            if [[ $state == box* ]]; then : >"$ini"; else three_entries; fi
            if [ "$state" = slow-disk ]; then
                start_player LD_PRELOAD="$slow_disk" SLOW_DISK_MS=3000
            else
                start_player
            fi
            expected=$(enter_state "$state")
            started=$(ms_now)
            close_by "$close"
            ended=0
            while [ $(($(ms_now) - started)) -lt $limit_ms ]; do
                kill -0 "$player" 2>/dev/null || {
                    ended=1
                    break
                }
                sleep 0.02
            done
            took=$(($(ms_now) - started))
            [ "$state" = sound-stopped ] && kill -CONT "$session_pulse"
            if [ "$ended" = 0 ]; then
                echo "$state $close running $took" >>"$out/closes.txt"
                echo "FAIL: $state, $close: still running $limit_ms ms after the close" >&2
                kill -KILL "$player"
                wait "$player" 2>/dev/null
                failures=$((failures + 1))
                continue
            fi
            wait "$player"
            status=$?
            echo "$state $close $status $took" >>"$out/closes.txt"
            case "$close:$status" in
                *:0 | TERM:143 | INT:130 | HUP:129) ;;
                *)
                    echo "FAIL: $state, $close: ended with status $status" >&2
                    failures=$((failures + 1))
                    ;;
            esac
            now=$(stored_list)
            if [ "$state" = slow-disk ]; then
                case "$now" in
                    "3|$work/media/tone.wav|/音乐/二.mp3|/音乐/三.mp3" | "$expected") ;;
                    *)
                        echo "FAIL: $state, $close: the store holds '$now'" >&2
                        failures=$((failures + 1))
                        ;;
                esac
            elif [ "$now" != "$expected" ]; then
                echo "FAIL: $state, $close: the store holds '$now', expected '$expected'" >&2
                failures=$((failures + 1))
            fi
        done
    done

    # --- a termination signal at every moment of start-up --------------------
    {
        for ((i = 0; i < 2000; i++)); do printf '[%d]\nvalue=/音乐/%d.mp3\n\n' "$i" "$i"; done
        printf '[num]\nvalue=2000\n'
    } >"$work/big.ini"
    for ((delay = 0; delay <= 300; delay += 10)); do
        cp "$work/big.ini" "$ini"
        before=$(stored_list)
        "$program" >>"$out/ravelle.log" 2>&1 &
        player=$!
        sleep "$(awk -v d=$delay 'BEGIN { print d / 1000 }')"
        kill -TERM "$player"
        wait_exit "$player" 5 || fail "SIGTERM $delay ms after start: still running 5 s later"
        wait "$player"
        status=$?
        echo "start+${delay}ms TERM $status -" >>"$out/closes.txt"
        [ "$status" = 0 ] || [ "$status" = 143 ] ||
            fail "SIGTERM $delay ms after start ended the player with status $status"
        [ "$(stored_list)" = "$before" ] || fail "SIGTERM $delay ms after start changed the stored list"
    done
done

# This run's players only: ctest may run other tests' players beside it.
leftover=$(for pid in $(pgrep -f "^$program"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" &&
        printf '%s ' "$pid"
done)
[ -z "$leftover" ] || fail "players left running: $leftover"
[ "$failures" = 0 ] || fail "$failures closes failed (see $out/closes.txt)"
echo "PASS: every close ended the player; longest $(awk '$4 != "-" { print $4 }' "$out/closes.txt" |
    sort -n | tail -1) ms (see $out/closes.txt)"

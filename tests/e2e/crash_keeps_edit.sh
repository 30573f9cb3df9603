#!/usr/bin/env bash
# End to end: an edit of the playlist outlives a crash. The real player under
# a private X server, a playlist of three entries; the panel is opened, the
# first entry picked and removed with the menu's 删除, by real input. Two
# seconds later the player is killed with SIGKILL, so no exit save runs. The
# store must then hold the two entries left, and the next start must show
# them: its own exit (on SIGTERM) writes back what it restored.
#
#   crash_keeps_edit.sh PROGRAM [OUTPUT_FOLDER]
set -uo pipefail

program=${1:?usage: crash_keeps_edit.sh PROGRAM [OUTPUT_FOLDER]}
out=${2:-$PWD/e2e-crash-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

session_require xdotool xwininfo import timeout
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{before-kill.png,ravelle.log,ravelle-again.log,xvfb.log}
session_start_display "$out"

ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini
printf '[0]\nvalue=/音乐/一.mp3\n\n[1]\nvalue=/音乐/二.mp3\n\n[2]\nvalue=/音乐/三.mp3\n\n[num]\nvalue=3\n' >"$ini"

# The list as the store holds it: "count|entry 0|entry 1|...".
stored_list() {
    awk -F= '/^\[/ { section = substr($0, 2, length($0) - 2) } /^value=/ { v[section] = substr($0, 7) }
        END { line = v["num"]; for (i = 0; i < v["num"]; i++) line = line "|" v[i]; print line }' "$ini"
}
expected='2|/音乐/二.mp3|/音乐/三.mp3'

"$program" >"$out/ravelle.log" 2>&1 &
player=$!
session_track "$player"
window=$(session_find_window) || fail "no window named 'ravelle' appeared within 15 s"

# "↓" is at (217, 88) and 16 x 17 in the window: open the panel.
xdotool mousemove --window "$window" 225 96 click 1 || fail "xdotool could not click ↓"
wait_for 5 bash -c "xwininfo -id $window | grep -q 'Height: 311'" ||
    fail "the playlist panel did not open: $(xwininfo -id "$window" | grep Height)"
# The first entry is in the list's top row (the list starts at y 120).
xdotool mousemove --window "$window" 60 128 click 1 || fail "xdotool could not pick an entry"
sleep 0.3
# The menu over the list: 添加, 删除, 删除其余. The keys pick the second.
xdotool mousemove --window "$window" 60 128 click 3 || fail "xdotool could not open the menu"
sleep 0.5
xdotool key Down Down Return || fail "xdotool could not choose 删除"
sleep 2
import -window "$window" "$out/before-kill.png" 2>/dev/null
kill -KILL "$player"
wait "$player" 2>/dev/null

now=$(stored_list)
[ "$now" = "$expected" ] || fail "after the kill the store holds '$now', expected '$expected'"

# The next start restores it; its exit writes back what it restored.
"$program" >"$out/ravelle-again.log" 2>&1 &
again=$!
session_track "$again"
session_find_window >/dev/null || fail "no window at the second start"
kill -TERM "$again"
wait_exit "$again" 10 || fail "the player did not exit within 10 s of SIGTERM"
now=$(stored_list)
[ "$now" = "$expected" ] || fail "after the next start the store holds '$now', expected '$expected'"
leftovers=$(find "$XDG_CONFIG_HOME/ProgramSettings" -name 'ravelle.ini.*' | tr '\n' ' ')
[ -z "$leftovers" ] || fail "files left beside the store: $leftovers"

echo "PASS: the edit made 2 s before SIGKILL was on disk and came back at the next start"

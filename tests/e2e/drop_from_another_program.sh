#!/usr/bin/env bash
# End to end: files dragged from another program and dropped on the
# player's window, through the X server's drag and drop (XDND) with real
# input. Two files and a folder are dropped; the playlist gets the files,
# then the folder's audio files sorted by path, and the store holds them a
# second later. Nothing starts playing.
#
#   drop_from_another_program.sh PROGRAM DRAG_SOURCE [OUTPUT_FOLDER]
set -uo pipefail

program=${1:?usage: drop_from_another_program.sh PROGRAM DRAG_SOURCE [OUTPUT_FOLDER]}
source_program=${2:?}
out=${3:-$PWD/e2e-drop-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

session_require xdotool xwininfo timeout
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{ravelle.log,source.log,xvfb.log}
session_start_display "$out"
work=$session_dir
mkdir -p "$work/music/album/cd2"
for f in "one.mp3" "two.ogg" "album/b.flac" "album/a.wav" "album/cd2/c.mid" "album/cover.jpg"; do
    : >"$work/music/$f"
done

"$program" >"$out/ravelle.log" 2>&1 &
player=$!
session_track "$player"
window=$(session_find_window) || fail "no window named 'ravelle' appeared"
xdotool windowmove "$window" 0 0
"$source_program" "$work/music/one.mp3" "$work/music/two.ogg" "$work/music/album" \
    >"$out/source.log" 2>&1 &
session_track $!
source_window=$(timeout 10 xdotool search --sync --onlyvisible --name '^drag source$' | head -1)
[ -n "$source_window" ] || fail "the drag source did not show"

# Press in the source, move over the player in steps (XDND follows the
# pointer), release over it.
xdotool mousemove --window "$source_window" 40 40 mousedown 1
for x in 380 300 200 120 60; do
    xdotool mousemove "$x" 60
    sleep 0.2
done
sleep 0.3
xdotool mouseup 1

ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini
expected="5|$work/music/one.mp3|$work/music/two.ogg|$work/music/album/a.wav|$work/music/album/b.flac|$work/music/album/cd2/c.mid"
stored_list() {
    awk -F= '/^\[/ { section = substr($0, 2, length($0) - 2) } /^value=/ { v[section] = substr($0, 7) }
        END { line = v["num"]; for (i = 0; i < v["num"]; i++) line = line "|" v[i]; print line }' "$ini" 2>/dev/null
}
export -f stored_list
export ini expected
wait_for 5 bash -c '[ "$(stored_list)" = "$expected" ]' ||
    fail "after the drop the store holds '$(stored_list)', expected '$expected'"
kill -TERM "$player"
wait_exit "$player" 10 || fail "the player did not exit within 10 s of SIGTERM"
echo "PASS: two files and a folder dropped from another program were added in order and saved"

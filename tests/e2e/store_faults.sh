#!/usr/bin/env bash
# End to end: the real player started on stores that once hung or crashed
# it. A pipe (and a link to one) at the store's path; a 4 GiB store under a
# 3 GiB memory limit; a damaged store, started ten times. Each time the
# window must show, SIGTERM must end the player with status 0 within 10 s
# (no abort at exit), what stood at the path must be left as it was, and Qt
# must never warn that its application object was made outside its main
# thread.
#
#   store_faults.sh PROGRAM [OUTPUT_FOLDER]
set -uo pipefail

program=${1:?usage: store_faults.sh PROGRAM [OUTPUT_FOLDER]}
out=${2:-$PWD/e2e-store-faults-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

session_require xdotool xwininfo timeout truncate
[ -x "$program" ] || fail "no player program at '$program'"
mkdir -p "$out" || fail "cannot make the output folder '$out'"
session_start_display "$out"
ini=$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini

# One start: the window shows, SIGTERM ends it cleanly. $1 names the case;
# the rest is a prefix for the command (a memory limit).
start_and_close() {
    local name=$1 log="$out/ravelle-$1.log"
    shift
    "$@" "$program" >"$log" 2>&1 &
    local player=$!
    session_track "$player"
    session_find_window >/dev/null || fail "$name: no window within 15 s (see $log)"
    kill -TERM "$player"
    wait_exit "$player" 10 || fail "$name: the player did not exit within 10 s of SIGTERM"
    wait "$player"
    local status=$?
    [ "$status" -eq 0 ] || fail "$name: exit status $status after SIGTERM (see $log)"
    ! grep -q "main thread" "$log" || fail "$name: $(grep "main thread" "$log" | head -1)"
}

mkfifo "$ini" || fail "cannot make a pipe"
start_and_close pipe
[ -p "$ini" ] || fail "the pipe at the store's path was replaced"
rm -f "$ini"
mkfifo "$session_dir/elsewhere" && ln -s "$session_dir/elsewhere" "$ini"
start_and_close link-to-pipe
[ -L "$ini" ] && [ -p "$session_dir/elsewhere" ] || fail "the link or its pipe was replaced"
rm -f "$ini"

truncate -s 4G "$ini" || fail "cannot make a sparse 4 GiB file"
start_and_close large bash -c 'ulimit -v 3145728 && exec "$0"'
[ "$(stat -c %s "$ini")" = 4294967296 ] || fail "the 4 GiB store was written over"
rm -f "$ini"

for run in $(seq 1 10); do
    printf '[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n\001\002 not settings\n' >"$ini"
    start_and_close "damaged-$run"
done
rm -f "$ini".damaged-*

echo "PASS: a pipe, a link to one, a 4 GiB store and ten damaged starts: window shown, clean exit, store left as it was"

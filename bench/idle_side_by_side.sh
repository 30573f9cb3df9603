#!/usr/bin/env bash
# Two builds of the player idle side by side: both windows on one private Xvfb
# display, apart from each other, measured over the same stretches of time, so
# that what the machine does meanwhile weighs on both alike. For changes whose
# cost is a few hundredths of a core, which one run after the other cannot
# tell from the drift between runs.
#
#   bench/idle_side_by_side.sh PROGRAM_A PROGRAM_B [SECONDS] [ROUNDS]
#
# SECONDS (each window) defaults to 120, ROUNDS to 5. Each player runs with
# the session bus hidden (DBUS_SESSION_BUS_ADDRESS=disabled:), so the second
# does not hand itself over to the first, and a one-entry playlist. Per round:
# each one's CPU time as % of a core (ticks of /proc/PID/stat), the run time
# of its threads (schedstat, finer), B - A, and the X server's CPU. Run it
# again with A and B swapped: the order the windows start in may weigh.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: $0 PROGRAM_A PROGRAM_B [SECONDS] [ROUNDS]" >&2; exit 2; }
a_program=$(realpath "$1") b_program=$(realpath "$2")
seconds=${3:-120}
rounds=${4:-5}
# shellcheck source=../scripts/headless_session.sh
source "$here/../scripts/headless_session.sh"
session_require xdotool
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT
printf '[0]\nvalue=/nowhere/track.mp3\n\n[num]\nvalue=1\n' >"$XDG_CONFIG_HOME/ProgramSettings/ravelle.ini"

DBUS_SESSION_BUS_ADDRESS=disabled: "$a_program" >"$logs/a.log" 2>&1 &
a=$!
session_track "$a"
session_find_window >/dev/null || fail "A showed no window: $(tail -3 "$logs/a.log")"
DBUS_SESSION_BUS_ADDRESS=disabled: "$b_program" >"$logs/b.log" 2>&1 &
b=$!
session_track "$b"
wait_for 15 bash -c '[ "$(xdotool search --onlyvisible --name "^ravelle\$" | wc -l)" -ge 2 ]' ||
    fail "B showed no window: $(tail -3 "$logs/b.log")"
place=0
for window in $(xdotool search --onlyvisible --name '^ravelle$'); do
    xdotool windowmove "$window" $((place * 300)) 0
    place=$((place + 1))
done
sleep 2

ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' /proc/"$1"/stat; }
run_ns() {
    local total=0 v t
    for t in /proc/"$1"/task/*; do read -r v _ 2>/dev/null <"$t/schedstat" && total=$((total + v)); done
    echo "$total"
}
echo "A $a_program"
echo "B $b_program"
echo "$(nproc) cores, $rounds rounds of $seconds s"
for ((round = 1; round <= rounds; round++)); do
    ta=$(ticks "$a") tb=$(ticks "$b") ra=$(run_ns "$a") rb=$(run_ns "$b") tx=$(ticks "$session_xvfb")
    start=$(date +%s%N)
    sleep "$seconds"
    ta2=$(ticks "$a") tb2=$(ticks "$b") ra2=$(run_ns "$a") rb2=$(run_ns "$b") tx2=$(ticks "$session_xvfb")
    end=$(date +%s%N)
    awk -v wall=$((end - start)) -v hz="$(getconf CLK_TCK)" -v ta=$((ta2 - ta)) -v tb=$((tb2 - tb)) \
        -v ra=$((ra2 - ra)) -v rb=$((rb2 - rb)) -v tx=$((tx2 - tx)) 'BEGIN {
        w = wall / 1e9
        printf "A %.3f%% (threads %.3f%%)  B %.3f%% (threads %.3f%%)  B - A threads %+.3f%%  Xvfb %.3f%%\n",
            ta / hz / w * 100, ra / wall * 100, tb / hz / w * 100, rb / wall * 100, (rb - ra) / wall * 100,
            tx / hz / w * 100 }'
done

#!/usr/bin/env bash
# How long each way of closing the player takes, in each state it can be in:
# the end-to-end close test run ROUNDS times over (default 5), then, per
# state, the runs, the longest and the median time from the close to the
# process gone, and the statuses it ended with.
#   bench/close_loop.sh [ROUNDS] [BUILD_FOLDER]
set -euo pipefail
rounds=${1:-5}
build=${2:-"$(dirname "$0")/../build"}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
bash "$(dirname "$0")/../tests/e2e/every_close_ends.sh" "$build/bin/ravelle" "$build/bin/wm_close" \
    "$build/bin/libslow_disk.so" "$out" "$rounds" >/dev/null
printf '%-14s %5s %10s %10s  %s\n' state runs "median ms" "longest ms" statuses
for state in $(awk '$4 != "-" { print $1 }' "$out/closes.txt" | sort -u); do
    awk -v s="$state" '$1 == s { print $4 }' "$out/closes.txt" | sort -n >"$out/times"
    runs=$(wc -l <"$out/times")
    printf '%-14s %5d %10d %10d  %s\n' "$state" "$runs" \
        "$(sed -n "$(((runs + 1) / 2))p" "$out/times")" "$(tail -1 "$out/times")" \
        "$(awk -v s="$state" '$1 == s { print $3 }' "$out/closes.txt" | sort | uniq -c | tr -s ' ' | tr '\n' ' ')"
done
echo "SIGTERM during start-up, in 10 ms steps: $(awk '$4 == "-"' "$out/closes.txt" | wc -l) runs," \
    "statuses: $(awk '$4 == "-" { print $3 }' "$out/closes.txt" | sort | uniq -c | tr -s ' ' | tr '\n' ' ')"
echo "players left running: $(pgrep -c -f "$build/bin/ravelle" || true)"

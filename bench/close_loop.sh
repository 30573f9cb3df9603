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
awk '$4 != "-" {
        key = $1; n[key]++; t[key, n[key]] = $4; s[key] = s[key] " " $2 ":" $3
        if ($4 > max[key]) max[key] = $4
    }
    $4 == "-" { starts++; st[$3]++ }
    END {
        printf "%-14s %5s %10s %10s\n", "state", "runs", "median ms", "longest ms"
        for (key in n) {
            m = n[key]
            for (i = 1; i <= m; i++) v[i] = t[key, i]
            asort(v)
            printf "%-14s %5d %10d %10d\n", key, m, v[int((m + 1) / 2)], max[key]
            delete v
        }
        printf "SIGTERM during start-up: %d runs, statuses:", starts
        for (code in st) printf " %s x%d", code, st[code]
        printf "\n"
    }' "$out/closes.txt"
echo "players left running: $(pgrep -c -f "$build/bin/ravelle" || true)"

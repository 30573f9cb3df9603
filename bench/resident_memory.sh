#!/usr/bin/env bash
# Resident memory of the player 3 s after it starts, with an empty playlist,
# under a private Xvfb display.
#   bench/resident_memory.sh [build/bin/ravelle]
set -euo pipefail
program=${1:-"$(dirname "$0")/../build/bin/ravelle"}
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config xvfb-run -a bash -c '
  "$0" & pid=$!
  sleep 3
  grep -E "VmRSS|VmHWM" /proc/$pid/status
  kill -TERM $pid; wait $pid' "$program"

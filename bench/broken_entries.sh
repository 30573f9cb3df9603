#!/usr/bin/env bash
# bench_broken_entries as the player meets it: on a private Xvfb display and
# a PulseAudio null sink, the GStreamer device on its usual output
# (autoaudiosink, which finds the sound server).
#
#   bench/broken_entries.sh [KINDS] [SIZES]
#
# KINDS and SIZES as bench_broken_entries takes them (defaults
# "missing,notaudio" and "300,1000,32767"). Figures only.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bench=$here/../build/bin/bench_broken_entries
# shellcheck source=../scripts/headless_session.sh
source "$here/../scripts/headless_session.sh"

[ -x "$bench" ] || fail "no benchmark at '$bench' (build the target bench_broken_entries)"
session_require lame sox
logs=$(mktemp -d)
session_start "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT

"$bench" "${1:-missing,notaudio}" "${2:-300,1000,32767}" autoaudiosink 2> >(grep -v 'propagateSizeHints' >&2)

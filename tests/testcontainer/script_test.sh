#!/usr/bin/env bash
# The control test container under a private X server, running one of its
# scripts: pointer and keys go through the server's XTEST extension and come
# back as a person's would.
#
#   script_test.sh [--register] CONTAINER SCRIPT EXPECTED|--held-key OUTPUT_FOLDER
#
# With EXPECTED, the container's answers (each command echoed, the program's
# folder written BIN, its settings folder CONFIG, and its exit status last)
# must be the file's lines.
# With --held-key, a held key must have repeated its KeyDown, paged once for
# each, and gone up once, after the last repeat. --register puts the slider in the
# per-user component registry first, so it is found there and not through
# the manifest beside the program.
#
# Skips (exit 77) only when Xvfb itself is not installed. Every process it
# starts is ended on any exit, and every wait has a limit.
set -uo pipefail

register=false
if [ "${1:-}" = --register ]; then
    register=true
    shift
fi
container=${1:?usage: script_test.sh [--register] CONTAINER SCRIPT EXPECTED|--held-key OUTPUT_FOLDER}
script=${2:?missing SCRIPT}
expected=${3:?missing EXPECTED or --held-key}
out=${4:?missing OUTPUT_FOLDER}

if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

[ -x "$container" ] || fail "no test container at '$container'"
[ -r "$script" ] || fail "cannot read the script '$script'"
bin=$(cd "$(dirname "$container")" && pwd)
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{output.txt,answers.txt,container.log,xvfb.log}

# A wide screen: the stage grows with the control, and a control 12,000
# twips wide needs more than 800 pixels.
SESSION_SCREEN=1280x1024x24 session_start_display "$out"
work=$session_dir/work
mkdir -p "$work"

if $register; then
    "$bin/regcomp" "$bin/libquillet.so" >"$out/container.log" 2>&1 ||
        fail "regcomp could not register the slider (see $out/container.log)"
fi

# The script's files (save, load) land in the session's folder.
(cd "$work" && timeout 120 "$container" --script "$(realpath "$script")" --echo \
    >"$out/output.txt" 2>>"$out/container.log")
status=$?
[ "$status" -ne 124 ] || fail "the container did not finish the script within 120 s"

{
    sed -e "s|$bin|BIN|g" -e "s|$XDG_CONFIG_HOME|CONFIG|g" "$out/output.txt"
    echo "Exit $status"
} >"$out/answers.txt"

if [ "$expected" != --held-key ]; then
    diff -u "$expected" "$out/answers.txt" >"$out/difference.txt" || {
        cat "$out/difference.txt"
        fail "the container's answers differ from $expected (see $out)"
    }
    echo "PASS: $(grep -c '^> ' "$out/answers.txt") commands answered as expected"
    exit 0
fi

# --- a held key ----------------------------------------------------------------
# From "keydown" on, KeyDown after KeyDown, each with its page (some may be
# handed over after "keyup" was sent, on a busy machine), then exactly one
# KeyUp, last, carrying the Value the repeats reached.
awk '
    /^> keydown/ { held = 1; next }
    /^> / || !held { next }
    / KeyDown / { downs++; if (ups) late++ }
    / Change / { changes++ }
    / KeyUp / { ups++; split($NF, v, "="); value = v[2] }
    END {
        printf "KeyDown %d, Change %d, KeyUp %d, KeyDown after the KeyUp %d, Value %s\n",
               downs, changes, ups, late, value
        exit !(downs >= 2 && changes == downs && ups == 1 && late == 0 && value == downs)
    }' "$out/answers.txt" || fail "a held key did not repeat and go up once (see $out/answers.txt)"
[ "$status" -eq 0 ] || fail "the container exited with $status (see $out/answers.txt)"
echo "PASS: the held key went up once"

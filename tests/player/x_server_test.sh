#!/usr/bin/env bash
# Runs a test program on Qt's X platform under a private Xvfb display.
#
#   x_server_test.sh PROGRAM [GTEST ARGUMENTS...]
#
# Skips (exit 77) only when Xvfb itself is not installed. The server is
# ended on any exit.
set -uo pipefail
program=${1:?usage: x_server_test.sh PROGRAM [GTEST ARGUMENTS...]}
shift
if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"
logs=$(mktemp -d)
session_start_display "$logs"
trap 'session_cleanup; rm -rf "$logs"' EXIT
QT_QPA_PLATFORM=xcb timeout 120 "$program" "$@"
status=$?
[ "$status" -ne 124 ] || fail "the tests did not finish within 120 s"
exit "$status"

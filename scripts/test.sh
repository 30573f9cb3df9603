#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests run
# on Qt's offscreen platform; no display or sound card is needed.
#
# With no arguments every test runs twice over: through ctest, each case in
# a process of its own, and then each test program whole, its cases in a
# shuffled order, so a case that leaves something behind (a held mouse
# button, a changed global) fails the one after it. Arguments pass on to
# ctest alone (scripts/test.sh -R Transport).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)" "$@"
[ $# -eq 0 ] || exit 0

failed=()
while read -r program; do
  [ -n "$program" ] || continue
  echo "== $(basename "$program") --gtest_shuffle"
  if ! QT_QPA_PLATFORM=offscreen "$program" --gtest_shuffle; then
    failed+=("$(basename "$program")")
  fi
done < test-programs.txt
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed when run whole and shuffled: ${failed[*]}" >&2
  exit 1
fi

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests run
# on Qt's offscreen platform; no display or sound card is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)" "$@"

#!/usr/bin/env bash
# Lines of the product code, of the tests and of the test scripts, as git
# holds them, and the tests' share of the product.
#   scripts/line_counts.sh [REVISION]
set -euo pipefail
cd "$(dirname "$0")/.."
revision=${1:-HEAD}
count() {  # PATTERN FOLDER...
    local pattern=$1
    shift
    git ls-tree -r --name-only "$revision" -- "$@" | grep -E "$pattern" |
        while read -r file; do git show "$revision:$file"; done | wc -l
}
product=$(count '\.(cpp|h)$' platform player slider tools)
tests=$(count '\.(cpp|h)$' tests)
scripts=$(count '\.(sh|script|expected)$' tests)
printf 'product code  %6d\n' "$product"
printf 'tests (C++)   %6d  %3d%% of the product\n' "$tests" $((100 * tests / product))
printf 'test scripts  %6d  (tests with them: %d%%)\n' "$scripts" $((100 * (tests + scripts) / product))

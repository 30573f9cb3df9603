#!/usr/bin/env bash
# The resources and the type library the build puts into the slider library
# and the program, as resdump reads them from the files, must be the lines of
# resdump.expected; and the slider's exports as resdump reads them must be
# what the system's nm sees.
#
#   resdump_test.sh RESDUMP EXPECTED FILE...   (the FILEs in one folder)
#
# After a deliberate change of quillet.idl or a resource script, write the
# new expectation with: cd build/bin && resdump libquillet.so ravelle
# (then put "some" for the program's count of symbols).
set -uo pipefail
resdump=${1:?usage: resdump_test.sh RESDUMP EXPECTED FILE...}
expected=${2:?missing EXPECTED}
shift 2
cd "$(dirname "$1")" || exit 1
files=()
for f in "$@"; do files+=("$(basename "$f")"); done

# A program's dynamic symbols are whatever its libraries happen to need:
# only that it has some counts.
if ! answers=$("$resdump" "${files[@]}"); then
    echo "FAIL: resdump could not read ${files[*]}"
    exit 1
fi
sed -E 's/^exports: [0-9]+ symbols$/exports: some symbols/' <<<"$answers" |
    diff -u "$expected" - || {
    echo "FAIL: the built files carry other resources than $expected"
    exit 1
}

seen=$(nm -D --defined-only --format=just-symbols "${files[0]}" | LC_ALL=C sort | tr '\n' ' ')
read_back=$(sed -n 's/^exports: //p' <<<"$answers" | head -1)
[ "$seen" = "$read_back " ] || {
    echo "FAIL: nm sees the exports of ${files[0]} as '$seen', resdump as '$read_back'"
    exit 1
}
echo "PASS: the resources, type library and exports read as expected"

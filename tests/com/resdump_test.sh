#!/usr/bin/env bash
# What the build puts into the slider library and the program (resources,
# type library, exports), as resdump reads it from the files, must be
# resdump.expected; the exports must also be what nm sees. After a deliberate
# change of quillet.idl or a resource script, write the file anew from
# build/bin with: resdump libquillet.so ravelle; then put "some" for the
# program's count of symbols, which is whatever its libraries happen to need.
#
#   resdump_test.sh RESDUMP EXPECTED FILE...   (the FILEs in one folder)
set -uo pipefail
resdump=${1:?usage: resdump_test.sh RESDUMP EXPECTED FILE...}
expected=${2:?missing EXPECTED}
shift 2
cd "$(dirname "$1")" || exit 1
files=()
for f in "$@"; do files+=("$(basename "$f")"); done

answers=$("$resdump" "${files[@]}") || { echo "FAIL: resdump could not read ${files[*]}"; exit 1; }
sed -E 's/^exports: [0-9]+ symbols$/exports: some symbols/' <<<"$answers" | diff -u "$expected" - ||
    { echo "FAIL: the built files carry other than $expected"; exit 1; }
seen=$(nm -D --defined-only --format=just-symbols "${files[0]}" | LC_ALL=C sort | tr '\n' ' ')
[ "$seen" = "$(sed -n 's/^exports: //p' <<<"$answers" | head -1) " ] ||
    { echo "FAIL: nm sees the exports of ${files[0]} as '$seen'"; exit 1; }
echo "PASS: the resources, type library and exports read as expected"

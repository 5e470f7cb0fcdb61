#!/usr/bin/env bash
# The recovery's table tests built natively with the host clang, GoogleTest
# (from the sources the setup installs), AddressSanitizer and
# UndefinedBehaviorSanitizer, and run.
set -euo pipefail
root=${QUILLET_SOURCE:-$(cd "$(dirname "$0")/../.." && pwd)}
out=${QUILLET_BUILD:-$root/build}/salvage_native
mkdir -p "$out"
cxx=$(command -v clang++-14 || command -v clang++) || { echo "salvage_native: clang++ is missing"; exit 2; }
flags=(-std=c++17 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all)
gtest=/usr/src/googletest/googletest
# GoogleTest itself is built once per build folder.
if [ ! -f "$out/gtest.o" ]; then
  "$cxx" "${flags[@]}" -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" -o "$out/gtest.o.part"
  mv "$out/gtest.o.part" "$out/gtest.o"
fi
"$cxx" "${flags[@]}" -Wall -Wextra -I"$root" -I"$gtest/include" \
  "$root/storage/compound_format.cpp" "$root/storage/compound_check.cpp" "$root/storage/compound_salvage.cpp" \
  "$root/storage/note_salvage.cpp" "$root/storage/records.cpp" "$root/tests/storage/salvage_test.cpp" \
  "$gtest/src/gtest_main.cc" "$out/gtest.o" -pthread -o "$out/salvage_test"
"$out/salvage_test"

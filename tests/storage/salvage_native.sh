#!/usr/bin/env bash
# The recovery's table tests built natively with the host clang, GoogleTest,
# AddressSanitizer and UndefinedBehaviorSanitizer, and run.
set -euo pipefail
root=${QUILLET_SOURCE:-$(cd "$(dirname "$0")/../.." && pwd)}
out=${QUILLET_BUILD:-$root/build}/salvage_native
mkdir -p "$out"
cxx=$(command -v clang++-14 || command -v clang++) || { echo "salvage_native: clang++ is missing"; exit 2; }
"$cxx" -std=c++17 -O1 -g -Wall -Wextra -fsanitize=address,undefined -fno-sanitize-recover=all -I"$root" \
  "$root/storage/compound_format.cpp" "$root/storage/compound_check.cpp" "$root/storage/compound_salvage.cpp" \
  "$root/storage/note_salvage.cpp" "$root/storage/records.cpp" "$root/tests/storage/salvage_test.cpp" \
  -lgtest -lgtest_main -pthread -o "$out/salvage_test"
"$out/salvage_test"

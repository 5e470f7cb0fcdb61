#!/usr/bin/env bash
# Ends Quillet while each of its modal loops runs, keeping the note files, then
# reads each file with Debian's olefile and compares it with what was typed.
set -euo pipefail
exe=$1
out=$TEST_TMP/ending-olefile
rm -rf "$out"; mkdir -p "$out"
QUILLET_OLEFILE_OUT="Z:$(echo "$out" | tr / '\\')" "$QUILLET_WINE" "$exe" \
  --gtest_filter='EveryLoop/EndingDuringModalLoop.*'
count=$(ls "$out"/*.qld 2>/dev/null | wc -l)
[ "$count" -ge 40 ] || { echo "only $count note files kept"; exit 1; }
/usr/bin/python3 "$QUILLET_SOURCE/tests/support/olefile_check.py" expected "$out"

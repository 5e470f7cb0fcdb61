#!/usr/bin/env bash
# Runs tests that keep their note files (KeepForOlefileCheck), then reads each
# file with Debian's olefile and compares it with what the test expected.
# usage: olefile_check.sh TEST_EXE GTEST_FILTER FEWEST_FILES
set -euo pipefail
exe=$1
filter=$2
fewest=$3
out=$TEST_TMP/olefile-$(basename "$exe" .exe)-$(echo "$filter" | tr -c 'A-Za-z0-9\n' '_')
rm -rf "$out"; mkdir -p "$out"
QUILLET_OLEFILE_OUT="Z:$(echo "$out" | tr / '\\')" "$QUILLET_WINE" "$exe" --gtest_filter="$filter"
count=$(ls "$out"/*.qld 2>/dev/null | wc -l)
[ "$count" -ge "$fewest" ] || { echo "only $count note files kept"; exit 1; }
/usr/bin/python3 "$(dirname "$0")/olefile_check.py" expected "$out"

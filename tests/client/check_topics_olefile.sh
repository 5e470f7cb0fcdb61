#!/usr/bin/env bash
# Runs the topic-list tests, keeping their note files, then reads each file
# with Debian's olefile and compares it with what the test expected.
set -euo pipefail
exe=$1
out=$TEST_TMP/topics-olefile
rm -rf "$out"; mkdir -p "$out"
QUILLET_OLEFILE_OUT="Z:$(echo "$out" | tr / '\\')" "$QUILLET_WINE" "$exe" --gtest_filter='TopicList.*'
count=$(ls "$out"/*.qld | wc -l)
[ "$count" -ge 5 ] || { echo "only $count note files kept"; exit 1; }
/usr/bin/python3 "$(dirname "$0")/../support/olefile_check.py" expected "$out"

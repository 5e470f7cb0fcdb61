#!/usr/bin/env bash
# Writes note files with the program's storage layer under Wine, then reads
# them back with olefile (Debian's python3-olefile).
set -euo pipefail
: "${QUILLET_BUILD:?}" "${QUILLET_SOURCE:?}" "${QUILLET_WINE:?}" "${TEST_TMP:?}"
out="$TEST_TMP/notefiles"
rm -rf "$out"
mkdir -p "$out"
winpath="Z:${out//\//\\}"
"$QUILLET_WINE" "$QUILLET_BUILD/tests/storage/make_notefiles.exe" "$winpath"
for f in new.qld topics.qld appearance.qld; do
  [ -f "$out/$f" ] || { echo "missing $out/$f" >&2; exit 1; }
done
/usr/bin/python3 "$QUILLET_SOURCE/tests/storage/check_notefiles.py" "$out"

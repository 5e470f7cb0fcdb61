#!/usr/bin/env bash
# Checks the manifest of the given programs and of the 32-bit ones built beside them.
set -euo pipefail
programs=("$@")
win32=$QUILLET_BUILD/../win32
if [ "$(cd "$QUILLET_BUILD" && pwd)" != "$(cd "$win32" 2>/dev/null && pwd)" ]; then
  for p in Quillet.exe Unquill.exe; do
    if [ -f "$win32/$p" ]; then programs+=("$win32/$p"); else echo "no 32-bit $p built: not checked"; fi
  done
fi
/usr/bin/python3 "$(dirname "$0")/check_manifest.py" "${programs[@]}"

#!/usr/bin/env bash
# Runs the first-start tests with Quillet.exe on a read-only file system of its
# own, as a standard user's program folder is. Needs the right to mount;
# skipped (77) without it.
set -euo pipefail
exe=$1
program=$2
folder=$TEST_TMP/read-only-program
mkdir -p "$folder"
mountpoint -q "$folder" && umount "$folder"
if ! mount -t tmpfs -o size=32m tmpfs "$folder" 2>/dev/null; then
  echo "read-only program folder test skipped: cannot mount a file system here"
  exit 77
fi
trap 'umount "$folder" 2>/dev/null || true' EXIT
cp "$program" "$folder/"
mount -o remount,ro "$folder"
QUILLET_READ_ONLY_PROGRAM="Z:$(echo "$folder/$(basename "$program")" | tr / '\\')" \
  "$QUILLET_WINE" "$exe" --gtest_filter='ReadOnlyProgramFolder.*'

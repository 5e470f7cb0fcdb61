#!/usr/bin/env bash
# Runs the full-disk end-to-end test on a small file system of its own, which
# the test fills and empties. Needs the right to mount; skipped (77) without it.
set -euo pipefail
exe=$1
disk=$TEST_TMP/full-disk
mkdir -p "$disk"
mountpoint -q "$disk" && umount "$disk"
if ! mount -t tmpfs -o size=512k tmpfs "$disk" 2>/dev/null; then
  echo "full-disk test skipped: cannot mount a small file system here"
  exit 77
fi
trap 'umount "$disk" 2>/dev/null || true' EXIT
QUILLET_FULL_DISK="Z:$(echo "$disk" | tr / '\\')" "$QUILLET_WINE" "$exe" \
  --gtest_filter='*FullDisk*' --gtest_also_run_disabled_tests

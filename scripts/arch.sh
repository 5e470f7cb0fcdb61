# Sourced: picks the Windows architecture the tests run as on this host.
# The shipped programs are always 32-bit. Hosts whose kernel cannot execute
# 32-bit code cannot run 32-bit Wine; there the tests run as a 64-bit build
# of the same sources under wine64.
if [ -z "${QUILLET_TEST_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    QUILLET_TEST_ARCH=win32
  else
    QUILLET_TEST_ARCH=win64
  fi
fi
case "$QUILLET_TEST_ARCH" in
  win32) QUILLET_WINE=/usr/lib/wine/wine ;;
  win64) QUILLET_WINE=/usr/lib/wine/wine64 ;;
  *) echo "unknown QUILLET_TEST_ARCH $QUILLET_TEST_ARCH" >&2; exit 2 ;;
esac
export QUILLET_TEST_ARCH QUILLET_WINE

# Sourced by the run and test scripts: a Wine prefix inside the build folder,
# an X display (Xvfb when none is given) and one persistent wineserver, all
# stopped on exit. Needs QUILLET_ROOT and QUILLET_WINE (scripts/arch.sh).
: "${QUILLET_ROOT:?}" "${QUILLET_WINE:?}" "${QUILLET_TEST_ARCH:?}"
export WINEPREFIX="${WINEPREFIX_QUILLET:-${QUILLET_BUILD_ROOT:-$QUILLET_ROOT/build}/wineprefix-$QUILLET_TEST_ARCH}"
export WINEARCH=$QUILLET_TEST_ARCH WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${TEST_TMP:=${QUILLET_BUILD_ROOT:-$QUILLET_ROOT/build}/test-tmp}"
mkdir -p "$TEST_TMP"
export TEST_TMP

XVFB_PID=
wine_env_cleanup() {
  local rc=$?
  if declare -F printers_cleanup >/dev/null; then printers_cleanup; fi
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  exit $rc
}
trap wine_env_cleanup EXIT INT TERM

start_xvfb() {
  local dfd n
  exec {dfd}<> <(:)
  Xvfb -displayfd "$dfd" -screen 0 1280x1024x24 -nolisten tcp >"$TEST_TMP/xvfb.log" 2>&1 &
  XVFB_PID=$!
  if ! read -r -t 10 -u "$dfd" n || [ -z "$n" ]; then
    exec {dfd}>&-
    echo "Xvfb did not start within 10 s; its log ($TEST_TMP/xvfb.log) says:" >&2
    cat "$TEST_TMP/xvfb.log" >&2 2>/dev/null || true
    return 1
  fi
  exec {dfd}>&-
  export DISPLAY=":$n"
}

prepare_wineprefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$QUILLET_WINE" wineboot -i >"$TEST_TMP/wineboot.log" 2>&1 || true
    # Without a window manager Wine stalls 2 s on every hidden or closed window.
    "$QUILLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  # Debian's Wine looks for its own fonts in <data dir>/../fonts rather than
  # /usr/share/wine/fonts, where fonts-wine installs them, so it never finds
  # Marlett and draws the caption buttons as "0 1 r". Install Marlett the
  # Windows way, into the prefix's Fonts folder (scanned when fonts load).
  local marlett=/usr/share/wine/fonts/marlett.ttf fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ ! -f "$fonts/marlett.ttf" ]; then
    if [ -f "$marlett" ]; then
      mkdir -p "$fonts" && cp "$marlett" "$fonts/"
    else
      echo "wine-env: $marlett is missing (package fonts-wine); caption buttons will show as letters" >&2
    fi
  fi
  wineserver -p
  "$QUILLET_WINE" cmd /c exit >/dev/null 2>&1 || true   # warm-up
}

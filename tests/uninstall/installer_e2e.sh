#!/usr/bin/env bash
# The installer end to end in the test Wine prefix: silent install; uninstall
# through the Add/Remove entry (Unquill with its boxes answered, then the
# chained uninstaller); silent uninstall; and the uninstaller's own questions.
# The installed Quillet is started too when the packaged one is the note pad.
set -euo pipefail
: "${QUILLET_BUILD:?}" "${QUILLET_WINE:?}" "${WINEPREFIX:?}"

setup=$QUILLET_BUILD/QuilletSetup.exe
payload=$QUILLET_BUILD/installer/payload
driver=$QUILLET_BUILD/tests/uninstall/box_driver.exe
if [ ! -f "$setup" ]; then
  echo "SKIP: $setup was not built (makensis missing, or the installer target was not built)"
  exit 77
fi
[ -f "$driver" ] || { echo "FAIL: $driver was not built"; exit 1; }

arp='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
arp_path='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
vendor_hklm='HKLM\Software\Larkspur Software'
chain_key='HKLM\Software\Larkspur Software\Quillet\1.00 Beta 3\Uninstall'
settings='HKCU\Software\Larkspur Software\Quillet\1.00\Config'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value='Larkspur Software Quillet'
work=${TEST_TMP:-$QUILLET_BUILD/test-tmp}/installer-e2e

fail() { echo "FAIL: $*"; exit 1; }
step() { echo; echo "== $*"; }
wine_() { "$QUILLET_WINE" "$@"; }
unix_path() { wine_ winepath -u "$1" 2>/dev/null | tr -d '\r'; }
key_exists() { wine_ reg query "$1" >/dev/null 2>&1; }
# Prints the data of a string value, or nothing; fails when it is missing.
reg_value() {
  local out
  out=$(wine_ reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  printf '%s\n' "$out" | awk -v name="$2" '
    { line = $0; sub(/^    /, "", line) }
    index(line, name "    REG_") == 1 {
      rest = substr(line, length(name) + 5); sub(/^REG_[A-Z_]*    /, "", rest); print rest; found = 1 }
    END { exit !found }'
}
wait_until() {  # seconds, then a command that must come true
  local limit=$(( $1 * 10 )); shift
  for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
missing() { [ ! -e "$1" ]; }
shortcut() { find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Quillet/Quillet.lnk' 2>/dev/null; }

# The driver's output goes to a log: the programs it starts (and the
# uninstaller they start) inherit its output, and must not keep the test's
# own output open should one of them hang.
drive() {
  local rc=0
  wine_ "$driver" "$@" > "$work/driver.log" 2>&1 || rc=$?
  cat "$work/driver.log"
  return $rc
}

forget_install() {
  wine_ taskkill /f /im Un.exe >/dev/null 2>&1 || true
  wine_ taskkill /f /im Unquill.exe >/dev/null 2>&1 || true
  wine_ taskkill /f /im Quillet.exe >/dev/null 2>&1 || true
  wine_ reg delete "$arp" /f >/dev/null 2>&1 || true
  wine_ reg delete "$vendor_hklm" /f >/dev/null 2>&1 || true
  wine_ reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1 || true
  wine_ reg delete "$run_key" /v "$run_value" /f >/dev/null 2>&1 || true
  [ -n "${inst:-}" ] && rm -rf "$inst"
  find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Quillet' -prune -exec rm -rf {} + 2>/dev/null || true
}
trap forget_install EXIT
inst=
forget_install
rm -rf "$work"; mkdir -p "$work/notes"

install_silently() {
  wine_ "$setup" /S || fail "silent install ended with $?"
  instdir=$(reg_value "$arp" InstallLocation) || fail "no InstallLocation in $arp"
  inst=$(unix_path "$instdir")
  [ -d "$inst" ] || fail "program folder $instdir ($inst) missing"
}

step "silent install"
install_silently
echo "installed in $instdir"
for f in Quillet.exe Unquill.exe; do
  [ -f "$inst/$f" ] || fail "$f not installed"
  cmp -s "$inst/$f" "$payload/$f" || fail "installed $f differs from the packaged one"
done
[ -f "$inst/uninst.exe" ] || fail "uninst.exe not installed"
echo "Quillet.exe and Unquill.exe installed, identical to the packaged programs"
[ -n "$(shortcut)" ] || fail "no Start-menu shortcut"
[ "$(reg_value "$arp" DisplayName)" = "Quillet" ] || fail "DisplayName"
[ "$(reg_value "$arp" UninstallString)" = "\"$instdir\\Unquill.exe\" DoUninstall" ] ||
  fail "UninstallString is $(reg_value "$arp" UninstallString)"
[ "$(reg_value "$chain_key" Chain)" = "\"$instdir\\uninst.exe\"" ] ||
  fail "Chain is $(reg_value "$chain_key" Chain)"

step "uninstall through the Add/Remove entry: Unquill, then the chained uninstaller"
printf 'To-do\r\nmy own notes\r\n' > "$work/notes/My notes.qld"
notes_sum=$(md5sum < "$work/notes/My notes.qld")
notes_win=$(wine_ winepath -w "$work/notes/My notes.qld" 2>/dev/null | tr -d '\r')
wine_ reg add "$settings" /v DefaultFile /t REG_SZ /d "$notes_win" /f >/dev/null
wine_ reg add "$run_key" /v "$run_value" /t REG_SZ /d "$instdir\\Quillet.exe" /f >/dev/null
# With the real note pad packaged, the installed Quillet runs during the
# uninstall: Unquill asks twice, and goes on once Quillet has been closed.
running_steps=()
if grep -q QuilletWndClass "$inst/Quillet.exe"; then
  started_win=$(wine_ winepath -w "$work/notes/Started.qld" 2>/dev/null | tr -d '\r')
  wine_ "$inst/Quillet.exe" /nosystray "$started_win" > "$work/quillet.log" 2>&1 &
  quillet_pid=$!
  drive '!wait|QuilletWndClass' || fail "the installed Quillet did not start"
  running_steps=('Quillet Uninstall|currently running|1' '!close|QuilletWndClass'
                 'Quillet Uninstall|currently running|1')
else
  echo "the packaged Quillet.exe is not the note pad: it is not started"
fi
drive --timeout 60 --run-registry "$arp_path" UninstallString \
  'Quillet Uninstall|Please ensure that Quillet is not currently running|1' \
  "${running_steps[@]}" \
  'Quillet Uninstall|set to run automatically at startup|1' \
  'Remove Quillet|This will remove Quillet|1' \
  'Remove Quillet|remove your Quillet settings|7' || fail "the uninstall did not go as expected"
wait_until 60 missing "$inst" || fail "program folder still there: $(ls -A "$inst")"
[ -z "$(shortcut)" ] || fail "Start-menu shortcut left behind"
key_exists "$arp" && fail "Add/Remove entry left behind"
key_exists "$vendor_hklm" && fail "installer key left behind"
reg_value "$run_key" "$run_value" >/dev/null && fail "Run value left behind"
[ "$(reg_value "$settings" DefaultFile)" = "$notes_win" ] || fail "settings removed though the user said No"
[ "$(md5sum < "$work/notes/My notes.qld")" = "$notes_sum" ] || fail "note file kept elsewhere was changed"
if [ -n "${quillet_pid:-}" ]; then
  wait "$quillet_pid" || fail "Quillet ended with exit code $?"
  [ -s "$work/notes/Started.qld" ] || fail "the note file Quillet made is missing"
fi
echo "program folder, shortcut and registry entries gone; settings and the note files kept"

step "silent uninstall keeps a note file in the program folder"
install_silently
printf 'kept inside\r\n' > "$inst/Quillet.qld"
drive --run-registry "$arp_path" QuietUninstallString || fail "QuietUninstallString did not run"
wait_until 60 missing "$inst/uninst.exe" || fail "silent uninstall did not finish"
wait_until 10 missing "$inst/Unquill.exe" || fail "Unquill.exe left behind"
[ "$(ls -A "$inst")" = "Quillet.qld" ] || fail "program folder holds: $(ls -A "$inst")"
[ "$(cat "$inst/Quillet.qld")" = $'kept inside\r' ] || fail "note file in the program folder changed"
key_exists "$arp" && fail "Add/Remove entry left behind"
reg_value "$settings" DefaultFile >/dev/null || fail "silent uninstall removed the settings"
echo "program files gone; the note file in the folder and the settings kept"

step "uninstaller started directly, the user asks to remove settings and note files"
install_silently
[ -f "$inst/Quillet.qld" ] || fail "note file lost by the reinstall"
wine_ reg add "$run_key" /v "$run_value" /t REG_SZ /d "$instdir\\Quillet.exe" /f >/dev/null
drive --timeout 60 --run "\"$instdir\\uninst.exe\"" \
  'Remove Quillet|This will remove Quillet|1' \
  'Remove Quillet|remove your Quillet settings|6' \
  'Remove Quillet|still holds note files|6' || fail "the uninstall did not go as expected"
wait_until 60 missing "$inst" || fail "program folder still there: $(ls -A "$inst")"
key_exists 'HKCU\Software\Larkspur Software' && fail "settings kept though the user said Yes"
reg_value "$run_key" "$run_value" >/dev/null && fail "Run value left behind"
[ "$(md5sum < "$work/notes/My notes.qld")" = "$notes_sum" ] || fail "note file kept elsewhere was changed"
echo "everything removed; the note file elsewhere untouched"

rm -rf "$work"
echo; echo "PASS"

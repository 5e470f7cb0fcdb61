#!/usr/bin/env bash
# Makes the real program's own writes of its note file and of its journal
# fail, with strace, while
# a scripted session (DiskFaults.Session in e2e_tests) takes every step a user
# takes, then reads the file with olefile: it must hold a state the session
# committed, and the rest must be in the emergency-saved file.
#   write_faults.sh E2E_EXE [sample|all]
# sample: a few injection points of each kind (the ctest entry); all: every
# call K of the session on either file, for EIO, ENOSPC and EROFS, failing once, three times
# and from K on. Two sessions run at a time, the second with a Wine prefix,
# wineserver and X display of its own, so that neither takes the other's focus.
# Skipped (77) only where ptrace is not allowed.
set -uo pipefail
exe=$1
mode=${2:-sample}
quillet=$QUILLET_BUILD/Quillet.exe
calls=pwrite64,write,ftruncate,ftruncate64
check=$QUILLET_SOURCE/tests/support/olefile_check.py
if ! command -v strace >/dev/null || ! strace -f -qq -o /dev/null true 2>/dev/null; then
  echo "write faults skipped: strace cannot trace here"
  exit 77
fi
work=$TEST_TMP/write-faults
rm -rf "$work"; mkdir -p "$work"
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
start=$work/start.qld
states=$work/states.jsonl
QUILLET_FAULT_PREPARE=$(win "$start") QUILLET_FAULT_STATES=$(win "$states") \
  "$QUILLET_WINE" "$exe" --gtest_filter=DiskFaults.Session >"$work/prepare.log" 2>&1 \
  || { echo "could not prepare the note file"; cat "$work/prepare.log"; exit 1; }

# The second lane: a copy of the Wine prefix, its own wineserver and Xvfb.
lane2_xvfb=
stop_lane2() {
  [ -d "$work/prefix2" ] && WINEPREFIX=$work/prefix2 wineserver -k 2>/dev/null
  [ -n "$lane2_xvfb" ] && kill "$lane2_xvfb" 2>/dev/null && wait "$lane2_xvfb" 2>/dev/null
  rm -rf "$work/prefix2"
}
trap stop_lane2 EXIT
start_lane2() {
  cp -a "$WINEPREFIX" "$work/prefix2" || return 1
  local dfd n
  exec {dfd}<> <(:)
  Xvfb -displayfd "$dfd" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb2.log" 2>&1 &
  lane2_xvfb=$!
  read -r -t 10 -u "$dfd" n || return 1
  exec {dfd}>&-
  lane2_display=:$n
  WINEPREFIX=$work/prefix2 wineserver -p
  # The prefix's system services start here, untraced: started by a traced
  # session they would be followed by its strace, which would then never end.
  WINEPREFIX=$work/prefix2 DISPLAY=$lane2_display "$QUILLET_WINE" cmd /c exit >/dev/null 2>&1
}

# Waits up to a minute for the traced program to end after its driver, then
# kills it (a driver that failed early leaves it running) and fails.
end_traced() {
  timeout 60 tail -s 0.1 --pid="$1" -f /dev/null
  local late=$?
  [ $late -eq 0 ] || pkill -9 -P "$1"
  wait "$1"
  return $late
}

# One session on lane's note file with the given injection ("" for none); one
# result line goes to lane's results; the calls traced go to lane's trace.
session() {
  local lane=$1 inject=$2
  local dir=$work/$lane note=$work/$lane/$lane.qld rescue=$work/$lane/rescue.qld
  if [ "$lane" = lane2 ]; then
    local WINEPREFIX=$work/prefix2 DISPLAY=$lane2_display
    export WINEPREFIX DISPLAY
  fi
  mkdir -p "$dir"; cp "$start" "$note"; rm -f "$rescue" "$note-journal"
  strace -f -qq -y --seccomp-bpf -o "$dir/trace.log" -P "$note" -P "$note-journal" -e trace=$calls \
    ${inject:+-e inject=$calls:$inject} "$QUILLET_WINE" "$quillet" /visible "$(win "$note")" 2>"$dir/quillet.log" &
  local traced=$!
  QUILLET_FAULT_CAPTION=$lane QUILLET_FAULT_RESCUE=$(win "$rescue") \
    "$QUILLET_WINE" "$exe" --gtest_filter=DiskFaults.Session >"$dir/session.log" 2>&1
  local rc=$?
  end_traced $traced || rc=1
  local figures held ok played=
  figures=$(grep -o 'fatal boxes.*' "$dir/session.log")
  # Read as the program opens it: a journal left behind is played back first.
  if [ -s "$note-journal" ]; then
    played=", journal played back"
    cp "$note" "$dir/unplayed.qld"; cp "$note-journal" "$dir/unplayed.qld-journal"
  fi
  QUILLET_FAULT_OPEN=$(win "$note") "$QUILLET_WINE" "$exe" --gtest_filter=DiskFaults.Session \
    >"$dir/open.log" 2>&1 || rc=1
  held=$(/usr/bin/python3 "$check" states "$states" "$note" $([ -f "$rescue" ] && echo "$rescue"))
  ok=$?
  local verdict=ok
  [ -n "$figures" ] || verdict=FAIL  # the session did not get to its end
  [[ -z $figures || $figures == "fatal boxes 0,"* ]] || verdict=FATAL
  [ $ok -eq 0 ] || verdict=LOSS
  [ $rc -eq 0 ] || [ $verdict != ok ] || verdict=FAIL
  echo "$verdict ${inject:-no faults}: $figures$played; $held" >>"$dir/results"
  if [ $verdict != ok ]; then
    local n; n=$(wc -l <"$dir/results")
    grep -E 'Failure|Expected|Which is|unexpected' "$dir/session.log" | head -5 >>"$dir/results"
    cp "$note" "$dir/failed-$n.qld"; [ -f "$rescue" ] && cp "$rescue" "$dir/failed-$n-rescue.qld"
    [ -n "$played" ] && cp "$dir/unplayed.qld" "$dir/failed-$n-unplayed.qld" &&
      cp "$dir/unplayed.qld-journal" "$dir/failed-$n-unplayed.qld-journal"
  fi
}

session lane0 ""
cat "$work/lane0/results"
count=$(grep -cE "(pwrite64|write|ftruncate|ftruncate64)\(" "$work/lane0/trace.log")
journal=$(grep -E "(pwrite64|write|ftruncate|ftruncate64)\(" "$work/lane0/trace.log" | grep -c -- "-journal>")
echo "the session makes $count write, resize and flush calls on its note file and its journal ($journal on the journal)"
[ "$count" -gt 0 ] || { echo "no calls traced"; exit 1; }

if [ "$mode" = all ]; then
  points=$(seq 1 "$count")
else
  points="1 $((count / 3)) $((2 * count / 3)) $count"
fi
injections=()
p=0
for k in $points; do
  p=$((p + 1))
  for error in EIO ENOSPC EROFS; do
    # The sample takes one kind of error at each point, in turn.
    [ "$mode" = all ] || [ "$error" = "$(echo EIO ENOSPC EROFS | cut -d' ' -f$(( (p - 1) % 3 + 1 )))" ] || continue
    for when in "$k" "$k..$((k + 2))" "$k+"; do injections+=("error=$error:when=$when"); done
  done
done
lanes=lane1
start_lane2 && lanes="lane1 lane2" || echo "(one session at a time: no second Wine prefix here)"
workers=()
for lane in $lanes; do
  (
    i=0
    for inject in "${injections[@]}"; do
      i=$((i + 1))
      [ "$lanes" = lane1 ] || [ $((i % 2)) -eq $([ $lane = lane1 ] && echo 1 || echo 0) ] &&
        session $lane "$inject"
    done
  ) &
  workers+=($!)
done
wait "${workers[@]}"

# Read faults on a file to open, write faults on a file to make.
unreadable=$work/unreadable.qld unwritable=$work/unwritable.qld
cp "$start" "$work/note.qld"; cp "$start" "$unreadable"; rm -f "$unwritable"
strace -f -qq --seccomp-bpf -o /dev/null -P "$unreadable" -P "$unwritable" \
  -e trace=read,pread64,$calls -e inject=read,pread64,$calls:error=EIO \
  "$QUILLET_WINE" "$quillet" /visible "$(win "$work/note.qld")" 2>"$work/open-quillet.log" &
traced=$!
QUILLET_FAULT_NOTE=$(win "$work/note.qld") QUILLET_FAULT_UNREADABLE=$(win "$unreadable") \
  QUILLET_FAULT_UNWRITABLE=$(win "$unwritable") \
  "$QUILLET_WINE" "$exe" --gtest_filter=DiskFaults.OpenAndNew >"$work/open.log" 2>&1
rc=$?
end_traced $traced || rc=1
if [ $rc -ne 0 ]; then
  echo "FAIL opening and making files that fail" >>"$work/lane0/results"; tail -20 "$work/open.log"
else
  echo "ok opening a file that cannot be read, making one that cannot be written" >>"$work/lane0/results"
fi

results=$(cat "$work"/lane*/results)
if [ "$mode" = all ]; then echo "$results"; else echo "$results" | grep -vE '^ok' || true; fi
for error in EIO ENOSPC EROFS; do
  for kind in "once:when=[0-9]+:" "three times:when=[0-9]+\.\." "from K on:when=[0-9]+\+"; do
    label=${kind%%:*} pattern=${kind#*:}
    lines=$(echo "$results" | grep -E "error=$error:${pattern}" || true)
    [ -n "$lines" ] || continue
    echo "  $error, $label: $(echo "$lines" | wc -l) runs, $(echo "$lines" | grep -c '^FATAL') fatal," \
         "$(echo "$lines" | grep -c '^LOSS') losses, $(echo "$lines" | grep -c 'emergency save yes') emergency saves"
  done
done
runs=$(echo "$results" | grep -cE '^(ok|FAIL|FATAL|LOSS) (error|no faults)')
echo "write faults: $count injection points, $runs runs," \
     "$(echo "$results" | grep -c '^FATAL') with a fatal box, $(echo "$results" | grep -c '^LOSS') losses," \
     "$(echo "$results" | grep -c '^FAIL') other failures"
! echo "$results" | grep -qE '^(FAIL|FATAL|LOSS)'

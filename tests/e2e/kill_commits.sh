#!/usr/bin/env bash
# Kills the real Quillet.exe with SIGKILL at random instants while it saves a
# big notebook word by word (KillDuringCommits.Type in e2e_tests drives it),
# then opens the file as the program opens it (KillDuringCommits.Check): it
# must open, at a state the session committed. Each run goes on from the file
# the kill before left.
#   kill_commits.sh E2E_EXE [kills] [seed]
# The ctest entry runs a few kills; bench/kill_commits runs many.
set -uo pipefail
exe=$1
kills=${2:-5}
seed=${3:-25}
RANDOM=$seed
quillet=$QUILLET_BUILD/Quillet.exe
work=$TEST_TMP/kill-commits
rm -rf "$work"; mkdir -p "$work"
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
note=$work/kill.qld before=$work/before.qld log=$work/typed.log
QUILLET_KILL_PREPARE=$(win "$note") timeout 120 "$QUILLET_WINE" "$exe" --gtest_filter=KillDuringCommits.Type \
  >"$work/prepare.log" 2>&1 || { echo "could not prepare the notebook"; cat "$work/prepare.log"; exit 1; }
echo "notebook: $(stat -c %s "$note") bytes"

failures=0 hot=0
for round in $(seq 1 "$kills"); do
  cp "$note" "$before"
  rm -f "$log"
  "$QUILLET_WINE" "$quillet" /visible "$(win "$note")" 2>"$work/quillet.log" &
  program=$!  # Wine's loader becomes the program's own process
  QUILLET_KILL_CAPTION=kill QUILLET_KILL_LOG=$(win "$log") QUILLET_KILL_SEED=$RANDOM \
    "$QUILLET_WINE" "$exe" --gtest_filter=KillDuringCommits.Type >"$work/type.log" 2>&1 &
  driver=$!
  # The kill comes at a random instant after the first word, 0.2 to 6 s;
  # every other time, 0 to 20 ms after the next commit has begun to write.
  timeout 60 bash -c "until [ -s '$log' ] || ! kill -0 $driver 2>/dev/null; do sleep 0.05; done"
  delay=$((200 + RANDOM % 5800)) within=
  [ $((round % 2)) -eq 0 ] && within=$((RANDOM % 20000))
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  [ -z "$within" ] || /usr/bin/python3 - "$note" "$within" "$program" <<'EOF'
import os, signal, sys, time
note, after, program = sys.argv[1], int(sys.argv[2]) / 1e6, int(sys.argv[3])
def stamp(path):
    try:
        st = os.stat(path)
        return st.st_mtime_ns, st.st_size
    except FileNotFoundError:
        return None
paths = [note, note + "-journal"]
start, end = [stamp(p) for p in paths], time.monotonic() + 30
while [stamp(p) for p in paths] == start and time.monotonic() < end:
    time.sleep(0.0002)
time.sleep(after)
os.kill(program, signal.SIGKILL)
EOF
  kill -9 "$program" 2>/dev/null
  { wait "$program"; } 2>/dev/null
  timeout 60 tail -s 0.1 --pid="$driver" -f /dev/null || kill -9 "$driver"
  wait "$driver"
  words=$(wc -l <"$log" 2>/dev/null || echo 0)
  [ -s "$note-journal" ] && hot=$((hot + 1))
  rm -f "$work/left.qld" "$work/left.qld-journal"  # as the kill left them, for a failure
  cp "$note" "$work/left.qld"; [ -f "$note-journal" ] && cp "$note-journal" "$work/left.qld-journal"
  QUILLET_KILL_NOTE=$(win "$note") QUILLET_KILL_BEFORE=$(win "$before") QUILLET_KILL_LOG=$(win "$log") \
    timeout 120 "$QUILLET_WINE" "$exe" --gtest_filter=KillDuringCommits.Check >"$work/check.log" 2>&1
  rc=$?
  held=$(grep -o 'the file holds.*' "$work/check.log")
  # Closed by its checker, the file keeps no journal.
  [ ! -e "$note-journal" ] || { rc=1; echo "a journal is left after the file was closed" >>"$work/check.log"; }
  if [ "$words" -eq 0 ]; then
    echo "FAIL kill $round: nothing was typed"; cat "$work/type.log" | tail -5; failures=$((failures + 1))
  elif [ $rc -ne 0 ]; then
    echo "FAIL kill $round after ${delay} ms${within:+, then ${within} us into a commit} ($words words typed):"
    grep -E 'Failure|Expected|Which is|refuses|Value of|Actual|topic |journal' "$work/check.log" | head -12
    mv "$work/left.qld" "$work/failed-$round.qld"
    [ -f "$work/left.qld-journal" ] && mv "$work/left.qld-journal" "$work/failed-$round.qld-journal"
    failures=$((failures + 1))
    cp "$before" "$note"; rm -f "$note-journal"  # the next run starts from a good file
  else
    echo "ok kill $round after ${delay} ms${within:+, then ${within} us into a commit}: $held"
  fi
done
echo "kill -9 during commits: $kills kills, $failures files not at a committed state," \
     "a journal left behind by $hot"
[ $failures -eq 0 ]

#!/usr/bin/env bash
# Prints a note file through the real Quillet.exe onto the PDF printers of
# scripts/printers.sh and checks the pages: count, size, titles with their
# " (Part N)" pieces and "(Continued)" marks, copies, the selection, and the
# frame inside the margins with tabbed lines inside it, margins that leave no
# room refused. Also: without any printer the commands say so and return. Skips (77) when no PDF printer could be set up.
set -u
: "${QUILLET_BUILD:?}" "${QUILLET_WINE:?}" "${TEST_TMP:?}" "${WINEPREFIX:?}"
driver_exe="$QUILLET_BUILD/tests/print/print_driver.exe"
work="$TEST_TMP/print_e2e"
rm -rf "$work"; mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
driver() { "$QUILLET_WINE" "$driver_exe" "$@"; }

note="$work/notes.qld"
driver make-note "$(winpath "$note")" || { echo "FAIL: cannot make the note file"; exit 1; }

# --- Without any printer: a prefix that has never seen one, and no CUPS to ask.
no_printer() {
  export WINEPREFIX="$QUILLET_BUILD/wineprefix-noprinter" CUPS_SERVER="$work/no-cups.sock"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$QUILLET_WINE" wineboot -i >"$work/wineboot-noprinter.log" 2>&1 || true
    "$QUILLET_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  "$QUILLET_WINE" reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1
  "$QUILLET_WINE" reg add 'HKCU\Software\Larkspur Software\Quillet\1.00\Printing' \
    /v LeftMargin /t REG_DWORD /d 750 /f >/dev/null 2>&1
  cp "$note" "$work/noprinter.qld"
  timeout 120 "$QUILLET_WINE" "$driver_exe" no-printer "$(winpath "$work/noprinter.qld")" \
    >"$work/noprinter.out" 2>&1
  local rc=$?
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  cat "$work/noprinter.out" | tr -d '\r'
  [ $rc -eq 0 ] || fail "no-printer run (exit $rc)"
  grep -q '^margins: 750 0 0 0' "$work/noprinter.out" || fail "Page Setup without a printer did not keep the margins"
  if grep -q 'printing terminated' "$work/noprinter.out"; then fail "a job was started without a printer"; fi
  exit $failures
}
(no_printer) || failures=$((failures + 1))

if [ "${QUILLET_PRINTERS:-}" != ready ]; then
  echo "SKIP: no PDF printer (${QUILLET_PRINTERS:-scripts/printers.sh not sourced})"
  [ $failures -eq 0 ] && exit 77 || exit 1
fi

# Prints once and moves the PDF that cups-pdf writes to $1.pdf.
print_to() {
  local name=$1; shift
  rm -f "$QUILLET_PDF_DIR"/*.pdf
  cp "$note" "$work/$name.qld"
  if ! timeout 180 "$QUILLET_WINE" "$driver_exe" print "$(winpath "$work/$name.qld")" "$@" \
      >"$work/$name.out" 2>&1; then
    fail "$name: driver: $(tr -d '\r' <"$work/$name.out")"; return 1
  fi
  local i pdf
  for i in $(seq 300); do
    pdf=$(ls "$QUILLET_PDF_DIR"/*.pdf 2>/dev/null | head -1)
    if [ -n "$pdf" ] && [ -z "$(lpstat -o 2>/dev/null)" ]; then break; fi
    pdf=; sleep 0.1
  done
  [ -n "$pdf" ] || { fail "$name: no PDF appeared"; return 1; }
  sleep 0.3
  mv "$pdf" "$work/$name.pdf"
}

pages_of() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
# The titles on each page, one line per page: "title|title|...".
titles_of() {
  local pdf=$1 n p
  n=$(pages_of "$pdf")
  for p in $(seq "$n"); do
    pdftotext -f "$p" -l "$p" -layout "$pdf" - |
      grep -oE '^ *(Shopping|Journal( \(Part [0-9]+\))?|Ideas|Recipes) *$' |
      sed 's/^ *//; s/ *$//' | paste -sd'|' -
  done
}

# --- All topics, one copy, on the printer without hardware margins.
if print_to all; then
  pdf="$work/all.pdf"
  pdfinfo "$pdf" | grep -q '^Page size: *612 x 792 pts' || fail "all: not a Letter page: $(pdfinfo "$pdf" | grep 'Page size')"
  titles_of "$pdf" >"$work/all.titles"
  n=$(wc -l <"$work/all.titles")
  echo "all: $n pages: $(paste -sd' ' "$work/all.titles")"
  [ "$n" -ge 4 ] || fail "all: $n pages, expected the long topic split over at least two"
  [ "$(sed -n 1p "$work/all.titles")" = "Shopping" ] || fail "all: page 1 is not Shopping alone"
  [ "$(sed -n "${n}p" "$work/all.titles")" = "Ideas|Recipes" ] || fail "all: the last page does not hold Ideas and Recipes"
  expected="Journal"; for part in $(seq 2 $((n - 2))); do expected="$expected Journal (Part $part)"; done
  actual=$(sed -n "2,$((n - 1))p" "$work/all.titles" | paste -sd' ' -)
  [ "$actual" = "$expected" ] || fail "all: pieces are '$actual', expected '$expected'"
  for p in $(seq 2 $((n - 1))); do
    c=$(pdftotext -f "$p" -l "$p" "$pdf" - | grep -c '(Continued)')
    if [ "$p" -lt $((n - 1)) ]; then want=1; else want=0; fi
    [ "$c" -eq "$want" ] || fail "all: page $p has $c (Continued) marks, expected $want"
  done
  for p in 1 "$n"; do
    pdftotext -f "$p" -l "$p" "$pdf" - | grep -q '(Continued)' && fail "all: page $p has a (Continued) mark"
  done
  # Every journal line exactly once, in order, and nothing else lost.
  pdftotext "$pdf" - | grep -oE 'Journal entry [0-9]{3}' >"$work/all.lines"
  seq -f 'Journal entry %03g' 1 220 | diff -q - "$work/all.lines" >/dev/null ||
    fail "all: journal lines missing, doubled or out of order"
  for text in Milk Bread 'Apples and pears' 'A notebook that prints itself' 'Pancakes: flour, eggs, milk'; do
    pdftotext "$pdf" - | grep -qF "$text" || fail "all: '$text' not printed"
  done
  # The frame hugs the printable area when there are no margins.
  pdftoppm -r 72 -gray -f 2 -l 2 "$pdf" "$work/all-page2"
fi

# Dark-pixel bounds of a page image: left top right bottom in points (72 dpi).
bounds() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts, pos = [], 0
while len(parts) < 4:
    while data[pos:pos+1].isspace(): pos += 1
    start = pos
    while not data[pos:pos+1].isspace(): pos += 1
    parts.append(data[start:pos])
pos += 1
w, h = int(parts[1]), int(parts[2])
pix = data[pos:pos + w * h]
xs, ys = [], []
for y in range(h):
    row = pix[y * w:(y + 1) * w]
    for x in range(w):
        if row[x] < 128:
            xs.append(x); ys.append(y)
print(min(xs), min(ys), max(xs), max(ys)) if xs else print("blank")
PY
}
within() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

if [ -f "$work/all-page2-2.pgm" ] || ls "$work"/all-page2*.pgm >/dev/null 2>&1; then
  read -r l t r b <<<"$(bounds "$(ls "$work"/all-page2*.pgm | head -1)")"
  echo "all: page 2 ink from ($l,$t) to ($r,$b) pt"
  within "$l" 0 20 && within "$r" 592 611 && within "$t" 0 20 ||
    fail "all: frame not at the edges of a margin-free page: $l $t $r $b"
fi

# --- Copies: without collate each page repeats; with collate the document does.
if print_to copies --copies 2; then
  titles_of "$work/copies.pdf" >"$work/copies.titles"
  awk '{print; print}' "$work/all.titles" | diff -q - "$work/copies.titles" >/dev/null ||
    fail "copies: pages not 1,1,2,2,...: $(paste -sd' ' "$work/copies.titles")"
fi
if print_to collated --copies 2 --collate; then
  titles_of "$work/collated.pdf" >"$work/collated.titles"
  cat "$work/all.titles" "$work/all.titles" | diff -q - "$work/collated.titles" >/dev/null ||
    fail "collated: pages not 1,2,...,1,2,...: $(paste -sd' ' "$work/collated.titles")"
fi

# --- Selection: only the current topic (the second tab, after Next).
if print_to selection --next --selection; then
  titles_of "$work/selection.pdf" | paste -sd' ' - >"$work/selection.titles"
  grep -qE '^Journal( Journal \(Part [0-9]+\))+$' "$work/selection.titles" ||
    fail "selection: printed $(cat "$work/selection.titles")"
fi

# --- Shut Down, the end of the session or a quit message while a job runs: the job is
# cancelled, the program ends cleanly.
for ending in shutdown end-session quit; do
  cp "$note" "$work/$ending.qld"
  timeout 180 "$QUILLET_WINE" "$driver_exe" print "$(winpath "$work/$ending.qld")" --copies 5 \
    --$ending >"$work/$ending.out" 2>&1 || fail "--$ending while printing: $(tr -d '\r' <"$work/$ending.out")"
done
for i in $(seq 100); do [ -z "$(lpstat -o 2>/dev/null)" ] && break; sleep 0.1; done
rm -f "$QUILLET_PDF_DIR"/*.pdf

# --- Margins of one inch on the printer with hardware margins: the frame must
# sit one inch inside the imageable area (18 36 594 756 points), not the paper.
"$QUILLET_WINE" reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1
for side in LeftMargin TopMargin RightMargin BottomMargin; do
  "$QUILLET_WINE" reg add 'HKCU\Software\Larkspur Software\Quillet\1.00\Printing' \
    /v $side /t REG_DWORD /d 1000 /f >/dev/null 2>&1
done
if LC_ALL=C print_to margins --printer QuilletPDFMargins; then
  pdftoppm -r 72 -gray -f 2 -l 2 "$work/margins.pdf" "$work/margins-page2"
  read -r l t r b <<<"$(bounds "$(ls "$work"/margins-page2*.pgm | head -1)")"
  echo "margins: page 2 ink from ($l,$t) to ($r,$b) pt"
  within "$l" 90 110 || fail "margins: left edge at $l pt, expected 90..110"
  within "$t" 108 125 || fail "margins: top at $t pt, expected 108..125"
  within "$r" 505 522 || fail "margins: right edge at $r pt, expected 505..522"
  [ "$b" -le 684 ] || fail "margins: bottom at $b pt, below 684"
  n=$(pages_of "$work/margins.pdf")
  [ "$n" -gt "$(wc -l <"$work/all.titles")" ] || fail "margins: smaller area but not more pages ($n)"
fi

# --- Tabbed lines filled up to the frame (page 1, Shopping) stay inside it. A
# left margin of 1.5 inches puts the text start just past a page-wide tab stop
# of the printer's font, so tabs counted from the page's edge instead of the
# line's start would push some of these lines well across the frame.
"$QUILLET_WINE" reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1
for side in LeftMargin:1500 RightMargin:1000; do
  "$QUILLET_WINE" reg add 'HKCU\Software\Larkspur Software\Quillet\1.00\Printing' \
    /v ${side%:*} /t REG_DWORD /d ${side#*:} /f >/dev/null 2>&1
done
if LC_ALL=C print_to tabs; then
  pdftoppm -r 72 -gray -f 1 -l 1 "$work/tabs.pdf" "$work/tabs-page1"
  read -r l t r b <<<"$(bounds "$(ls "$work"/tabs-page1*.pgm | head -1)")"
  echo "tabs: page 1 ink from ($l,$t) to ($r,$b) pt"
  within "$r" 520 535 || fail "tabs: ink reaches $r pt, the frame's right side is at 520..535"
fi

# --- Stored margins that leave no room (in 32 bits these two would wrap round
# to a page wider than the paper): a message, and no job.
for side in LeftMargin RightMargin; do
  "$QUILLET_WINE" reg add 'HKCU\Software\Larkspur Software\Quillet\1.00\Printing' \
    /v $side /t REG_DWORD /d 2147483647 /f >/dev/null 2>&1
done
rm -f "$QUILLET_PDF_DIR"/*.pdf
cp "$note" "$work/noroom.qld"
timeout 180 "$QUILLET_WINE" "$driver_exe" print "$(winpath "$work/noroom.qld")" \
  --answer "Quillet - printing terminated" >"$work/noroom.out" 2>&1 ||
  fail "no room: $(tr -d '\r' <"$work/noroom.out")"
grep -q 'text: "Margins too large for the page"' "$work/noroom.out" ||
  fail "no room: no message about the margins"
if [ -n "$(lpstat -o 2>/dev/null)" ] || ls "$QUILLET_PDF_DIR"/*.pdf >/dev/null 2>&1; then
  fail "no room: a job was started"
fi
"$QUILLET_WINE" reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1

# --- Page Setup with a printer: the margins typed in are stored in the
# dialog's unit (thousandths of an inch here).
cp "$note" "$work/setup.qld"
LC_ALL=C timeout 120 "$QUILLET_WINE" "$driver_exe" page-setup "$(winpath "$work/setup.qld")" \
  0.5 0.6 0.7 0.8 >"$work/setup.out" 2>&1 || fail "page setup: $(tr -d '\r' <"$work/setup.out")"
tr -d '\r' <"$work/setup.out"
grep -q '^margins: 500 600 700 800' "$work/setup.out" || fail "page setup: margins not stored as typed"
"$QUILLET_WINE" reg delete 'HKCU\Software\Larkspur Software' /f >/dev/null 2>&1

echo "print_e2e: $failures failure(s)"
[ $failures -eq 0 ]

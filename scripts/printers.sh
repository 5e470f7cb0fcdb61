# Sourced by scripts/test after wine-env.sh: a local CUPS server with two PDF
# queues for the printing tests. "QuilletPDF" prints Letter pages with no
# hardware margins; "QuilletPDFMargins" has hardware margins (imageable area
# 18 36 594 756 points), so drawing that forgets the physical offsets shows.
# PDFs land in $QUILLET_PDF_DIR. When no CUPS server can run here,
# QUILLET_PRINTERS says why and the printing tests skip.
# Needs root (directly or through passwordless sudo) to run cupsd and lpadmin.
: "${TEST_TMP:?}"
export QUILLET_PDF_DIR="${QUILLET_BUILD_ROOT:-$QUILLET_ROOT/build}/pdf"
export QUILLET_PRINTERS="not started"
CUPSD_PID=
CUPS_PDF_CONF=/etc/cups/cups-pdf.conf
CUPS_PDF_SAVED=/etc/cups/cups-pdf.conf.quillet-saved
QUILLET_QUEUES="QuilletPDF QuilletPDFMargins"
PRINTERS_OLD_DEFAULT=
PRINTERS_LOCK_PID=

printers_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi; }

# Only the run that owns the printers puts them back: were another run to put
# the Out line back, the owner's PDFs would land in the default folder.
printers_cleanup() {
  [ -n "$PRINTERS_LOCK_PID" ] || return 0
  local q i
  for q in $QUILLET_QUEUES; do printers_root lpadmin -x "$q" 2>/dev/null || true; done
  [ -n "$PRINTERS_OLD_DEFAULT" ] && printers_root lpadmin -d "$PRINTERS_OLD_DEFAULT" 2>/dev/null || true
  if [ -f "$CUPS_PDF_SAVED" ]; then printers_root mv -f "$CUPS_PDF_SAVED" "$CUPS_PDF_CONF" || true; fi
  if [ -n "$CUPSD_PID" ]; then
    printers_root kill "$CUPSD_PID" 2>/dev/null || true
    # cupsd needs about a second to finish; it is not our child when sudo started it.
    for i in $(seq 100); do kill -0 "$CUPSD_PID" 2>/dev/null || break; sleep 0.1; done
    wait "$CUPSD_PID" 2>/dev/null || true
    CUPSD_PID=
  fi
  kill "$PRINTERS_LOCK_PID" 2>/dev/null || true
  PRINTERS_LOCK_PID=
}

cups_running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

start_printers() {
  local tool ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
  for tool in cupsd lpadmin lpstat pdfinfo pdftotext pdftoppm; do
    if ! command -v "$tool" >/dev/null && [ ! -x "/usr/sbin/$tool" ]; then
      QUILLET_PRINTERS="$tool is not installed"; return 0
    fi
  done
  [ -f "$ppd" ] || { QUILLET_PRINTERS="the cups-pdf driver is not installed"; return 0; }
  printers_root true 2>/dev/null || { QUILLET_PRINTERS="CUPS needs root or sudo"; return 0; }
  # One test run at a time owns the queues and the Out line. The lock is held
  # by a process of its own that ends with this shell: a lock file open in
  # this shell would be inherited by every program the tests start, and a
  # Wine process outliving its run would keep the printers locked for good.
  local answer= holder
  exec {holder}< <(exec flock -n -o "${TMPDIR:-/tmp}/quillet-printers.lock" \
                     sh -c 'echo locked; exec tail --pid="$1" -f /dev/null >/dev/null' sh $$ 2>/dev/null)
  local pid=$!
  read -r -t 10 -u "$holder" answer || true
  exec {holder}<&-
  [ "$answer" = locked ] || { QUILLET_PRINTERS="the PDF printers are in use by another test run"; return 0; }
  PRINTERS_LOCK_PID=$pid

  # The program's output goes to a fresh folder each run; the old Out line
  # is kept once and put back by the cleanup (also after a broken run).
  rm -rf "$QUILLET_PDF_DIR"; mkdir -p "$QUILLET_PDF_DIR"; chmod 0777 "$QUILLET_PDF_DIR"
  [ -f "$CUPS_PDF_SAVED" ] || printers_root cp -p "$CUPS_PDF_CONF" "$CUPS_PDF_SAVED"
  printers_root sed -i "s|^#\?Out .*|Out $QUILLET_PDF_DIR|" "$CUPS_PDF_CONF"

  if ! cups_running; then
    if [ "$(id -u)" -eq 0 ]; then
      /usr/sbin/cupsd -f >"$TEST_TMP/cupsd.log" 2>&1 &
      CUPSD_PID=$!
    else
      sudo -n /usr/sbin/cupsd -f >"$TEST_TMP/cupsd.log" 2>&1 &
      CUPSD_PID=$!
    fi
    local i
    for i in $(seq 100); do cups_running && break; sleep 0.1; done
    if ! cups_running; then
      QUILLET_PRINTERS="cupsd did not start (see $TEST_TMP/cupsd.log)"; return 0
    fi
  fi
  PRINTERS_OLD_DEFAULT=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
  case " $QUILLET_QUEUES " in *" $PRINTERS_OLD_DEFAULT "*) PRINTERS_OLD_DEFAULT= ;; esac

  # Recreated every run, so a queue left by a broken run does no harm.
  sed 's|"0 0 612 792"|"18 36 594 756"|' "$ppd" >"$TEST_TMP/margins.ppd"
  for q in $QUILLET_QUEUES; do printers_root lpadmin -x "$q" 2>/dev/null || true; done
  printers_root lpadmin -p QuilletPDF -v cups-pdf:/ -P "$ppd" -o PageSize=Letter -E &&
    printers_root lpadmin -p QuilletPDFMargins -v cups-pdf:/ -P "$TEST_TMP/margins.ppd" \
      -o PageSize=Letter -E &&
    printers_root lpadmin -d QuilletPDF ||
    { QUILLET_PRINTERS="the PDF queues could not be made"; return 0; }
  QUILLET_PRINTERS=ready
}

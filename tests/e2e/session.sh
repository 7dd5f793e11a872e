#!/usr/bin/env bash
# A working session and the next start, driven from outside under a virtual
# display: the program starts in English, a second document opens in a tab
# beside the first (Ctrl+N), Persian is typed into it, the language becomes
# Farsi at run time through its ribbon button (the layout mirrors), the
# document is saved, the window is placed anew and the program quits. The
# next start must come up in Farsi with the window where it was left.
# Last, printing from the command line with no printer and no screen must
# end with a message on standard error and a failure status, not wait.
#
#   session.sh KAVITRO KAVITRO_DOC ARTEFACT_DIR
#
# Exit 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -uo pipefail
KAVITRO=$1 DOC_TOOL=$2 ARTEFACTS=$3
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
. "$E2E_DIR/driver.sh"
SHOT=session
prepare English xvfb-run xdotool import convert

cat > "$WORK/drive.sh" <<'DRIVE'
set -u
. "$E2E_DIR/driver.sh"
quit_cleanly() {
  quit
  status=$?
  [ "$status" = 0 ] || fail "the program ended with status $status"
}
# Whether the blue swatch of the looks button (ribbon corner, beside the
# tabs) shows in a 30x25 patch at the window's top left or top right.
swatch_at() {
  local shot=$1 side=$2 x=0
  [ "$side" = right ] && x=$(( $(xdotool getwindowgeometry "$WINDOW" | awk -F'[ x]+' '/Geometry/ {print $3}') - 30 ))
  convert "$shot" -crop "30x25+$x+0" txt:- | grep -qi '#3D7BC4'
}
geometry() { xdotool getwindowgeometry "$WINDOW" | awk '/Position/ {print $2} /Geometry/ {print $2}' | tr '\n' ' '; }

# --- First start: English ----------------------------------------------------
start
xdotool key ctrl+n
xdotool search --sync --onlyvisible --name '^Untitled2 - Kavitro$' >/dev/null || fail "no second document"
xdotool windowfocus --sync "$WINDOW"
# One key at a time: xdotool maps each Persian letter to a spare key code.
xdotool type --delay 250 'سلام'
sleep 0.5
import -window root "$ARTEFACTS/session-English.png"
swatch_at "$ARTEFACTS/session-English.png" right || fail "the English ribbon does not run left to right"
# The language command sits on the File tab, first in the Program group.
xdotool mousemove --window "$WINDOW" 20 12 click 1
sleep 0.5
xdotool mousemove --window "$WINDOW" 476 41 click 1
# The question (a box titled "Kavitro"): Yes is its default button.
QUESTION=
for _ in $(seq 25); do
  QUESTION=$(xdotool search --onlyvisible --name '^Kavitro$' | head -1)
  [ -n "$QUESTION" ] && break
  sleep 0.2
done
[ -n "$QUESTION" ] || fail "no language question: is the Language button still at 476,41 of the File tab?"
xdotool windowfocus --sync "$QUESTION"
xdotool key Return
sleep 1
import -window root "$ARTEFACTS/session-Farsi-switched.png"
swatch_at "$ARTEFACTS/session-Farsi-switched.png" left || fail "the layout did not mirror at the switch"
xdotool windowfocus --sync "$WINDOW"
save_as "$WORK/session.kv2"
# A placement of its own, to be found again at the next start.
xdotool windowsize --sync "$WINDOW" 900 640
xdotool windowmove --sync "$WINDOW" 40 30
sleep 0.5
LEFT=$(geometry)
quit_cleanly
echo "$LEFT" > "$WORK/left-geometry"

# --- Second start: Farsi, same place -----------------------------------------
start
import -window root "$ARTEFACTS/session-Farsi-restarted.png"
import -window "$WINDOW" "$WORK/restarted-window.png"
swatch_at "$WORK/restarted-window.png" left || fail "the next start is not right to left"
AGAIN=$(geometry)
[ "$AGAIN" = "$LEFT" ] || fail "the window came back at $AGAIN, left at $LEFT"
quit_cleanly
DRIVE
# The D-Bus library's buffer freed only by exit handlers is no leak of ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$E2E_DIR/../app/xcb-leaks.supp}"
drive 50

# The language and the placement were stored at the first exit.
grep -q '^Language%20DLL=Farsi.DLL$' "$CONF" || { echo "FAIL: the language was not kept"; cat "$CONF"; exit 1; }
read -r position size < "$WORK/left-geometry"
expected="x=${position%,*} y=${position#*,} cx=${size%x*} cy=${size#*x}"
stored=$(awk -F= '/^\[/ {s=$0} s=="[InitialFrame]" && /^(x|y|cx|cy)=/ {printf "%s=%s ", $1, $2}' "$CONF")
for pair in $expected; do
  case " $stored " in *" $pair "*) ;; *) echo "FAIL: InitialFrame is '$stored', expected '$expected'"; exit 1 ;; esac
done
# The typed letters are in the second document's file.
dump=$("$DOC_TOOL" dump "$WORK/session.kv2" 2>/dev/null) || { echo "FAIL: kavitro-doc cannot read the file"; exit 1; }
echo "$dump" | grep -q '1587, 1604, 1575, 1605' || { echo "FAIL: the saved text is not the typed one"; echo "$dump"; exit 1; }

# Printing with no printer (no print server) and no screen: told on stderr, status 1.
status=0
QT_QPA_PLATFORM=offscreen CUPS_SERVER=127.0.0.1:9 timeout 20 "$KAVITRO" -p "$WORK/session.kv2" \
  >"$WORK/print.out" 2>"$WORK/print.err" || status=$?
[ "$status" = 1 ] || { echo "FAIL: printing without a printer ended with $status"; cat "$WORK/print.err"; exit 1; }
grep -q '^kavitro: ' "$WORK/print.err" || { echo "FAIL: no message on stderr"; cat "$WORK/print.err"; exit 1; }
echo "PASS"

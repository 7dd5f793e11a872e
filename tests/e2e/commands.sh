#!/usr/bin/env bash
# The recent documents and the newer ribbon commands, driven from outside
# under a virtual display. A document typed and saved is on the File tab's
# recent list at the next start, stored in the profile, and opens from
# there. On the View tab the horizontal ruler hides and shows again, and the
# Windows and Page Properties buttons open their dialogs.
#
#   commands.sh KAVITRO ARTEFACT_DIR
#
# Exit 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -uo pipefail
KAVITRO=$1 ARTEFACTS=$2
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
. "$E2E_DIR/driver.sh"
SHOT=commands
prepare English xvfb-run xdotool import compare

cat > "$WORK/drive.sh" <<'DRIVE'
set -u
. "$E2E_DIR/driver.sh"
click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click 1; sleep 0.7; }
# A part of the main window as a picture ("WxH+X+Y"), and whether two are alike.
shot() { import -window "$WINDOW" -crop "$2" +repage "$WORK/$1.png"; }
same() { [ "$(compare -metric AE "$WORK/$1.png" "$WORK/$2.png" null: 2>&1)" = 0 ]; }
# dialog TITLE: waits for a visible window so named, then closes it with Escape.
dialog() {
  local found=
  for _ in $(seq 25); do
    found=$(xdotool search --onlyvisible --name "$1" | head -1)
    [ -n "$found" ] && break
    sleep 0.2
  done
  [ -n "$found" ] || fail "no dialog named '$1'"
  xdotool windowfocus --sync "$found"
  xdotool key Escape
  sleep 0.5
  xdotool search --onlyvisible --name "$1" >/dev/null && fail "the dialog '$1' did not close"
  xdotool windowfocus --sync "$WINDOW"
}

# --- First start: a document typed and saved ----------------------------------
start
xdotool type --delay 250 'سلام'
save_as "$WORK/recent.kv2"
quit || fail "the first run ended with status $?"
# Qt's settings file spells the spaces of a section name as %20.
awk -F= '/^\[/ {s=$0} s=="[Recent%20File%20List]" && $1=="File1" {print $2}' "$CONF" > "$WORK/stored-recent"

# --- Second start: the recent entry opens it ----------------------------------
start
case "$(xdotool getwindowname "$WINDOW")" in recent*) fail "the saved document opened by itself" ;; esac
# File tab; the Recent Documents group sits after the Document group.
click 20 12
import -window "$WINDOW" "$ARTEFACTS/commands-file-tab.png"
click 241 56
xdotool search --sync --onlyvisible --name '^recent(\.kv2)? - Kavitro$' >/dev/null &
SEARCH=$!
( sleep 5; kill $SEARCH 2>/dev/null ) &
wait $SEARCH || fail "the recent entry did not open recent.kv2 (title: $(xdotool getwindowname "$WINDOW"))"

# --- View tab: the ruler toggles, the window dialogs open ---------------------
click 262 12
import -window "$WINDOW" "$ARTEFACTS/commands-view-tab.png"
# The page area's top, where the horizontal ruler runs.
shot ruler-shown 1000x60+10+135
click 431 87
shot ruler-hidden 1000x60+10+135
same ruler-shown ruler-hidden && fail "Horizontal Ruler did not hide the ruler"
click 431 87
shot ruler-again 1000x60+10+135
same ruler-shown ruler-again || fail "Horizontal Ruler did not bring the ruler back as it was"
click 658 68
dialog '^Windows'
click 658 42
dialog 'Page Properties'
quit || fail "the second run ended with status $?"
DRIVE
# The D-Bus library's buffer freed only by exit handlers is no leak of ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$E2E_DIR/../app/xcb-leaks.supp}"
drive 50

stored=$(cat "$WORK/stored-recent")
[ "$stored" = "$WORK/recent.kv2" ] || { echo "FAIL: File1 of the Recent File List is '$stored'"; cat "$CONF"; exit 1; }
echo "PASS"

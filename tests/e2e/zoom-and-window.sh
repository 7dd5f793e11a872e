#!/usr/bin/env bash
# The zoom tool and a maximised window, driven from outside under a virtual
# display with a window manager. Zoom In chosen twice on the ribbon zooms
# once, at the first click on the page, and the next click selects again.
# A window left maximised comes back maximised and wholly on the screen,
# its status bar in sight.
#
#   zoom-and-window.sh KAVITRO ARTEFACT_DIR
#
# Exit 77 (skipped) when xvfb-run, xdotool, ImageMagick, openbox or wmctrl
# is missing.
set -uo pipefail
KAVITRO=$1 ARTEFACTS=$2
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
. "$E2E_DIR/driver.sh"
SHOT=zoom-and-window
prepare English xvfb-run xdotool import compare openbox wmctrl xwininfo xprop

cat > "$WORK/drive.sh" <<'DRIVE'
set -u
. "$E2E_DIR/driver.sh"
click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click 1; sleep 0.5; }
# The window's client area on the root window: "left top width height".
placement() {
  xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
# The ribbon's zoom box (View tab) as a picture, and whether two are alike.
zoom_box() { import -window "$WINDOW" -crop 80x20+10+32 +repage "$WORK/$1.png"; }
same() { [ "$(compare -metric AE "$WORK/$1.png" "$WORK/$2.png" null: 2>&1)" = 0 ]; }
maximised() { xprop -id "$WINDOW" _NET_WM_STATE | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ\|_NET_WM_STATE_MAXIMIZED_HORZ.*_NET_WM_STATE_MAXIMIZED_VERT'; }

openbox >"$WORK/openbox.log" 2>&1 &
sleep 1

# --- The zoom tool -------------------------------------------------------------
start
# The View tab, then Zoom In twice (English layout, left to right).
click 262 12
click 50 88
click 50 88
# Two clicks on the page: the first zooms in (the zoom box changes), the
# second is the select tool's (it does not).
zoom_box zoom-100
click 500 450
zoom_box zoom-first
click 500 450
zoom_box zoom-second
same zoom-100 zoom-first && fail "the first click on the page did not zoom"
same zoom-first zoom-second || fail "the second click zoomed again: the zoom tool stuck"

# --- A maximised window and the next start ----------------------------------
wmctrl -i -r "$WINDOW" -b add,maximized_vert,maximized_horz
sleep 1
maximised || fail "the window manager did not maximise the window"
quit
start
sleep 1
import -window root "$ARTEFACTS/zoom-and-window-restarted.png"
maximised || fail "the window came back not maximised ($(xprop -id "$WINDOW" _NET_WM_STATE))"
read -r x y w h < <(placement)
screen_h=$(xwininfo -root | awk '/Height:/ {print $NF}')
screen_w=$(xwininfo -root | awk '/Width:/ {print $NF}')
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] && [ $((y + h)) -le "$screen_h" ] \
  || fail "the window lies at $x,$y ${w}x$h, beyond the ${screen_w}x$screen_h screen"
quit
DRIVE
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$E2E_DIR/../app/xcb-leaks.supp}"
drive 90

grep -q '^maximized=1$' "$CONF" || { echo "FAIL: the maximised state was not stored"; cat "$CONF"; exit 1; }
echo "PASS"

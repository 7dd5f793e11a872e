#!/usr/bin/env bash
# Inkscape's own EPS import, headless: `inkscape --export-type=png` of an EPS
# file. Inkscape 1.2 asks for its EPS import options in a dialog even on the
# command line, so it runs under a virtual display and the dialog is answered
# with its OK button. The import runs Inkscape's Python extensions, which need
# the system's Python, whatever python3 comes first on PATH.
#
#   inkscape_eps_png.sh IN.eps OUT.png DPI
# Exit status: Inkscape's; 77 when inkscape, xvfb-run or xdotool is missing.
set -uo pipefail
for tool in inkscape xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
if [ "${1:-}" != --under-display ]; then
  export PATH=/usr/bin:/bin:$PATH
  exec xvfb-run -a "$0" --under-display "$@"
fi
shift
IN=$1 OUT=$2 DPI=$3
rm -f "$OUT"
inkscape --export-type=png --export-dpi="$DPI" --export-background=white --export-background-opacity=1 \
  --export-filename="$OUT" "$IN" &
pid=$!
for _ in $(seq 1 240); do
  dialog=$(xdotool search --name '^EPS Input$' 2>/dev/null | head -1)
  if [ -n "$dialog" ]; then
    sleep 1
    xdotool windowfocus --sync "$dialog" key --window "$dialog" alt+o
    break
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.25
done
# Inkscape that never ends (a dialog left open) fails the run.
for _ in $(seq 1 480); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  echo "inkscape did not finish"
  exit 1
fi
wait "$pid"
status=$?
[ "$status" -eq 0 ] && [ ! -s "$OUT" ] && { echo "inkscape wrote no picture"; exit 1; }
exit "$status"

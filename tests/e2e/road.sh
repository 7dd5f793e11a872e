#!/usr/bin/env bash
# The road of a calligrapher, driven from outside under a virtual display:
# start the program (new document ready), type Persian, save with Ctrl+S
# through the file dialog, quit with Ctrl+Q; then the saved file must hold
# the typed letters and the profile the window placement.
#
#   road.sh KAVITRO KAVITRO_DOC LANGUAGE(English|Farsi) ARTEFACT_DIR
#
# Exit 77 (skipped) when xvfb-run, xdotool or import is missing.
set -uo pipefail
KAVITRO=$1 DOC_TOOL=$2 LANGUAGE=$3 ARTEFACTS=$4
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
. "$E2E_DIR/driver.sh"
SHOT=kavitro-$LANGUAGE
prepare "$LANGUAGE" xvfb-run xdotool import

cat > "$WORK/drive.sh" <<'DRIVE'
set -u
. "$E2E_DIR/driver.sh"
# The text object of the new document takes the keys.
start
# One key at a time, slowly: xdotool maps each Persian letter to a spare key
# code and maps it back, and a fast sequence overtakes the program's reading.
xdotool type --delay 250 'سلام دنیا'
sleep 1
import -window root "$ARTEFACTS/kavitro-$LANGUAGE.png"
save_as "$WORK/road.kv2"
sleep 1
quit
echo "program exit status $?"
DRIVE
export LANGUAGE
drive 120

# The typed letters, in order, after the space that opens a new document.
dump=$("$DOC_TOOL" dump "$WORK/road.kv2" 2>/dev/null) || { echo "FAIL: kavitro-doc cannot read the file"; exit 1; }
echo "$dump" | grep -q '"characters": \[32, 1587, 1604, 1575, 1605, 32, 1583, 1606, 1740, 1575' \
  || { echo "FAIL: the saved text is not the typed one"; echo "$dump"; exit 1; }
# Settings and placement were written at exit.
grep -q '^\[InitialFrame\]' "$CONF" || { echo "FAIL: no window placement stored"; cat "$CONF"; exit 1; }
grep -q '^TabSize=' "$CONF" || { echo "FAIL: the settings were not saved"; cat "$CONF"; exit 1; }
echo "PASS ($LANGUAGE)"

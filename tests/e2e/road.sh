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
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/config/Kavitro Applications" "$ARTEFACTS"
# A profile of our own: the language asked for, no update check.
printf '[Settings]\nLanguage%%20DLL=%s.dll\nCheckForUpdates=0\n' "$LANGUAGE" \
  > "$WORK/config/Kavitro Applications/Kavitro.conf"

cat > "$WORK/drive.sh" <<'DRIVE'
set -u
"$KAVITRO" >"$WORK/program.log" 2>&1 &
PID=$!
fail() { echo "FAIL: $*"; import -window root "$ARTEFACTS/kavitro-$LANGUAGE-failed.png"; kill $PID 2>/dev/null; exit 1; }
# The main frame's title is "<document> - Kavitro" (the splash has none of its own).
WINDOW=$(xdotool search --sync --onlyvisible --name ' - Kavitro$' | head -1)
[ -n "$WINDOW" ] || fail "no main window"
# The splash goes after 750 ms; the text object of the new document takes
# keys. Without a window manager nobody gives the window the keyboard.
sleep 2
xdotool windowfocus --sync "$WINDOW"
# One key at a time, slowly: xdotool maps each Persian letter to a spare key
# code and maps it back, and a fast sequence overtakes the program's reading.
xdotool type --delay 250 'سلام دنیا'
sleep 1
import -window root "$ARTEFACTS/kavitro-$LANGUAGE.png"
xdotool key ctrl+s
sleep 2
xdotool type --delay 20 "$WORK/road.kv2"
xdotool key Return
for _ in $(seq 50); do [ -s "$WORK/road.kv2" ] && break; sleep 0.2; done
[ -s "$WORK/road.kv2" ] || fail "the document was not saved"
sleep 1
xdotool windowfocus --sync "$WINDOW"
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 $PID 2>/dev/null || break; sleep 0.2; done
kill -0 $PID 2>/dev/null && fail "the program did not quit"
wait $PID
echo "program exit status $?"
DRIVE
export KAVITRO WORK ARTEFACTS LANGUAGE
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" bash "$WORK/drive.sh" || { cat "$WORK/program.log"; exit 1; }

# The typed letters, in order, after the space that opens a new document.
dump=$("$DOC_TOOL" dump "$WORK/road.kv2" 2>/dev/null) || { echo "FAIL: kavitro-doc cannot read the file"; exit 1; }
echo "$dump" | grep -q '"characters": \[32, 1587, 1604, 1575, 1605, 32, 1583, 1606, 1740, 1575' \
  || { echo "FAIL: the saved text is not the typed one"; echo "$dump"; exit 1; }
# Settings and placement were written at exit.
conf="$WORK/config/Kavitro Applications/Kavitro.conf"
grep -q '^\[InitialFrame\]' "$conf" || { echo "FAIL: no window placement stored"; cat "$conf"; exit 1; }
grep -q '^TabSize=' "$conf" || { echo "FAIL: the settings were not saved"; cat "$conf"; exit 1; }
echo "PASS ($LANGUAGE)"

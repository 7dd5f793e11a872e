# What the end-to-end scripts share. Each sources this file, and so does the
# drive script each writes to $WORK/drive.sh and runs in the virtual display.
# Each sets SHOT, the name of the screen picture kept when its drive fails.

# --- Outside the display --------------------------------------------------------

# prepare LANGUAGE TOOL...: skips (exit 77) when a tool is missing; makes
# WORK, removed at exit, with a profile of our own at CONF: the language
# asked for, no update check.
prepare() {
  local language=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
  CONF="$WORK/config/Kavitro Applications/Kavitro.conf"
  mkdir -p "$(dirname "$CONF")" "$ARTEFACTS"
  printf '[Settings]\nLanguage%%20DLL=%s.dll\nCheckForUpdates=0\n' "$language" > "$CONF"
}

# drive SECONDS: runs $WORK/drive.sh under a virtual X display (not Qt's
# offscreen one), the program's folders under WORK; the program's output
# is shown when the drive fails or takes longer.
drive() {
  export KAVITRO WORK ARTEFACTS CONF E2E_DIR SHOT
  export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/run"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM
  timeout "$1" xvfb-run -a -s "-screen 0 1280x900x24" bash "$WORK/drive.sh" || { cat "$WORK/program.log"; exit 1; }
}

# --- Inside the display: start sets PID and WINDOW ---------------------------

# Says what failed, keeps a picture of the screen, stops the program and ends
# the drive.
fail() { echo "FAIL: $*"; import -window root "$ARTEFACTS/$SHOT-failed.png"; kill $PID 2>/dev/null; exit 1; }

# Starts the program and waits for its main window, then gives it the keyboard.
start() {
  "$KAVITRO" >>"$WORK/program.log" 2>&1 &
  PID=$!
  # The main frame's title is "<document> - Kavitro" (the splash has none of its own).
  WINDOW=$(xdotool search --sync --onlyvisible --name ' - Kavitro$' | head -1)
  [ -n "$WINDOW" ] || fail "no main window"
  sleep 2  # the splash goes after 750 ms
  # Without a window manager nobody gives the window the keyboard.
  xdotool windowfocus --sync "$WINDOW"
}

# save_as FILE: Ctrl+S, the name typed into the file dialog; waits for the file.
save_as() {
  xdotool key ctrl+s
  sleep 2
  xdotool type --delay 20 "$1"
  xdotool key Return
  for _ in $(seq 50); do [ -s "$1" ] && break; sleep 0.2; done
  [ -s "$1" ] || fail "the document was not saved"
}

# Ctrl+Q; waits for the program to end and returns its exit status.
quit() {
  xdotool windowfocus --sync "$WINDOW"
  xdotool key ctrl+q
  for _ in $(seq 50); do kill -0 $PID 2>/dev/null || break; sleep 0.2; done
  kill -0 $PID 2>/dev/null && fail "the program did not quit"
  wait $PID
}

#!/usr/bin/env bash
# The program started where there is no screen to show it on: the switches
# that need none answer on standard output, printing goes on without one,
# and a start that needs a display says which one in one line and fails;
# Qt's abort (exit status 134) must never be seen.
#
#   no-display.sh KAVITRO KAVITRO_DOC
set -uo pipefail
KAVITRO=$1 DOC_TOOL=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A display number nobody serves.
free=4242
while [ -e "/tmp/.X11-unix/X$free" ]; do free=$((free + 1)); done

"$DOC_TOOL" new "$WORK/page.kv2" --text 'سلام' >/dev/null 2>&1 || { echo "FAIL: no document to print"; exit 1; }

# run NAME DISPLAY ARGS...: the program with no display but the one given
# (none when empty), no Qt platform, a profile of its own and no printer.
run() {
  local name=$1 display=$2
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${display:+DISPLAY=$display} \
      XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" CUPS_SERVER=127.0.0.1:9 \
      timeout 60 "$KAVITRO" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err"
  echo $? >"$WORK/$name.status"
}
# expect NAME STATUS STDOUT_PATTERN STDERR_PATTERN: the status, and each
# stream matching its pattern (an extended regular expression over the
# whole stream; '' for an empty one).
expect() {
  local name=$1 status=$2 out=$3 err=$4
  local got
  got=$(cat "$WORK/$name.status")
  [ "$got" = "$status" ] || fail "$name: exit status $got, expected $status; stderr: $(cat "$WORK/$name.err")"
  [[ "$(cat "$WORK/$name.out")" =~ ^$out$ ]] || fail "$name: stdout is '$(head -c 300 "$WORK/$name.out")'"
  [[ "$(cat "$WORK/$name.err")" =~ ^$err$ ]] || fail "$name: stderr is '$(head -c 300 "$WORK/$name.err")'"
}

run help '' --help
expect help 0 'Usage: [^'$'\n'']*kavitro \[options\] \[documents\.\.\.\]'$'\n''.*' ''
run version '' --version
expect version 0 'Kavitro [0-9.]+' ''
run start '' "$WORK/page.kv2"
expect start 1 '' 'kavitro: no display: set DISPLAY or WAYLAND_DISPLAY'
run unserved ":$free"
expect unserved 1 '' "kavitro: cannot open display ':$free'"
# Printing needs no screen: it reaches the printer, and there is none.
run print '' --print "$WORK/page.kv2"
expect print 1 '' 'kavitro: [^'$'\n'']+'

[ "$failed" = 0 ] && echo "PASS"
exit "$failed"

#!/usr/bin/env bash
# The editor as a user starts it: the organ emulator serves virtual ports, the editor is started
# on them, a scripted mouse click presses CONNECT, and the connection indicator must turn orange.
# Usage: connect-click.sh EDITOR EMULATOR   (needs a display: run it under tools/with-display.sh)
set -u
editor=$1
emulator=$2
work=$(mktemp -d)
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "connect-click: $*" >&2; exit 1; }

mkdir -p "$work/ports" "$work/home"
"$emulator" "$work/ports" --identity 5,6,1,1,30,0 </dev/null >"$work/emulator.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -S "$work/ports/Halvorin Orvane MIDI Port.out" ] && break; sleep 0.05; done
[ -S "$work/ports/Halvorin Orvane MIDI Port.out" ] || fail "the emulator did not offer its port"

HOME="$work/home" ORVANE_VIRTUAL_MIDI="$work/ports" "$editor" >"$work/editor.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^Orvane Editor v1\.00$' 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled \"Orvane Editor v1.00\""
sleep 0.5

indicator_is_orange() { bash "$(dirname "$0")/../../tools/indicator-lit.sh" "$window"; }
indicator_is_orange && fail "the indicator is on before CONNECT"

# CONNECT is the top-bar button at (450, 0), 104 x 78.
xdotool mousemove --window "$window" 502 39 click 1
for _ in $(seq 1 50); do
  indicator_is_orange && { echo "connect-click: connected"; exit 0; }
  sleep 0.1
done
cat "$work/emulator.log" >&2
fail "the indicator did not turn on after CONNECT"

#!/usr/bin/env bash
# Takes a screenshot of every section page and sub-page of the running editor, clicking the
# section and sub-page buttons as a player would, and last one of the panel connected to the
# organ emulator. Runs on a private display (through tools/with-display.sh), never on yours.
#
#   tools/screenshots.sh [editor binary] [output folder] [organ emulator binary]
#
# Defaults: build/bin/orvane-editor, screenshots/ in the current folder and
# build/bin/organ-emulator. The editor runs with a fresh HOME, so no remembered settings of
# yours are read or written, and on the emulator's virtual ports, not the system's.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${SCREENSHOTS_ON_DISPLAY:-}" ]; then
  SCREENSHOTS_ON_DISPLAY=1 exec "$here/with-display.sh" "$0" "$@"
fi

editor=$(realpath "${1:-build/bin/orvane-editor}")
out=$(realpath -m "${2:-screenshots}")
emulator=$(realpath "${3:-build/bin/organ-emulator}")
mkdir -p "$out"

# An "Orvane Rise" of revision 1 (NRS), firmware rel 1.3.0, on the virtual ports.
home=$(mktemp -d)
mkdir -p "$home/ports"
"$emulator" "$home/ports" --identity 5,4,1,1,30,0 </dev/null >/dev/null 2>&1 &
emulator_pid=$!
for _ in $(seq 1 100); do [ -S "$home/ports/Halvorin Orvane MIDI Port.out" ] && break; sleep 0.05; done

HOME="$home" ORVANE_VIRTUAL_MIDI="$home/ports" "$editor" &
editor_pid=$!
cleanup() {
  kill "$editor_pid" "$emulator_pid" 2>/dev/null || true
  wait "$editor_pid" "$emulator_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name "Orvane Editor" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshots: the editor window did not appear" >&2
  exit 1
fi
sleep 1

# Clicks at (x, y) of the 1024 x 685 panel, then lets the editor repaint.
click() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
  xdotool mousemove --window "$window" 1020 680   # pointer off every button: no hover look
  sleep 0.5
}

shot() {
  import -window "$window" "$out/$1.png"
  echo "$out/$1.png"
}

section() { click 100 $((98 + 40 * $1)); }   # the section buttons at y 78 + 40 s, 40 high
subpage() { click $(($1 + 42)) 149; }        # the sub-page buttons at (x, 135), 85 x 29

shot 0-start
section 0; subpage 916; shot 0-tone-generator-drawbar
subpage 827; shot 0-tone-generator-main
section 1; shot 1-vibrato-chorus
section 2; shot 2-overdrive-classic
subpage 916; shot 2-overdrive-rock
section 3; shot 3-rotary-common
subpage 827; shot 3-rotary-classic
subpage 916; shot 3-rotary-rock
section 4; shot 4-reverb
section 5; shot 5-additional-functions
section 2; shot 2-overdrive-reopened

# A selector's open list is a window of its own: the whole screen is taken for it.
section 5
xdotool mousemove --window "$window" 570 242 click 1
sleep 0.5
import -window root "$out/5-tonewheel-model-list.png"
echo "$out/5-tonewheel-model-list.png"
xdotool key Escape
sleep 0.3

# The pointer over a section button that is off shows its over image.
xdotool mousemove --window "$window" 100 218
sleep 0.5
shot 5-rotary-button-hovered

# CONNECT (the top-bar button at (450, 0), 104 x 78), then the Tone Generator MAIN page with
# the organ's values, model and firmware. The README's picture, docs/connected-panel.png, is
# this shot made small:
#   convert 6-connected.png -resize 800x -colors 128 -strip PNG8:docs/connected-panel.png
section 0; subpage 827
click 502 39
for _ in $(seq 1 50); do "$here/indicator-lit.sh" "$window" && break; sleep 0.1; done
"$here/indicator-lit.sh" "$window" || { echo "screenshots: the editor did not connect" >&2; exit 1; }
sleep 0.5
shot 6-connected

#!/usr/bin/env bash
# Takes a screenshot of every section page and sub-page of the running editor, clicking the
# section and sub-page buttons as a player would. Runs on a private display when there is
# none (through tools/with-display.sh).
#
#   tools/screenshots.sh [editor binary] [output folder]
#
# Defaults: build/bin/orvane-editor and screenshots/ in the current folder. The editor runs
# with a fresh HOME, so no remembered settings of yours are read or written.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${SCREENSHOTS_ON_DISPLAY:-}" ]; then
  SCREENSHOTS_ON_DISPLAY=1 exec "$here/with-display.sh" "$0" "$@"
fi

editor=$(realpath "${1:-build/bin/orvane-editor}")
out=$(realpath -m "${2:-screenshots}")
mkdir -p "$out"

home=$(mktemp -d)
HOME="$home" "$editor" &
editor_pid=$!
cleanup() { kill "$editor_pid" 2>/dev/null || true; wait "$editor_pid" 2>/dev/null || true; rm -rf "$home"; }
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

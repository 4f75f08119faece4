#!/usr/bin/env bash
# Scenario: an organ that does not answer. STORE on an organ that never confirms shows the
# missing-confirmation box after the time-out (how long after it is printed); an organ that is
# unplugged while connected shows the lost-connection box. After each box the panel looks as
# before it: the panel as it was, and after the loss as it was before CONNECT.
# Usage: link-faults.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin link-faults "$1" "$2"

scn_start_emulator --delay store=never
scn_start_editor
scn_panel_shot "$SCN_WORK/disconnected.png"
scn_connect
scn_panel_shot "$SCN_WORK/connected.png"

# A box is on screen once its light face has been drawn (the window starts out black).
box_painted()
{
    scn_find_box && scn_shot "$SCN_WORK/box.png" 4x4+2+2 "$SCN_BOX" \
        && [ "$(convert "$SCN_WORK/box.png" -colorspace Gray -format '%[fx:minima>0.85]' info: 2>/dev/null)" = 1 ]
}

scn_step "STORE without a confirmation"
scn_mark
scn_press store
scn_wait_record '<- .*store  F0 7D 1E 03 ' 5 || scn_fail "STORE sent no store request"
clicked=$(date +%s%N)
# The editor waits 6 s for the confirmation; poll the screen closely from shortly before.
sleep 5.5
scn_wait_until 10 box_painted || scn_fail "no box after the store time-out"
shown=$(date +%s%N)
scn_step "the missing-confirmation box was on screen $(( (shown - clicked) / 1000000 - 6000 )) ms after the 6000 ms time-out"
scn_expect_box "Missing confirmation" "Failed to store"
scn_box_click 1
scn_expect_panel "$SCN_WORK/connected.png" "the missing-confirmation box"

scn_step "the organ unplugged"
scn_mark
scn_emulator_say unplug
# The watchdog pings every 3 s; the first ping without an answer ends the connection.
scn_expect_box "Device lost connection"
scn_indicator_on && scn_fail "the indicator is still on after the connection was lost"
scn_box_click 1
scn_expect_panel "$SCN_WORK/disconnected.png" "the lost-connection box"

scn_step "quit"
scn_quit
scn_step "passed"

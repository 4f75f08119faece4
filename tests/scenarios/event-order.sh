#!/usr/bin/env bash
# Scenario: the link in orders of events that a player meets with a slow or fickle organ.
# - A download left pending (CONNECT off while it waits) does not hold up the next search:
#   with one port pair it ends in "Device not found!" after its one pair.
# - An organ that answers only after the search has given up connects behind the
#   device-not-found box: the download closes that box, CONNECT stays on while connected, so
#   the loss of the organ switches everything off and the next click lets the organ go.
# - Closing the progress box from the window manager counts as its Cancel.
# - Quitting with the cancel box or the abort box of an upload open sends nothing.
# - A store result that opens while the bulk send waits out its 200 ms stays open after it.
# - An operation-complete that answers the download step of an older search (a late reply's
#   download left at its third step, then CONNECT) connects nothing: the search ends with its box.
# - A store's failure that replaced the device-not-found box stays open when the organ's late
#   reply downloads behind it.
# - An identity refused in the reconnection after an upload leaves the panel disconnected
#   (indicator, labels and CONNECT off), with no receive time-out after the refusal's box.
# Usage: event-order.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin event-order "$1" "$2"

# Ten packets: paced at 1500 ms each, the progress box stays open long enough to be read and
# clicked on a busy machine (three packets went by before the click).
wheel=$SCN_WORK/files/order.otw
scn_make_tonewheel "$wheel" "ORDER WHEEL" 1200
ms() { scn_time "$1" | cut -d. -f1; }

no_connections() { [ "$(scn_emulator_connections)" = 0 ]; }

# Whether the open box is drawn and reads every word; the box it replaced may still be found
# for a moment.
box_reads()
{
    local text word
    scn_find_box && scn_box_drawn || return 1
    text=$(scn_ocr "$SCN_WORK/box.png")
    for word in "$@"; do
        grep -q -i -F -- "$word" <<<"$text" || return 1
    done
}

expect_box_reading() { scn_wait_until 10 box_reads "$@" || scn_fail "no box reads \"$*\""; }

# Quits with the box open: the editor must end with 0 and the organ receive nothing more.
quit_sends_nothing()
{
    scn_mark
    scn_quit "$1"
    scn_wait_until 10 no_connections || scn_fail "$1: the editor's connections stay open after it ended"
    scn_expect_no_record '<- ' "$1: the organ received a message after the close request"
}

#------------------------------------------------------------------------------
scn_step "a search after a download that was left pending"
# The organ answers no identity request on its own and never its first dump request. Its
# identity reply is sent by hand once the search has ended with its box: the download that it
# starts times out 6 s later, and the next CONNECT must come before that, however slowly the
# box was read.
identity_reply="F0 7D 1E 07 05 03 00 01 02 00 F7"
scn_start_emulator --identity-answers 0 --delay dump1=never
scn_start_editor
scn_mark
scn_press connect
expect_box_reading "Device not found"
scn_box_click 1
# The late reply starts a download on the ports left open; it stays pending.
scn_emulator_say "send $identity_reply"
scn_wait_record '<- .*dump request  F0 7D 1E 04 7D F7' 10 || scn_fail "the late reply started no download"
scn_mark
clicked=$(date +%s%N)
scn_press connect
# The search box shows first; the search's end replaces it. A search held up by the pending
# download never ends; one pair takes 1 s, and the limit leaves room for a busy machine.
scn_wait_until 20 box_reads "Device not found" \
    || scn_fail "the search does not end: no \"Device not found!\" within $(scn_time 20) s of CONNECT"
scn_step "the box was read $(( ($(date +%s%N) - clicked) / 1000000 )) ms after the click (one pair: 1000 ms)"
[ "$(scn_count_records '<- .*identity request')" = 2 ] \
    || scn_fail "the search sent $(scn_count_records '<- .*identity request') identity requests, not CONNECT's and the one pair's"
scn_box_click 1
scn_quit "after the second search"
scn_stop_emulator

#------------------------------------------------------------------------------
# The organ's identity reply comes only after the search has ended with its box (1000 ms).
late_reply()
{
    scn_start_emulator --delay identity="$1"
    scn_start_editor
    scn_panel_shot "$SCN_WORK/disconnected.png"
    scn_mark
    scn_press connect
    scn_wait_record '-> .*operation complete' 15 3 || scn_fail "the late reply did not download the organ's data"
    scn_wait_until 10 scn_pinged_after_download || scn_fail "the editor did not ping after the download"
    scn_wait_no_box 5 || scn_fail "a box stays open over the connected panel: $(scn_box_text)"
    scn_wait_until 5 scn_indicator_on || scn_fail "the indicator is off after the download"
}

scn_step "an identity reply 1.5 s late, then the organ lost"
late_reply 1500
scn_mark
scn_emulator_say unplug
expect_box_reading "Device lost connection"
scn_box_click 1
scn_expect_panel "$SCN_WORK/disconnected.png" "the lost connection (indicator and CONNECT off)"
scn_quit "after the loss"
scn_stop_emulator

scn_step "an identity reply 3 s late, then CONNECT clicked"
late_reply 3000
scn_mark
scn_press connect
scn_wait_until 5 no_connections || scn_fail "CONNECT clicked while connected did not let the organ go"
scn_expect_no_record '<- .*identity request' "CONNECT clicked while connected searched again"
scn_expect_panel "$SCN_WORK/disconnected.png" "CONNECT off after the click"
scn_quit "after letting go"
scn_stop_emulator

#------------------------------------------------------------------------------
# The organ acknowledges each packet late, so that the progress box stays long enough to be
# read and clicked on a busy machine.
scn_start_emulator --delay packet="$(ms 1500)"
scn_start_editor
scn_connect

scn_step "the progress box closed by the window manager"
scn_start_upload "$wheel"
scn_expect_box "Transmitting tonewheel file"
scn_close_request "$SCN_BOX"
scn_wait_record '<- .*CANCEL' 5 || scn_fail "closing the progress box did not cancel the upload"
expect_box_reading "Transmission aborted" "tonewheel has been deleted"
scn_expect_no_record '<- .*EOF' "the upload ran on after its progress box was closed"
scn_box_click 1
scn_wait_until 10 scn_pinged_after_download || scn_fail "the editor did not connect again after the cancel"

scn_step "quitting with the cancel box open"
scn_start_upload "$wheel"
scn_expect_box "Transmitting tonewheel file"
scn_box_click 1
expect_box_reading "Transmission aborted" "tonewheel has been deleted"
quit_sends_nothing "the cancel box"
scn_stop_emulator

scn_step "quitting with the abort box open"
# The organ refuses the first packet three times; the editor gives up the transfer.
scn_start_emulator --nak 0:3
scn_start_editor
scn_connect
scn_start_upload "$wheel"
scn_wait_record '<- .*CANCEL' 10 || scn_fail "the editor did not give up the refused packet"
expect_box_reading "Transmission aborted"
quit_sends_nothing "the abort box"
scn_stop_emulator

#------------------------------------------------------------------------------
scn_step "a store result that opens while the bulk send waits"
# The organ confirms the store only when told to, right after the transmit box has opened.
scn_start_emulator --delay store=never
scn_start_editor
scn_connect
project=$SCN_WORK/files/order.hop
{ printf '\x63\x19\x07\x27'; head -c 412 /dev/zero; } >"$project"

box_callbacks() { grep -c 'messageBoxCallback: exit' "$SCN_WORK/editor.log"; }
dialog_calls() { cat "$SCN_DIALOG/calls" 2>/dev/null | grep -c '^folder='; }
dialog_called() { [ "$(dialog_calls)" -gt "$1" ]; }

# The confirmation may still come after the bulk send has begun (its timer runs out first); the
# attempt is then made again. It is in place when the transmit box's callback (its box replaced
# by the store result) is logged before the bulk send begins, which then takes two seconds.
arranged=""
for attempt in 1 2 3 4 5 6; do
    scn_mark
    scn_press store
    scn_wait_record '<- .*store  F0 7D 1E 03 ' 5 || scn_fail "STORE sent no store request"
    calls=$(dialog_calls)
    touch "$SCN_DIALOG/hold"
    echo "$project" >"$SCN_DIALOG/answer"
    scn_press open
    scn_wait_until 5 dialog_called "$calls" || scn_fail "OPEN showed no file dialog"
    callbacks=$(box_callbacks)
    rm -f "$SCN_DIALOG/hold"
    scn_wait_box 5 || scn_fail "no transmit box after OPEN"
    scn_emulator_say "send F0 7D 1E 05 F7"
    scn_wait_record '<- .*bulk send begin' 10 || scn_fail "OPEN while connected sent no bulk send"
    [ "$(box_callbacks)" -gt "$callbacks" ] && arranged=yes
    scn_wait_record '<- .*bulk send end' 15 || scn_fail "the bulk send did not end"
    expect_box_reading "stored successfully"
    scn_box_click 1
    scn_wait_no_box 5 || scn_fail "the store result did not close"
    [ -n "$arranged" ] && break
    scn_step "attempt $attempt: the bulk send began before the store result; again"
done
[ -n "$arranged" ] || scn_fail "the store result never opened within the bulk send's 200 ms"
scn_step "the store result opened before the bulk send (attempt $attempt) and stayed open after it"
scn_quit "after the bulk send"
scn_stop_emulator

#------------------------------------------------------------------------------
scn_step "an answer to the download step of an older search"
# The organ answers no identity request on its own and never its third dump request. The
# reply sent by hand behind the device-not-found box starts a download that stops at step 3;
# the box's OK leaves CONNECT off with that step pending, and the next CONNECT searches anew.
scn_start_emulator --identity-answers 0 --ping-answers 0 --delay dump3=never
scn_start_editor
scn_mark
scn_press connect
expect_box_reading "Device not found"
scn_emulator_say "send $identity_reply"
scn_wait_record '<- .*dump request  F0 7D 1E 04 7C F7' 10 || scn_fail "the late reply's download did not reach its third step"
scn_box_click 1
scn_wait_no_box 5 || scn_fail "the device-not-found box did not close"
scn_mark
scn_press connect
scn_wait_record '<- .*identity request' 10 || scn_fail "CONNECT sent no identity request"
# The new search's input is connected before its request went out.
scn_emulator_say "send F0 7D 1E 05 F7"
expect_box_reading "Device not found"
scn_indicator_on && scn_fail "the older search's answer connected the organ"
scn_box_click 1
scn_quit "after the older search's answer"
scn_stop_emulator

#------------------------------------------------------------------------------
scn_step "a store failure over the device-not-found box, then the organ's late reply"
# The organ confirms no store and answers one ping only, so that the new search goes
# unanswered. The identity reply is then sent by hand every half second: the first is the
# late reply that downloads, the others answer the watchdog's pings, so that only the
# download or the player could close the box.
scn_start_emulator --delay store=never --ping-answers 1
scn_start_editor
scn_connect
scn_mark
scn_press store
scn_wait_record '<- .*store  F0 7D 1E 03 ' 5 || scn_fail "STORE sent no store request"
scn_press connect
scn_wait_until 5 no_connections || scn_fail "CONNECT switched off did not let the organ go"
scn_press connect
expect_box_reading "Device not found"
# The store's time-out (6 s after STORE) replaces it.
expect_box_reading "Failed to store"
store_box=$SCN_BOX
scn_mark
for _ in $(seq 40); do scn_emulator_say "send $identity_reply"; sleep 0.5; done &
replies=$!
scn_wait_until 10 scn_pinged_after_download || scn_fail "the late reply did not connect the organ"
# The download ended before its first ping.
scn_window_gone "$store_box" && scn_fail "the completed download closed the store's failure box"
sleep 0.5
scn_window_gone "$store_box" && scn_fail "the store's failure box closed after the download"
kill "$replies"
wait "$replies" 2>/dev/null
scn_step "the store's failure box stayed open after the download"
scn_quit "after the store failure"
scn_stop_emulator

#------------------------------------------------------------------------------
scn_step "an identity refused in the reconnection after an upload"
# From the upload on, the organ's replies name a protocol too new: while connected they only
# answer the watchdog, the reconnection's reply is refused.
scn_start_emulator
scn_start_editor
scn_panel_shot "$SCN_WORK/disconnected.png"
scn_connect
scn_emulator_say "identity 6,3,0,1,2,0"
scn_start_upload "$wheel"
scn_wait_record '<- .*EOF' 10 || scn_fail "the upload did not end"
expect_box_reading "Editor" "out of date"
scn_box_click 1
scn_expect_panel "$SCN_WORK/disconnected.png" "the refused reconnection (indicator, labels and CONNECT off)"
# The reconnection's receive time-out, started at the upload's end, would have come by now.
sleep "$(scn_time 6)"
scn_no_box || scn_fail "a box followed the refusal's: $(scn_box_text)"
scn_quit "after the refused reconnection"
scn_step "passed"

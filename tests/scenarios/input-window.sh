#!/usr/bin/env bash
# Scenario: input acts at once and only where the player aims, and the window goes cleanly.
# The arrow keys on every slider page (after CONNECT, after each page switch, after a press on
# a bar) send nothing and change no value shown; on the Overdrive and Additional Functions
# pages Up and Down still step the selector. Each section and sub-page button shows its
# selected look within 50 ms of the click while the pointer stays still, read straight from
# the X server. Close requests, each after boxes have come and gone (RESET's question, an
# upload's abort box with its reconnection, the store time-out box), end the editor within
# 1 s without any further input, and no window is made between the request and the exit.
# Those close requests are only worth their result when they reach the window: an X server
# may drop the requests of a client that disconnects right after flushing them, and the
# window then never sees the close (the editor idles on as if nobody had asked). The
# sender's 300 requests to a window of its own must all arrive.
# Usage: input-window.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
# SCN_CLOSE_RUNS (3) sets the number of close requests; SCN_LOAD (0) starts that many busy
# processes for the close requests.
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin input-window "$1" "$2"

close_runs=${SCN_CLOSE_RUNS:-3}
load=${SCN_LOAD:-0}
wheel=$SCN_WORK/files/wheel.otw
scn_make_tonewheel "$wheel" "ABORTED WHEEL"

# Every store goes unconfirmed and every upload is cancelled by the organ after its first packet.
scn_start_emulator --identity 5,4,1,1,30,0 --delay store=never --cancel packet:1:3
scn_start_editor

x_helper() { /usr/bin/python3 "$scn_dir/scenario-x.py" "$@"; }

# The panel's value column (the slider bars and selectors), the pointer parked.
values_shot() { scn_park_pointer; sleep 0.3; scn_shot "$1" "580x450+431+220"; }

# Arrow keys on the page in view must send nothing and change nothing shown.
expect_keys_ignored()
{
    local before=$SCN_WORK/keys-before.png after=$SCN_WORK/keys-after.png
    values_shot "$before"
    scn_mark
    scn_key Down Down Up Right Right Left Down
    # A step is sent from the key's handler; the ping that the watchdog sends meanwhile shows
    # that the editor has read its input since.
    scn_wait_record '<- .*identity request' 10 || scn_fail "$1: the editor pinged no more"
    scn_expect_no_record '<- .*set parameter' "$1: a key sent a value"
    values_shot "$after"
    scn_expect_same "$before" "$after" "$1: a key changed a value shown"
}

value_sent() { [ -n "$(scn_sent_value "$1")" ]; }

# Down and then Up on a selector page step its last selector, parameter INDEX, each step sent.
expect_keys_step()
{
    local key
    for key in Down Up; do
        scn_mark
        scn_key "$key"
        scn_wait_until 5 value_sent "$2" || scn_fail "$1: $key sent no step of parameter $2"
    done
}

#------------------------------------------------------------------------------
scn_step "keys after CONNECT"
scn_connect
expect_keys_ignored "after CONNECT"

scn_step "keys after each page switch"
# name | section | sub-page button x (none: -)
for page in "tone-drawbar|0|916" "tone-main|0|827" "vibrato-chorus|1|-" "rotary-classic|3|827" \
    "rotary-rock|3|916" "rotary-common|3|738" "reverb|4|-"; do
    IFS='|' read -r name section subpage <<<"$page"
    scn_section "$section"
    [ "$subpage" = - ] || scn_subpage "$subpage"
    expect_keys_ignored "$name"
done

scn_step "keys after a press on a bar"
# Spring Damp, the Reverb page's last row, pressed and moved a little: the bar keeps the focus
# that the press gave it, and no value box opens for typing.
scn_drag 700 450 720 450
expect_keys_ignored "after a press on the Spring Damp bar"

scn_step "Up and Down on the selector pages"
scn_section 2
expect_keys_step "Overdrive" 9
scn_section 5
expect_keys_step "Additional Functions" 98

#------------------------------------------------------------------------------
scn_step "the selected look of each button, the pointer still"
# Every section in turn from the Additional Functions page, and in each divided section the
# sub-pages that are not selected yet. name | click x y | region that its selected look turns blue
buttons=(
    "Tone Generator|100 98|190x30+5+83" "DRAWBAR|958 149|85x29+916+135" "MAIN|869 149|85x29+827+135"
    "Vibrato and Chorus|100 138|190x30+5+123"
    "Overdrive|100 178|190x30+5+163" "ROCK|958 149|85x29+916+135" "CLASSIC|869 149|85x29+827+135"
    "Rotary|100 218|190x30+5+203" "CLASSIC|869 149|85x29+827+135" "ROCK|958 149|85x29+916+135"
    "COMMON|780 149|85x29+738+135"
    "Reverb|100 258|190x30+5+243" "Additional Functions|100 298|190x30+5+283"
)
limit_ms=$(scn_time 50 | cut -d. -f1)
for button in "${buttons[@]}"; do
    IFS='|' read -r name click region <<<"$button"
    # shellcheck disable=SC2086
    shown=$(x_helper look "$SCN_WINDOW" $click "$region" 3000)
    scn_step "$name: selected look after $shown ms"
    [ "$shown" != none ] && [ "$shown" -le "$limit_ms" ] \
        || scn_fail "$name: its selected look took $shown ms (at most $limit_ms)"
done

#------------------------------------------------------------------------------
# The boxes before a close request, in turn.
reset_question()
{
    scn_press reset
    scn_expect_box "Do you want to continue"
    scn_box_click 2
    scn_wait_no_box 10 || scn_fail "No left the question open"
}

upload_aborted()
{
    scn_mark
    echo "$wheel" >"$SCN_DIALOG/answer"
    scn_tonewheel_menu
    scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 2))
    scn_wait_box 10 || scn_fail "no warning before the upload"
    scn_box_click 1
    scn_expect_box "Transmission aborted"
    scn_box_click 1
    scn_wait_no_box 10 || scn_fail "OK left the abort box open"
    scn_wait_until 20 scn_pinged_after_download || scn_fail "the editor did not connect again after the abort"
}

store_timed_out()
{
    scn_press store
    scn_wait_box 20 || scn_fail "no box after the store time-out"
    scn_expect_box "Failed to store"
    scn_box_click 1
    scn_wait_no_box 10 || scn_fail "OK left the store time-out box open"
}

# The close request goes out with the root window's children watched; the editor must end
# within 1 s, and no window may be made meanwhile.
close_request_ends_editor()
{
    local limit report
    limit=$(scn_time 1000 | cut -d. -f1)
    report=$(x_helper close-watch "$SCN_WINDOW" "$SCN_EDITOR_PID" $((limit + 4000)))
    scn_expect_clean_end "$1" "the close request" "$report" "$limit"
}

requests=300
arrived=$(x_helper close-deliveries "$requests")
scn_step "the close sender's requests that reached a window: $arrived of $requests"
[ "$arrived" = "$requests" ] || scn_fail "only $arrived of $requests close requests reached the window"

scn_step "close request on the panel"
close_request_ends_editor "the first session"

busy=()
for _ in $(seq 1 "$load"); do
    bash -c 'while :; do :; done' &
    busy+=("$!")
    scn_pids+=("$!")
done
sequences=(reset_question upload_aborted store_timed_out)
for run in $(seq 1 "$close_runs"); do
    sequence=${sequences[$(((run - 1) % 3))]}
    scn_step "close request $run of $close_runs, after $sequence"
    scn_start_editor
    scn_connect
    "$sequence"
    close_request_ends_editor "run $run, after $sequence"
done
for pid in "${busy[@]}"; do kill "$pid"; done
scn_step "passed"

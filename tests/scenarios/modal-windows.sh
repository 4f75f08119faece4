#!/usr/bin/env bash
# Scenario: the editor's modal windows as a player meets them during long work.
# - The progress box of an upload that is hidden (the virtual desktop switched away, or the box
#   alone put on another desktop) neither cancels nor ends: the upload runs on to EOF and the
#   box shows again with its desktop. Its close request (WM_DELETE_WINDOW) still cancels.
# - A report and a question hidden the same way stay open, the same box, until answered.
# - While a file dialog (OPEN, SAVE, TONEWHEEL) is open the panel takes no input: a
#   double-click opens one dialog, and clicks, keys and the wheel on the panel send nothing,
#   change nothing and open nothing.
# - The organ lost while the tonewheel dialog waits: the chosen file starts nothing.
# - The window's close requested while a dialog waits: once the dialog is answered the editor
#   ends at once, with no window made, nothing written and nothing sent.
# Usage: modal-windows.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin modal-windows "$1" "$2"

# Four packets. The organ takes the header at once and every packet without a word: the
# scenario acknowledges each one itself, so that the box is hidden before the first progress
# text, whose longer line makes the box grow; that relayout is where the framework's modal
# manager looks whether the box still shows.
wheel=$SCN_WORK/files/slow.otw
scn_make_tonewheel "$wheel" "SLOW WHEEL" 416
packets=4
project=$SCN_WORK/files/modal.hop
{ printf '\x63\x19\x07\x27'; head -c 412 /dev/zero; } >"$project"
saved=$SCN_WORK/files/saved.hop

x_helper() { /usr/bin/python3 "$scn_dir/scenario-x.py" "$@"; }
ms() { scn_time "$1" | cut -d. -f1; }
dialog_calls() { cat "$SCN_DIALOG/calls" 2>/dev/null | grep -c '^folder='; }
dialog_called() { [ "$(dialog_calls)" -gt "$1" ]; }
no_connections() { [ "$(scn_emulator_connections)" = 0 ]; }
packets_sent() { scn_count_records '<- .*File Dump data packet'; }
more_packets() { [ "$(packets_sent)" -gt "$1" ]; }
acknowledge() { scn_emulator_say "send F0 7E 00 7F 00 F7"; }
iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
hidden_or_gone() { iconic "$1" || ! xprop -id "$1" WM_STATE >/dev/null 2>&1; }
went_on_or_cancelled() { more_packets "$1" || scn_has_records '<- .*CANCEL' 1; }
shown_again() { ! iconic "$1" && scn_windows | grep -q -x "$1"; }

# The progress box, hidden with HIDE, must let the next packet go out, send no CANCEL, and
# show again (the same window) once RESTORE has run; both are xdotool commands.
hide_and_restore()
{
    local what=$1 hide=$2 restore=$3 box=$SCN_BOX sent
    sent=$(packets_sent)
    # shellcheck disable=SC2086
    scn_x xdotool $hide
    scn_wait_until 5 hidden_or_gone "$box" || scn_fail "$what: the window manager did not hide the box"
    acknowledge
    scn_wait_until 10 went_on_or_cancelled "$sent" || scn_fail "$what: the upload stopped while its box was hidden"
    scn_expect_no_record '<- .*CANCEL' "$what: the hidden box cancelled the upload"
    # shellcheck disable=SC2086
    scn_x xdotool $restore
    scn_wait_until 5 shown_again "$box" || scn_fail "$what: the progress box did not show again"
    scn_expect_box "Transmitting tonewheel file"
    [ "$SCN_BOX" = "$box" ] || scn_fail "$what: another box ($SCN_BOX) in place of the progress box ($box)"
}

start_upload()
{
    scn_start_upload "$wheel"
    scn_expect_box "Transmitting tonewheel file"
}

#------------------------------------------------------------------------------
scn_start_emulator --delay packet=never
scn_start_editor
scn_connect

# way | hide | restore (xdotool commands; BOX stands for the progress box's window)
hidings=("another desktop in view|set_desktop 1|set_desktop 0"
    "the box alone on another desktop|set_desktop_for_window BOX 2|set_desktop_for_window BOX 0")
for hiding in "${hidings[@]}"; do
    IFS='|' read -r way hide restore <<<"$hiding"
    scn_step "an upload whose progress box is hidden: $way"
    start_upload
    hide_and_restore "$way" "${hide/BOX/$SCN_BOX}" "${restore/BOX/$SCN_BOX}"
    for _ in $(seq 2 "$packets"); do acknowledge; done
    scn_wait_record '<- .*EOF' 10 || scn_fail "$way: the upload did not end with EOF"
    [ "$(packets_sent)" = "$packets" ] || scn_fail "$way: the upload sent $(packets_sent) data packets, not $packets"
    scn_expect_no_record '<- .*CANCEL' "$way: the editor cancelled the upload"
    scn_wait_until 10 scn_pinged_after_download || scn_fail "$way: the editor did not connect again after the upload"
    scn_wait_no_box 5 || scn_fail "$way: a box stays open after the upload: $(scn_box_text)"
done

scn_step "the close request of a progress box that was hidden still cancels"
start_upload
hide_and_restore "another desktop in view" "set_desktop 1" "set_desktop 0"
scn_close_request "$SCN_BOX"
scn_wait_record '<- .*CANCEL' 5 || scn_fail "the close request of the progress box did not cancel the upload"
scn_expect_box "Transmission aborted" "tonewheel has been deleted"
scn_box_click 1
scn_wait_until 10 scn_pinged_after_download || scn_fail "the editor did not connect again after the cancel"

# The open box, hidden with the desktop switched away and back, must be the same box, still
# open and reading TEXT. While hidden it is moved, as window managers move the windows they
# hide: the framework looks whether a window still shows when it hears of a move.
expect_box_outlasts_hiding()
{
    local what=$1 text=$2 box=$SCN_BOX
    scn_x xdotool set_desktop 1
    scn_wait_until 5 hidden_or_gone "$box" || scn_fail "$what: the window manager did not hide the box"
    scn_x xdotool windowmove "$box" 40 40
    sleep 0.5   # for the editor to hear of the move: on a busy machine an old fault may go unseen
    scn_x xdotool set_desktop 0
    scn_wait_until 5 shown_again "$box" || scn_fail "$what: the box did not show again"
    scn_expect_box "$text"
    [ "$SCN_BOX" = "$box" ] || scn_fail "$what: another box ($SCN_BOX) in place of the one hidden ($box)"
}

scn_step "a report and a question that are hidden stay open until answered"
: >"$SCN_WORK/files/notes.txt"
echo "$SCN_WORK/files/notes.txt" >"$SCN_DIALOG/answer"
scn_press open
scn_expect_box "not valid"
expect_box_outlasts_hiding "the report" "not valid"
scn_box_click 1
scn_wait_no_box 5 || scn_fail "OK did not close the report"
scn_mark
scn_press reset
scn_expect_box "reset to the default values"
expect_box_outlasts_hiding "the reset question" "reset to the default values"
scn_expect_no_record '<- .*reset' "the hidden question was answered"
scn_box_click 1
scn_wait_record '<- .*reset' 5 || scn_fail "Yes to the question that was hidden sent no reset request"
scn_expect_box "reset successfully"
scn_box_click 1
scn_wait_no_box 5 || scn_fail "OK did not close the reset's report"

#------------------------------------------------------------------------------
# While the held dialog of `name` is open, INPUT... (commands) must open no second dialog and
# no window, send nothing and leave the panel as it was. The watchdog's next ping shows that
# the editor has read the input since.
expect_panel_inert()
{
    local name=$1 calls=$2 before
    shift 2
    scn_panel_shot "$SCN_WORK/dialog-before.png"
    before=$(scn_windows)
    scn_mark
    "$@"
    scn_wait_record '<- .*identity request' 10 || scn_fail "$name dialog: the editor pinged no more"
    [ "$(dialog_calls)" = $((calls + 1)) ] \
        || scn_fail "$name dialog: $(($(dialog_calls) - calls)) dialogs were opened, not one"
    [ "$(scn_windows)" = "$before" ] || scn_fail "$name dialog: the panel's input opened a window"
    scn_expect_no_record '<- .*set parameter' "$name dialog: the panel's input sent a value"
    scn_panel_shot "$SCN_WORK/dialog-after.png"
    scn_expect_same "$SCN_WORK/dialog-before.png" "$SCN_WORK/dialog-after.png" "$name dialog: the panel's input changed it"
    rm -f "$SCN_DIALOG/hold"
    scn_wait_until 5 scn_no_box || scn_fail "$name dialog: a box after the cancelled dialog"
}

# Holds the next dialog, runs COMMAND... (the clicks that open it) and waits for the dialog;
# sets dialog_calls_before to the number of dialogs before it.
hold_dialog()
{
    local calls
    calls=$(dialog_calls)
    touch "$SCN_DIALOG/hold"
    "$@"
    scn_wait_until 5 dialog_called "$calls" || scn_fail "no file dialog after $*"
    dialog_calls_before=$calls
}

panel_input_on_selectors()
{
    scn_key Down Up Down Tab Down
    scn_section 4
    scn_press save
    scn_press connect
    scn_double_click 814 39   # TONEWHEEL
}

panel_input_on_sliders()
{
    scn_x xdotool mousemove --window "$SCN_WINDOW" 700 450 click 4 click 4 click 5
    scn_drag 700 450 760 450
    scn_double_click 294 39   # OPEN
    scn_section 0
    scn_key Up Right
}

tonewheel_item() { scn_tonewheel_menu; scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 2)); }

scn_step "a double-click on OPEN, then input on the Overdrive page while its dialog is open"
scn_section 2
hold_dialog scn_double_click 294 39
expect_panel_inert OPEN "$dialog_calls_before" panel_input_on_selectors

scn_step "a double-click on SAVE, then input on the Reverb page while its dialog is open"
scn_section 4
hold_dialog scn_double_click 398 39
expect_panel_inert SAVE "$dialog_calls_before" panel_input_on_sliders

scn_step "TONEWHEEL's dialog, then TONEWHEEL, OPEN and keys while it is open"
hold_dialog tonewheel_item
expect_panel_inert TONEWHEEL "$dialog_calls_before" panel_input_on_selectors

#------------------------------------------------------------------------------
scn_step "the organ lost while the tonewheel dialog waits"
echo "$wheel" >"$SCN_DIALOG/answer"
hold_dialog tonewheel_item
scn_emulator_say unplug
scn_expect_box "Device lost connection"
scn_box_click 1
scn_wait_no_box 5 || scn_fail "the lost-connection box did not close"
rm -f "$SCN_DIALOG/hold"
scn_wait_until 5 test ! -e "$SCN_DIALOG/answer" || scn_fail "the dialog did not take its answer"
# The answer leaves the dialog at once; a box after it would open within milliseconds.
sleep "$(scn_time 2)"
scn_no_box || scn_fail "the file chosen after the loss opened a box: $(scn_box_text)"
scn_emulator_say plug
scn_quit "after the loss"

#------------------------------------------------------------------------------
# The close request while the dialog of BUTTON waits for ANSWER; then the dialog is answered.
close_during_dialog()
{
    local name=$1 answer=$2 report limit
    shift 2
    scn_start_editor
    scn_connect
    echo "$answer" >"$SCN_DIALOG/answer"
    hold_dialog "$@"
    scn_mark
    scn_close_request
    sleep "$(scn_time 1)"   # the close request handled while the dialog still waits
    limit=$(ms 2000)
    report=$(x_helper release-watch "$SCN_DIALOG/hold" "$SCN_EDITOR_PID" $((limit + 8000)))
    scn_step "$name: $(xargs <<<"$report")"
    scn_expect_clean_end "$name" "the dialog's answer" "$report" "$limit"
    scn_wait_until 10 no_connections || scn_fail "$name: the editor's connections stay open after it ended"
    scn_expect_no_record '<- .*(bulk send|File Dump|set parameter)' "$name: sent after the close request"
}

scn_step "the close request while each dialog waits"
close_during_dialog OPEN "$project" scn_press open
close_during_dialog SAVE "$saved" scn_press save
[ -e "$saved" ] && scn_fail "SAVE: the project file was written after the close request"
close_during_dialog TONEWHEEL "$wheel" tonewheel_item
scn_step "passed"

#!/usr/bin/env bash
# Scenario: the top-bar roads that end in a message box or a file. STORE confirmed; RESET
# answered No and Yes; SAVE to a file and OPEN of it while connected; OPEN of a file with a wrong
# extension and of a corrupted one. After every box the panel must look as it did before.
# Usage: store-reset-files.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin store-reset-files "$1" "$2"
files=$SCN_WORK/files
mkdir -p "$files"
app_folder=$(cd "$(dirname "$SCN_EDITOR")" && pwd)

scn_start_emulator
scn_start_editor
scn_connect
organ_pedals=$(scn_sent_value 4 '->')
scn_panel_shot "$SCN_WORK/panel.png"

same_number() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a != "" && a - b < 1e-4 && b - a < 1e-4) }'; }

# Requests that change the organ; the watchdog's pings (identity requests) go on meanwhile.
changes='<- .*(store|reset|set parameter|bulk send)'

#------------------------------------------------------------------------------
scn_step "STORE confirmed"
scn_mark
start=$(date +%s%N)
scn_press store
scn_wait_record '<- .*store  F0 7D 1E 03 ' 5 || scn_fail "STORE sent no store request"
scn_wait_box 10 || scn_fail "no box after the store confirmation"
scn_step "the confirmation box appeared $(( ($(date +%s%N) - start) / 1000000 )) ms after the click"
scn_expect_box "stored successfully"
scn_box_click 1
scn_expect_panel "$SCN_WORK/panel.png" "the store box"

scn_step "RESET answered No"
scn_mark
scn_press reset
scn_expect_box "Warning" "reset to the default values"
scn_box_click 2
scn_wait_no_box 5 || scn_fail "No did not close the question"
sleep 1
scn_expect_no_record "$changes" "RESET answered No still sent"
scn_expect_panel "$SCN_WORK/panel.png" "the reset question"

scn_step "RESET answered Yes after an edit"
scn_drag 600 242 900 242
scn_wait_record '<- .*F0 7D 1E 01 04 00 ' 5 || scn_fail "the drag before the reset sent nothing"
scn_mark
scn_press reset
scn_expect_box "Warning"
scn_box_click 1
scn_wait_record '<- .*reset  F0 7D 1E 08 ' 5 || scn_fail "Yes sent no reset request"
scn_wait_record '-> .*operation complete' 10 || scn_fail "the organ did not confirm the reset"
scn_expect_box "reset successfully"
scn_box_click 1
# The organ's factory values are back on the panel, as they were before the edit.
scn_expect_panel "$SCN_WORK/panel.png" "the reset box"

#------------------------------------------------------------------------------
scn_step "SAVE to a file"
scn_mark
echo "$files/project.hop" >"$SCN_DIALOG/answer"
scn_press save
scn_wait_until 10 test -s "$files/project.hop" || scn_fail "SAVE wrote no file"
sleep 0.3
scn_expect_dialog "folder=$app_folder" "arg=--file-selection" "arg=--title=Save Project File" "arg=--save" \
              "arg=--confirm-overwrite" "arg=--file-filter=*.hop"
[ "$(stat -c %s "$files/project.hop")" = 416 ] || scn_fail "the project file holds $(stat -c %s "$files/project.hop") bytes"
[ "$(od -An -tx1 -N4 "$files/project.hop" | xargs)" = "63 19 07 27" ] || scn_fail "the project file starts without its magic"
saved_pedals=$(od -An -tf4 -j $((20 + 4 * 4)) -N4 "$files/project.hop" | xargs)
same_number "$saved_pedals" "$organ_pedals" || scn_fail "the file holds Pedals Level $saved_pedals, the organ's is $organ_pedals"
scn_no_box || scn_fail "SAVE showed a box"
scn_expect_no_record "$changes" "SAVE sent"
scn_expect_panel "$SCN_WORK/panel.png" "the save dialog"

scn_step "OPEN of the saved file while connected"
scn_mark
echo "$files/project.hop" >"$SCN_DIALOG/answer"
scn_press open
scn_expect_box "Transmitting all parameters"
scn_expect_dialog "folder=$app_folder" "arg=--title=Open Project File" "arg=--file-filter=*.hop"
scn_dialog_call | grep -q -x -- 'arg=--save' && scn_fail "OPEN asked for a file to save"
scn_wait_record '<- .*bulk send begin' 10 || scn_fail "no bulk send began"
scn_wait_record '<- .*bulk send end' 15 || scn_fail "the bulk send did not end"
[ "$(scn_count_records '<- .*set parameter')" = 99 ] || scn_fail "the bulk send held $(scn_count_records '<- .*set parameter') parameters"
bulk=$(scn_records | grep -E '<- .*(bulk send|set parameter)')
{ head -n1 <<<"$bulk" | grep -q 'bulk send begin' && tail -n1 <<<"$bulk" | grep -q 'bulk send end'; } \
    || scn_fail "the parameters were not sent between the bulk send's begin and end"
same_number "$(scn_sent_value 4)" "$saved_pedals" || scn_fail "the bulk send sent Pedals Level $(scn_sent_value 4), the file holds $saved_pedals"
scn_expect_panel "$SCN_WORK/panel.png" "the transmit box"

scn_step "OPEN of a wrong extension"
cp "$files/project.hop" "$files/project.txt"
scn_mark
echo "$files/project.txt" >"$SCN_DIALOG/answer"
scn_press open
scn_expect_box "not valid"
# The last OPEN that passed moved the dialogs' start folder to its file's folder.
scn_expect_dialog "folder=$files"
scn_box_click 1
sleep 0.5
scn_expect_no_record "$changes" "a file with the wrong extension was sent"
scn_expect_panel "$SCN_WORK/panel.png" "the not-valid box"

scn_step "OPEN of a corrupted file"
{ printf 'XXXX'; tail -c +5 "$files/project.hop"; } >"$files/broken.hop"
scn_mark
echo "$files/broken.hop" >"$SCN_DIALOG/answer"
scn_press open
scn_expect_box "corrupted"
scn_box_click 1
sleep 0.5
scn_expect_no_record "$changes" "a corrupted file was sent"
scn_expect_panel "$SCN_WORK/panel.png" "the corrupted box"

scn_step "quit"
scn_quit
scn_step "passed"

#!/usr/bin/env bash
# Scenario: a tonewheel upload as a hand makes it. TONEWHEEL opens the menu of the three
# alternative slots; a small .otw file is chosen, the warning answered Yes, the progress box
# shows while the organ paces the transfer, the whole file arrives, and the editor connects
# again and offers the slot under its new name. Then the window's close request, made right
# after the reconnection that follows an upload, must end the editor every time.
# Usage: tonewheel.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin tonewheel "$1" "$2"
app_folder=$(cd "$(dirname "$SCN_EDITOR")" && pwd)

wheel=$SCN_WORK/files/scenario.otw
wheel_name="SCENARIO WHEEL"
scn_make_tonewheel "$wheel" "$wheel_name"
name_hex=$(printf '%s' "$wheel_name" | od -An -tx1 | tr a-f A-F | xargs)

# The organ acknowledges each packet 1500 ms late (longer for slow builds), so that the progress
# box stays long enough to be found and read while other tests run beside this one.
scn_start_emulator --delay packet=$(scn_time 1500 | cut -d. -f1)

# Uploads the file into the second item's slot (ALT2, slot 4) and waits for the reconnection.
upload()
{
    local full=$1
    scn_mark
    echo "$wheel" >"$SCN_DIALOG/answer"
    scn_tonewheel_menu
    scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 2))
    if [ "$full" = yes ]; then
        scn_expect_box "Warning" "ALT2" "will be lost"
        scn_expect_dialog "folder=$app_folder" "arg=--title=Load Tonewheel File" "arg=--file-filter=*.otw"
    else
        scn_wait_box 10 || scn_fail "no warning before the upload"
    fi
    scn_box_click 1
    scn_wait_record '<- .*File Dump header' 5 || scn_fail "Yes sent no File Dump header"
    if [ "$full" = yes ]; then
        scn_expect_box "Transmitting tonewheel file"
    fi
    scn_wait_record '<- .*EOF' 20 || scn_fail "the upload did not end with EOF"
    scn_wait_record '<- .*dump request  F0 7D 1E 04 7C F7' 20 || scn_fail "the editor did not download the organ's data again"
    scn_wait_record '-> .*operation complete' 10 3 || scn_fail "the download after the upload did not end"
    # Until the editor has handled the download's end it is not connected, and TONEWHEEL only
    # switches itself off again; its first ping tells that it has.
    scn_wait_until 10 scn_pinged_after_download || scn_fail "the editor did not ping after the download"
}

#------------------------------------------------------------------------------
scn_start_editor
scn_connect
scn_panel_shot "$SCN_WORK/panel.png"

scn_step "the TONEWHEEL menu"
scn_tonewheel_menu
scn_shot "$SCN_WORK/menu.png" "" "$SCN_POPUP"
menu=$(scn_ocr "$SCN_WORK/menu.png")
[ "$(grep -o 'Upload to' <<<"$menu" | wc -l)" = 3 ] || scn_fail "the menu reads \"$menu\", not three \"Upload to\" items"
for slot in ALT1 ALT2 ALT3; do
    grep -q "$slot" <<<"$menu" || scn_fail "the menu reads \"$menu\", without $slot"
done
scn_key Escape
scn_wait_until 5 scn_window_gone "$SCN_POPUP" || scn_fail "Escape did not close the menu"

scn_step "a file uploaded into ALT2"
upload yes
[ "$(scn_count_records '<- .*File Dump data packet')" = 3 ] \
    || scn_fail "the upload sent $(scn_count_records '<- .*File Dump data packet') data packets, not 3"
scn_expect_no_record '-> .*(CANCEL|NAK)' "the organ refused the upload"
scn_expect_no_record '<- .*CANCEL' "the editor cancelled the upload"
scn_records | grep -q -F -- "-> $SCN_PORT  tonewheel slot name  F0 7D 1E 09 04 $name_hex 00 F7" \
    || scn_fail "after the upload the organ does not name slot 4 \"$wheel_name\""
scn_wait_until 5 scn_indicator_on || scn_fail "the indicator is off after the reconnection"
scn_expect_panel "$SCN_WORK/panel.png" "the upload's boxes"

scn_step "the menu offers the slot under its new name"
scn_tonewheel_menu
scn_shot "$SCN_WORK/menu.png" "" "$SCN_POPUP"
grep -q "$wheel_name" <<<"$(scn_ocr "$SCN_WORK/menu.png")" || scn_fail "the menu does not offer \"$wheel_name\""
scn_key Escape
sleep 0.5

#------------------------------------------------------------------------------
scn_quit "the first session"

for run in 1 2 3 4 5; do
    scn_step "close request right after an upload's reconnection, run $run"
    scn_start_editor
    scn_connect
    upload no
    scn_quit "run $run"
done
scn_step "passed"

#!/usr/bin/env bash
# Scenario: values the panel cannot show and files that are no plain files never freeze the
# editor; a refused file sends nothing and changes nothing. Values below silence, NaN and
# infinities from the organ (download and live) and from project files (opened offline and
# online); OPEN and the tonewheel load of a FIFO, a folder, a link to /dev/zero, a file one byte
# over its format's size and an unreadable file; late handshakes after the upload's box was
# replaced; SAVE into a folder that refuses the write and to the longest names; a settings file
# that is a FIFO or of 25 MB.
# Each case runs in a subshell with its own emulator and editor; every case runs, the failed
# ones are listed at the end. SCN_ONLY=REGEX runs only the cases whose names match (the project
# and file cases need save-base, which saves the file they start from).
# Usage: hardening.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
editor=$1
emulator=$2
# The project file that every file case starts from, saved by the editor itself.
shared=$(mktemp -d /tmp/scenario-hardening.XXXXXX)
trap 'chmod -R u+rwx "$shared" 2>/dev/null; rm -rf "$shared"' EXIT
base=$shared/base.hop
need_base() { [ -s "$base" ] || scn_fail "no project file to start from: run save-base first"; }
failed=()

run_case()
{
    local name=$1
    shift
    [[ "$name" =~ ${SCN_ONLY:-.} ]] || return 0
    ( scn_begin "hardening-$name" "$editor" "$emulator"; "$@" ) || failed+=("$name")
}

#==============================================================================
# Checks shared by the cases

# A busy loop of any cause keeps a core loaded: the watchdog's pings cost next to nothing.
expect_idle()
{
    local cpu
    cpu=$(scn_cpu_percent 2) || scn_fail "the editor is gone"
    scn_step "the editor used $cpu % of a core over 2 s"
    awk -v c="$cpu" 'BEGIN { exit !(c < 25) }' || scn_fail "the editor is busy: $cpu % of a core over 2 s"
}

show_page()
{
    scn_section "$1"
    [ "$2" = - ] || scn_subpage "$2"
    scn_park_pointer
    sleep 0.3
}

# expect_shown "Y:MIN:MAX[:TEXT],...": each bar reads a number inside its range (and TEXT).
expect_shown()
{
    local bar bars y min max text shown number
    IFS=, read -r -a bars <<<"$1"
    for bar in "${bars[@]}"; do
        IFS=: read -r y min max text <<<"$bar"
        shown=$(scn_slider_text "$y")
        number=$(grep -o -E -- '-?[0-9]+(\.[0-9]+)?' <<<"$shown" | head -n1)
        awk -v v="$number" -v a="$min" -v b="$max" 'BEGIN { exit !(v != "" && v + 0 >= a && v + 0 <= b) }' \
            || scn_fail "the bar at row $y reads \"$shown\", no number in $min..$max"
        # Blanks as the reading gives them: "0%" for "0 %".
        [ -z "$text" ] || [[ "${shown// /}" == *"${text// /}"* ]] || scn_fail "the bar at row $y reads \"$shown\", not \"$text\""
    done
}

hex_index() { printf '%02X %02X' $(($1 & 127)) $(($1 >> 7)); }

# A drag on the row's bar sends the parameter, with a finite value.
expect_edit_reaches()
{
    local y=$1 index=$2 value
    scn_mark
    scn_drag 600 $((y + 12)) 900 $((y + 12))
    scn_wait_record "<- .*F0 7D 1E 01 $(hex_index "$index") " 5 || scn_fail "a drag on row $y did not send parameter $index"
    value=$(scn_sent_value "$index")
    awk -v v="$value" 'BEGIN { exit !(v ~ /^-?[0-9.e+-]+$/) }' || scn_fail "the drag sent parameter $index as $value"
    scn_step "the drag on row $y sent parameter $index as $value"
}

# Requests that would change the organ; the watchdog's pings go on meanwhile.
changes='<- .*(store|reset|set parameter|bulk send|File Dump)'

# The bits of the float values used here, and the five 7-bit bytes that carry them, low first.
float_bits()
{
    case $1 in
        nan) echo 7FC00000 ;; inf) echo 7F800000 ;; -inf) echo FF800000 ;;
        -1) echo BF800000 ;; 0) echo 00000000 ;; *) return 1 ;;
    esac
}

seven_bit_bytes()
{
    local bits=$((16#$1)) k
    for k in 0 1 2 3 4; do printf '%02X ' $(((bits >> (7 * k)) & 127)); done | xargs
}

# put_float FILE INDEX VALUE: the project file's value INDEX, little-endian.
put_float()
{
    local bits
    bits=$(float_bits "$3")
    printf "\\x${bits:6:2}\\x${bits:4:2}\\x${bits:2:2}\\x${bits:0:2}" \
        | dd of="$1" bs=1 seek=$((20 + 4 * $2)) conv=notrunc status=none
}

# The editor without the power to override file modes, so that mode 000 and a read-only folder
# refuse it as they refuse a player (root passes them otherwise).
editor_without_override()
{
    [ "$(id -u)" = 0 ] || return 0
    printf '#!/bin/sh\nexec setpriv --bounding-set -dac_override,-dac_read_search --inh-caps -dac_override,-dac_read_search "%s" "$@"\n' \
        "$SCN_EDITOR" >"$SCN_WORK/editor-without-override"
    chmod +x "$SCN_WORK/editor-without-override"
    SCN_EDITOR=$SCN_WORK/editor-without-override
}

# The time from the dialog's answer (the stand-in takes its answer file) to the box on screen,
# in BOX_MS. A read that runs away (a link to /dev/zero read to its end) is stopped before it
# takes the machine's memory.
box_after_answer()
{
    local start rss
    scn_wait_until 10 test ! -e "$SCN_DIALOG/answer" || return 1
    start=$(date +%s%N)
    until scn_find_box; do
        rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$SCN_EDITOR_PID/status" 2>/dev/null)
        [ "${rss:-0}" -lt 2000000 ] || { kill "$SCN_EDITOR_PID"; scn_fail "the editor took ${rss} kB reading the file"; }
        [ $(( ($(date +%s%N) - start) / 1000000 )) -lt "$(scn_time 5000 | cut -d. -f1)" ] || return 1
        sleep 0.02
    done
    BOX_MS=$(( ($(date +%s%N) - start) / 1000000 ))
}

#==============================================================================
# Values from the organ

# name | emulator options | lines typed on its input (;) | section | sub-page | bars | drag row | its parameter
value_cases=(
    "download-p0-minus-one|--param 0=-1||0|827|326:-12:12:-12.0 dB|326|0"
    "download-p0-zero|--param 0=0||0|827|326:-12:12:-12.0 dB|326|0"
    "download-p0-minus-inf|--param 0=-inf||0|827|326:-12:12:-12.0 dB|326|0"
    "live-p5-nan||param 5 nan|0|827|544:0:100:0 %|544|5"
    "live-p5-inf||param 5 inf|0|827|544:0:100:100 %|544|5"
    "download-p31-p34-inf|--param 31=inf --param 34=inf||1|-|456:50:150:50 %,522:-6:6:6.0 dB|522|31"
    "live-p31-p34-inf||param 31 inf;param 34 inf|1|-|456:50:150,522:-6:6|522|31"
)

value_case()
{
    local options=$1 lines=$2 section=$3 subpage=$4 bars=$5 row=$6 index=$7 line
    # shellcheck disable=SC2086
    scn_start_emulator $options
    scn_start_editor
    scn_connect
    scn_mark
    if [ -n "$lines" ]; then
        IFS=';' read -r -a typed <<<"$lines"
        for line in "${typed[@]}"; do
            scn_emulator_say "$line"
            scn_wait_record "-> .*set parameter \\(float form\\)  F0 7D 1E 01 $(hex_index "${line//[^0-9 ]/}") " 5 \
                || scn_fail "the emulator did not send \"$line\""
        done
    fi
    expect_idle
    show_page "$section" "$subpage"
    scn_shot "$SCN_WORK/page.png"
    expect_shown "$bars"
    scn_expect_no_record '<- .*set parameter' "showing the organ's values sent"
    expect_edit_reaches "$row" "$index"
    expect_idle
    scn_quit
}

#==============================================================================
# Project files with such values

# name | values (INDEX=VALUE)
project_cases=(
    "p0-minus-one-p5-nan-chorus-inf|0=-1 5=nan 31=inf 34=inf"
    "p0-minus-inf-p5-inf|0=-inf 5=inf"
)
# section | sub-page | bars
project_bars=("0|827|326:-12:12,544:0:100" "1|-|456:50:150,522:-6:6")

make_project()
{
    local file=$1 pair
    need_base
    cp "$base" "$file"
    for pair in $2; do put_float "$file" "${pair%%=*}" "${pair#*=}"; done
}

expect_project_pages()
{
    local page section subpage bars
    for page in "${project_bars[@]}"; do
        IFS='|' read -r section subpage bars <<<"$page"
        show_page "$section" "$subpage"
        expect_shown "$bars"
    done
}

# The transmit box, photographed once the bulk send has begun and before it ends: the send holds
# the editor's message thread, so the box must be on the screen, drawn with its text, before it.
expect_transmit_box_during_send()
{
    local shot=$SCN_WORK/transmit.png text
    scn_wait_record '<- .*bulk send begin' 10 || scn_fail "$1: the bulk send did not begin"
    scn_find_box && scn_shot "$shot" "" "$SCN_BOX" || scn_fail "$1: no box to photograph during the send"
    ! scn_has_records '<- .*bulk send end' 1 || scn_fail "$1: the send had ended before its box was photographed"
    scn_box_outlined "$shot" || scn_fail "$1: the transmit box was not drawn during the send: $shot"
    text=$(scn_ocr "$shot")
    grep -q -F "Transmitting all parameters to the device" <<<"$text" || scn_fail "$1: during the send the box read \"$text\""
    scn_step "$1: the transmit box read \"$text\" during the send"
}

open_project()
{
    echo "$1" >"$SCN_DIALOG/answer"
    scn_press open
}

project_offline_case()
{
    local file=$SCN_WORK/values.hop
    make_project "$file" "$1"
    scn_start_emulator
    scn_start_editor
    scn_mark
    open_project "$file"
    sleep 1
    scn_no_box || scn_fail "opening the file offline showed a box"
    expect_idle
    expect_project_pages
    scn_shot "$SCN_WORK/page.png"
    scn_connect
    expect_edit_reaches 522 31
    scn_quit
}

project_online_case()
{
    local file=$SCN_WORK/values.hop pair index bytes
    make_project "$file" "$1"
    scn_start_emulator
    scn_start_editor
    scn_connect
    scn_mark
    open_project "$file"
    expect_transmit_box_during_send "the project opened while connected"
    scn_wait_record '<- .*bulk send end' 15 || scn_fail "the bulk send did not end"
    scn_wait_no_box 5 || scn_fail "the transmit box stayed open"
    # The organ gets what the file holds, bit for bit.
    for pair in $1; do
        index=${pair%%=*}
        bytes="F0 7D 1E 01 $(hex_index "$index") $(seven_bit_bytes "$(float_bits "${pair#*=}")") F7"
        [ "$(scn_count_records "<- .*set parameter \\(float form\\)  $bytes\$")" = 1 ] \
            || scn_fail "the bulk send did not send parameter $index as $bytes: $(scn_records | grep -E "F0 7D 1E 01 $(hex_index "$index") ")"
    done
    expect_idle
    expect_project_pages
    expect_edit_reaches 522 31
    scn_quit
}

#==============================================================================
# SAVE that cannot write, and files that are no plain files

# The file that the project and file cases start from: SAVE of a connected organ's values.
save_base_case()
{
    scn_start_emulator
    scn_start_editor
    scn_connect
    scn_step "SAVE of the file that the other cases start from"
    echo "$base" >"$SCN_DIALOG/answer"
    scn_press save
    scn_wait_until 10 test -s "$base" || scn_fail "SAVE wrote no file"
    sleep 0.3
    scn_no_box || scn_fail "a SAVE that wrote showed a box"
    scn_quit
}

save_refused_case()
{
    need_base
    local files=$SCN_WORK/files
    mkdir -p "$files/locked" "$files/plain"
    editor_without_override
    scn_start_emulator
    scn_start_editor
    scn_connect

    # The old file in a folder that refuses the write; a name under a plain file.
    cp "$base" "$files/locked/project.hop"
    put_float "$files/locked/project.hop" 4 -1
    cp "$files/locked/project.hop" "$files/old.hop"
    chmod 555 "$files/locked"
    : >"$files/plain/file"
    local target
    scn_panel_shot "$SCN_WORK/panel.png"
    for target in "$files/locked/project.hop" "$files/plain/file/project.hop"; do
        scn_step "SAVE to $target"
        scn_mark
        echo "$target" >"$SCN_DIALOG/answer"
        scn_press save
        scn_expect_box "could not be saved"
        scn_shot "$SCN_WORK/save-box.png" "" "$SCN_BOX"
        scn_box_click 1
        scn_expect_panel "$SCN_WORK/panel.png" "the box of the refused SAVE"
    done
    cmp -s "$files/old.hop" "$files/locked/project.hop" || scn_fail "the refused SAVE changed the old file"
    [ "$(ls -A "$files/locked")" = project.hop ] || scn_fail "the refused SAVE left $(ls -A "$files/locked" | xargs)"
    [ ! -e "$files/plain/file/project.hop" ] || scn_fail "a file appeared under a plain file"
    expect_idle
    scn_quit
    chmod 755 "$files/locked"
}

# SAVE to the longest names the file system takes, in letters of one byte and of three: the
# file is written whole and nothing else is left in its folder.
save_long_names_case()
{
    local files=$SCN_WORK/long cjk name target
    cjk=$(printf '\xe9\x9f\xb3%.0s' $(seq 82))
    scn_start_emulator
    scn_start_editor
    scn_connect
    scn_panel_shot "$SCN_WORK/panel.png"
    for name in "$(printf 'a%.0s' $(seq 251)).hop" "$cjk.hop"; do
        rm -rf "$files"
        mkdir -p "$files"
        target=$files/$name
        scn_step "SAVE to a name of $(LC_ALL=C; echo "${#name}") bytes"
        echo "$target" >"$SCN_DIALOG/answer"
        scn_press save
        scn_wait_until 10 test -s "$target" || { scn_find_box && scn_fail "SAVE showed \"$(scn_box_text)\""; scn_fail "SAVE wrote no file"; }
        sleep 0.3
        scn_no_box || scn_fail "a SAVE that wrote showed a box"
        [ "$(stat -c %s "$target")" = 416 ] || scn_fail "the project file holds $(stat -c %s "$target") bytes"
        [ "$(od -An -tx1 -N4 "$target" | xargs)" = "63 19 07 27" ] || scn_fail "the project file starts without its magic"
        [ "$(ls -A "$files" | wc -l)" = 1 ] || scn_fail "SAVE left $(ls -A "$files" | wc -l) files in the folder"
        scn_expect_panel "$SCN_WORK/panel.png" "SAVE to a long name"
    done
    scn_quit
}

# A well-formed settings file of 25 MB with as many keys as that takes.
many_keys()
{
    awk 'BEGIN { print "<?xml version=\"1.0\"?>\n<PROPERTIES>"
                 for (i = 0; n < 25 * 1024 * 1024; i++) {
                     line = sprintf("<VALUE name=\"Key%d\" val=\"1\"/>", i)
                     print line
                     n += length(line) + 1
                 }
                 print "</PROPERTIES>" }'
}

# A settings file that is no plain file, or far too large for one: the editor starts with its
# defaults, connects, and leaves the file as it found it.
settings_file_case()
{
    local file="$SCN_WORK/home/.config/Settings/Orvane Editor.settings" before start
    mkdir -p "$(dirname "$file")"
    eval "$1"
    # Its type, size, inode and content: a save would rename a new file over it.
    before="$(stat -c '%F %s %i' "$file") $( [ -f "$file" ] && md5sum <"$file")"
    scn_start_emulator
    start=$(date +%s%N)
    scn_start_editor
    scn_step "the panel was painted $(( ($(date +%s%N) - start) / 1000000 )) ms after the start"
    scn_connect
    expect_idle
    scn_quit
    [ "$(stat -c '%F %s %i' "$file") $( [ -f "$file" ] && md5sum <"$file")" = "$before" ] \
        || scn_fail "the settings file was changed: $before, now $(stat -c '%F %s %i' "$file")"
}

# name | how x.EXT is made (SIZE is the format's limit + 1, VALID a good file) | what OPEN shows |
# what the tonewheel load shows. A project is its first 416 bytes, whatever follows them: one
# byte more is read and opened (and sent), never more.
special_files=(
    "fifo|mkfifo \"\$path\"|corrupted|corrupted"
    "folder|mkdir \"\$path\"|corrupted|corrupted"
    "link-to-dev-zero|ln -s /dev/zero \"\$path\"|corrupted|corrupted"
    "one-byte-over|{ cat \"\$valid\"; head -c \$((size - \$(stat -c %s \"\$valid\"))) /dev/zero; } >\"\$path\"|Transmitting all parameters|corrupted"
    "unreadable|cp \"\$valid\" \"\$path\" && chmod 000 \"\$path\"|corrupted|corrupted"
)

# special_files_through WHAT EXT SIZE VALID: OPEN or the tonewheel load of each kind.
special_files_through()
{
    local what=$1 ext=$2 size=$3 valid=$4 entry name make open_word load_word word path
    for entry in "${special_files[@]}"; do
        IFS='|' read -r name make open_word load_word <<<"$entry"
        [ "$what" = open ] && word=$open_word || word=$load_word
        path=$SCN_WORK/special/x.$ext
        rm -rf "$SCN_WORK/special"
        mkdir -p "$SCN_WORK/special"
        eval "$make"
        scn_mark
        echo "$path" >"$SCN_DIALOG/answer"
        if [ "$what" = open ]; then
            scn_press open
        else
            scn_tonewheel_menu
            scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 6))
        fi
        box_after_answer || scn_fail "$what of a $name: no box"
        scn_step "$what of a $name: its box $BOX_MS ms after the dialog's answer"
        # A second on an idle machine; generous here, as the machine may be busy.
        [ "$BOX_MS" -le "$(scn_time 3000 | cut -d. -f1)" ] || scn_fail "$what of a $name: the box came after $BOX_MS ms"
        scn_expect_box "$word"
        if [ "$word" = corrupted ]; then
            scn_box_click 1
            scn_wait_no_box 5 || scn_fail "$what of a $name: OK did not close the box"
            sleep 0.5
            scn_no_box || scn_fail "$what of a $name: another box followed"
            scn_expect_no_record "$changes" "$what of a $name sent"
        else
            scn_wait_record '<- .*bulk send end' 15 || scn_fail "$what of a $name: the bulk send did not end"
            scn_wait_no_box 5 || scn_fail "$what of a $name: the transmit box stayed open"
            [ "$(scn_count_records '<- .*set parameter')" = 99 ] || scn_fail "$what of a $name: the bulk send held $(scn_count_records '<- .*set parameter') parameters"
        fi
        # The organ's values and the file's are the same here: the panel looks as before.
        scn_expect_panel "$SCN_WORK/panel.png" "$what of a $name"
    done
}

special_files_case()
{
    local tonewheel=$SCN_WORK/valid.otw
    need_base
    scn_make_tonewheel "$tonewheel" "SCENARIO WHEEL"
    editor_without_override
    scn_start_emulator
    scn_start_editor
    scn_connect
    scn_panel_shot "$SCN_WORK/panel.png"
    special_files_through open hop 417 "$base"
    special_files_through tonewheel otw 1048577 "$tonewheel"
    expect_idle
    expect_edit_reaches 230 4
    scn_quit
}

#==============================================================================
# Late handshakes after the upload's box was replaced

lost_box_text="Device lost connection"

late_ack_case()
{
    local fault=$1 word=$2 tonewheel=$SCN_WORK/wheel.otw ack='send F0 7E 00 7F 00 F7'
    scn_make_tonewheel "$tonewheel" "SCENARIO WHEEL"
    # shellcheck disable=SC2086
    scn_start_emulator $fault
    scn_start_editor
    scn_connect
    scn_mark
    echo "$tonewheel" >"$SCN_DIALOG/answer"
    scn_tonewheel_menu
    scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 6))
    scn_expect_box "Warning" "will be lost"
    scn_box_click 1
    scn_step "upload confirmed"
    scn_wait_record '<- .*File Dump header' 5 || scn_fail "the upload did not start"
    scn_wait_until 15 eval 'scn_find_box && [[ "$(scn_box_text)" == *"$word"* ]]' \
        || scn_fail "no box with \"$word\" replaced the progress box"
    local box=$SCN_BOX
    scn_step "the progress box was replaced by the box with \"$word\""
    sleep 0.5
    scn_shot "$SCN_WORK/box-before.png" "" "$box"
    # An organ that vanished is heard again only once it is back.
    scn_wait_until 15 test -S "$SCN_PORTS/$SCN_PORT.out" || scn_fail "the emulator did not come back"
    # The handshakes the organ still had on its way, and the rest of the upload's: a late
    # progress must not rewrite the box, and neither a late done nor the download of the
    # reconnection that follows it may close it.
    scn_mark
    scn_emulator_say "$ack"
    scn_emulator_say "$ack"
    scn_emulator_say "$ack"
    scn_emulator_say "send F0 7E 00 7B 00 F7"
    sleep 2
    scn_find_box && [ "$SCN_BOX" = "$box" ] || scn_fail "the box closed before its OK"
    scn_shot "$SCN_WORK/box-after.png" "" "$box"
    scn_expect_same "$SCN_WORK/box-before.png" "$SCN_WORK/box-after.png" "the late handshakes changed the box"
    # Unplugged, the editor has no port left to send on; after the organ's own CANCEL a late ACK
    # still takes the transfer on, as the organ asks.
    if [ "$word" = "$lost_box_text" ]; then
        scn_expect_no_record '<- .*(File Dump|EOF)' "the ended upload sent after the late handshakes"
    fi
    scn_box_click 1
    scn_wait_no_box 15 || scn_fail "OK did not close the box"
    expect_idle
    scn_quit
}

#==============================================================================

run_case save-base save_base_case
run_case save-refused save_refused_case
run_case save-long-names save_long_names_case
run_case settings-fifo settings_file_case 'mkfifo "$file"'
run_case settings-25-mb settings_file_case 'many_keys >"$file"'
for entry in "${value_cases[@]}"; do
    IFS='|' read -r name options lines section subpage bars row index <<<"$entry"
    run_case "$name" value_case "$options" "$lines" "$section" "$subpage" "$bars" "$row" "$index"
done
for entry in "${project_cases[@]}"; do
    IFS='|' read -r name values <<<"$entry"
    run_case "offline-$name" project_offline_case "$values"
    run_case "online-$name" project_online_case "$values"
done
run_case special-files special_files_case
run_case late-ack-after-lost-connection late_ack_case "--unplug-after 0:8000" "$lost_box_text"
run_case late-ack-after-organ-cancel late_ack_case "--cancel packet:0:3" "aborted"

if [ "${#failed[@]}" -gt 0 ]; then
    echo "[hardening] FAILED: ${failed[*]}" >&2
    exit 1
fi
echo "[hardening] passed"

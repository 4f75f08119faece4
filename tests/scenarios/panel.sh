#!/usr/bin/env bash
# Scenario: the panel as a hand uses it. CONNECT (indicator and status labels), every section
# and sub-page, a slider dragged, double-clicked and typed into, the Chorus Level double-click,
# a selector item picked from its list with the mouse, the last selector stepped with the
# keyboard, and the quit through the window's close request.
# Usage: panel.sh EDITOR EMULATOR   (on a display: tools/with-display.sh)
set -u
. "$(dirname "$0")/scenario-lib.sh"
scn_begin panel "$1" "$2"

# An "Orvane Rise" of revision 1 with firmware 1.3.0: every section is available on it.
scn_start_emulator --identity 5,4,1,1,30,0
scn_start_editor

scn_step "CONNECT"
scn_indicator_on && scn_fail "the indicator is on before CONNECT"
scn_connect
scn_shot "$SCN_WORK/labels.png" 140x28+872+38
labels=$(scn_ocr "$SCN_WORK/labels.png")
for expected in "Orvane Rise NRS" "rel 1.3.0"; do
    grep -q -F "$expected" <<<"$labels" || scn_fail "the status labels read \"$labels\", without \"$expected\""
done
organ_chorus_mix=$(scn_sent_value 31 '->')
organ_chorus_level=$(scn_sent_value 34 '->')
organ_memphis=$(scn_sent_value 98 '->')

#------------------------------------------------------------------------------
scn_step "every section and sub-page"
# name | section | sub-page button x (none: -) | heading rows | slider rows | selector rows
pages=(
    "tone-main|0|827|182 278 496|230 326 354 382 420 448 544|"
    "tone-drawbar|0|916|182|230 258 286 314 342 370 398 426 454|"
    "vibrato-chorus|1|-|182|230 258 286 324 352 390 418 456 494 522|"
    "overdrive-classic|2|827|182||230"
    "overdrive-rock|2|916|182||230"
    "rotary-common|3|738|182 362|230 258 286 314 410 438 466 494|"
    "rotary-classic|3|827|182 362 486|230 258 286 314 410 438 534 562|"
    "rotary-rock|3|916|182 362 486|230 258 286 314 410 438 534 562|"
    "reverb|4|-|182 334|230 258 286 382 410 438|"
    "functions|5|-|182||230 268 296 334 362 390 428 456 484 522 550 578 606 644"
)

# The first rows of the bands down the columns x 1000 and x 500, below the section header.
bands() { scn_bands "$1" 1000 500 | while read -r line; do tr ' ' '\n' <<<"$line" | awk '$1 > 165' | xargs; done; }
sorted() { tr ' ' '\n' <<<"$*" | grep . | sort -n | xargs; }

show_page()
{
    local section=$2 subpage=$3
    scn_section "$section"
    [ "$subpage" = - ] || scn_subpage "$subpage"
    scn_park_pointer
    sleep 0.3
}

# Prints what is wrong with the page on screen, if anything; fails then.
page_problem()
{
    local name=$1 section=$2 subpage=$3 headings=$4 sliders=$5 selectors=$6 shot=$SCN_WORK/page-$1.png s
    scn_shot "$shot"
    # Sliders reach the bar's right end (x 1000), selectors only the left part (x 500).
    local found expected
    found=$(bands "$shot" | paste -s -d '|')
    expected="$(sorted $headings $sliders)|$(sorted $headings $sliders $selectors)"
    [ "$found" = "$expected" ] || { echo "$name: the rows start at \"$found\" (x 1000|x 500), not at \"$expected\""; return 1; }
    # Only its own section button and sub-page button show the selection blue.
    expected=$(for s in 0 1 2 3 4 5; do [ "$s" = "$section" ] && echo 1 || echo 0; done | xargs)
    [ "$(scn_blue "$shot" $(for s in 0 1 2 3 4 5; do echo "190x30+5+$((83 + 40 * s))"; done))" = "$expected" ] \
        || { echo "$name: the section buttons that look selected are not just section $section"; return 1; }
    if [ "$subpage" != - ]; then
        [ "$(scn_blue "$shot" "85x29+$subpage+135")" = 1 ] || { echo "$name: its sub-page button does not look selected"; return 1; }
    fi
}

# The page must show within a few seconds of its click: a slow build repaints late.
page_shows() { page_problem "$@" >/dev/null; }

check_page()
{
    scn_wait_until 5 page_shows "$@" || scn_fail "$(page_problem "$@")"
}

for page in "${pages[@]}"; do
    IFS='|' read -r name section subpage headings sliders selectors <<<"$page"
    show_page "$name" "$section" "$subpage"
    check_page "$name" "$section" "$subpage" "$headings" "$sliders" "$selectors"
done
# The sub-pages of one section differ (their rows are alike, their controls and buttons are not),
# and a page shown again looks as it did the first time.
for pair in "tone-main tone-drawbar" "overdrive-classic overdrive-rock" "rotary-common rotary-classic" \
            "rotary-classic rotary-rock" "rotary-common rotary-rock"; do
    set -- $pair
    [ "$(scn_diff "$SCN_WORK/page-$1.png" "$SCN_WORK/page-$2.png")" != 0 ] || scn_fail "the pages $1 and $2 look the same"
done
for page in "${pages[@]}"; do
    IFS='|' read -r name section subpage _ <<<"$page"
    show_page "$name" "$section" "$subpage"
    scn_wait_until 5 eval 'scn_shot "$SCN_WORK/again-$name.png" && [ "$(scn_diff "$SCN_WORK/page-$name.png" "$SCN_WORK/again-$name.png")" = 0 ]'
    scn_expect_same "$SCN_WORK/page-$name.png" "$SCN_WORK/again-$name.png" "$name looks different when shown again"
done

#------------------------------------------------------------------------------
# Slider rows.
slider_shows() { [[ "$(scn_slider_text "$1")" == *"$2"* ]]; }

expect_slider_text()
{
    scn_wait_until 3 slider_shows "$1" "$2" || scn_fail "$3: the bar reads \"$(scn_slider_text "$1")\", not \"$2\""
}

expect_sent()
{
    local index=$1 expected=$2 what=$3 value
    scn_wait_until 5 eval '[ -n "$(scn_sent_value '"$index"')" ]' || scn_fail "$what: parameter $index was not sent"
    value=$(scn_sent_value "$index")
    scn_near "$value" "$expected" || scn_fail "$what: parameter $index was sent as $value, not $expected"
}

scn_step "Pedals Level dragged"
show_page tone-main 0 827
scn_mark
scn_drag 600 242 900 242
scn_wait_record '<- .*F0 7D 1E 01 04 00 ' 5 || scn_fail "the drag sent nothing for parameter 4"
scn_park_pointer
sleep 0.3
dragged=$(scn_sent_value 4)
[ "$(awk -v v="$dragged" 'BEGIN { print (v > 6.05 && v <= 12) }')" = 1 ] \
    || scn_fail "dragging Pedals Level to the right sent $dragged"
expect_slider_text 230 "$(printf '%.1f dB' "$dragged")" "after the drag"

scn_step "Pedals Level double-clicked"
scn_mark
scn_double_click 720 242
scn_park_pointer
expect_sent 4 6 "the double-click"
sleep 0.5
[ "$(scn_count_records '<- .*F0 7D 1E 01 04 00 ')" = 1 ] || scn_fail "the double-click sent parameter 4 more than once"
expect_slider_text 230 "6.0 dB" "after the double-click"

scn_step "Pedals Level typed into"
scn_mark
scn_click 720 242
sleep 0.3
scn_key ctrl+a
scn_type "-3.5"
scn_key Return
scn_park_pointer
expect_sent 4 -3.5 "the typed value"
expect_slider_text 230 "-3.5 dB" "after typing"

scn_step "Chorus Level dragged away and double-clicked"
show_page vibrato-chorus 1 -
scn_drag 720 534 950 534
scn_wait_record '<- .*F0 7D 1E 01 1F 00 ' 5 || scn_fail "dragging Chorus Level sent nothing"
sleep 0.3
scn_mark
scn_double_click 720 534
scn_park_pointer
expect_sent 31 "$organ_chorus_mix" "Chorus Level back at 0"
expect_sent 34 "$organ_chorus_level" "Chorus Level back at 0"
scn_wait_record '<- .*F0 7D 1E 01 27 00 ' 5 || scn_fail "the Chorus Level double-click did not resend parameter 39"
expect_slider_text 522 "0.0 dB" "Chorus Level after the double-click"

#------------------------------------------------------------------------------
scn_step "Overdrive Model picked from its list"
show_page overdrive-classic 2 827
before=$(scn_windows)
scn_click 571 242
scn_wait_popup "$before" || scn_fail "the Overdrive Model list did not open"
# Eight items of equal height; ANALOG is the seventh.
scn_mark
scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT * 13 / 16))
expect_sent 9 -5 "ANALOG picked"
expect_sent 10 360 "ANALOG picked"
expect_sent 15 2.6 "ANALOG picked"
scn_park_pointer
scn_shot "$SCN_WORK/selector.png" 280x24+431+230
grep -q ANALOG <<<"$(scn_ocr "$SCN_WORK/selector.png")" || scn_fail "the selector does not show ANALOG"

scn_step "Memphis Style stepped with the keyboard"
show_page functions 5 -
scn_mark
if [ "$organ_memphis" = 0 ]; then scn_key Down; expected=1; else scn_key Up; expected=0; fi
scn_wait_record '<- .*set parameter \(byte form\)  F0 7D 1E 02 0D ' 5 || scn_fail "the arrow key sent nothing"
[ "$(scn_sent_value 98)" = "$expected" ] || scn_fail "Memphis Style was sent as $(scn_sent_value 98), not $expected"

#------------------------------------------------------------------------------
scn_step "quit with the window's close request"
scn_quit
scn_step "passed"

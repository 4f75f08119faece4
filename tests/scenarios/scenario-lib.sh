# Shared library of the outside-driven scenarios: the built editor and the organ emulator program
# run as a user runs them, driven with xdotool and checked only through the emulator's printed
# records, the files written and screenshots. Source it, then call scn_begin. Needs a display
# (tools/with-display.sh gives a private Xvfb with evilwm).
#
# Set-up and end
#   scn_begin NAME EDITOR EMULATOR   work folder, private ports folder and HOME, dialog stand-in;
#                                    every process started here is stopped when the script ends
#   scn_step TEXT / scn_fail TEXT    report a step (with the seconds since scn_begin) / fail
#                                    (a running editor leaves its state in editor-threads.txt)
#   scn_start_emulator [OPTION...]   organ emulator on the private ports; its stdin stays open
#   scn_emulator_say LINE            type a line on its stdin ("unplug", "plug", "send F0 ...")
#   scn_stop_emulator                stops it (its log kept as emulator-N.log), so that another
#                                    can be started with other options
#   scn_emulator_connections         prints how many connections of the editor's ports it holds:
#                                    0 once it has read all that an ended editor sent
#   scn_start_editor                 the editor with a fresh HOME; sets SCN_WINDOW, SCN_EDITOR_PID
#   scn_windows                      lists the visible windows (to be given to scn_wait_popup)
#   scn_wait_popup LIST              waits for a window not in LIST (a pop-up list or menu); sets
#                                    SCN_POPUP and its size POPUP_WIDTH, POPUP_HEIGHT
#   scn_window_gone WINDOW           whether WINDOW is no longer on screen
#   scn_close_request [WINDOW]       the window manager's close request (WM_DELETE_WINDOW)
#   scn_wait_exit [SECONDS]          wait for the editor to end; sets SCN_EXIT_STATUS
#   scn_quit [TEXT]                  the close request; the editor must end within 10 s with 0
#   scn_cpu_percent SECONDS          the editor's processor time over the next SECONDS, in % of
#                                    one core (user and system, from /proc/PID/stat)
# Mouse and keys (x, y relative to the editor's window unless a window is given)
#   scn_click X Y, scn_double_click X Y, scn_drag X1 Y1 X2 Y2, scn_click_in WINDOW X Y
#   scn_key KEY..., scn_type TEXT, scn_park_pointer (over an empty part of the panel)
# Screens
#   scn_shot FILE [WxH+X+Y] [WINDOW] screenshot of the editor's window (or WINDOW), cropped
#   scn_diff A B                     prints the number of differing pixels (compare -metric AE)
#   scn_expect_same A B TEXT         fails with TEXT unless the two images are the same
#   scn_pixel FILE X Y               prints the pixel's colour as RRGGBB
#   scn_bands FILE X...              prints, a line per column X, the first row of every band
#                                    of non-white pixels down that column
#   scn_ocr FILE                     prints the text that tesseract reads, enlarged first
# Message boxes (windows titled "Orvane Editor")
#   scn_wait_box [SECONDS]           waits for a box; sets SCN_BOX
#   scn_wait_no_box [SECONDS]        waits until no box is on screen
#   scn_box_outlined FILE            whether a shot of a box shows its outline: it was drawn
#   scn_expect_box WORD...           waits for a box and fails unless its text has every WORD
#   scn_box_click N                  clicks the box's N-th button from the left
#   scn_panel_shot FILE              the whole panel, the pointer parked
#   scn_expect_panel FILE TEXT       once no box is left, the panel must look as in FILE
# File dialogs (a stand-in zenity first on the editor's PATH)
#   echo PATH >"$SCN_DIALOG/answer"  the next dialog chooses PATH; without an answer it is cancelled
#   scn_dialog_call                  prints the last call: "folder=START FOLDER", "arg=..." lines
#   scn_expect_dialog LINE...        fails unless the last call has every LINE
# Emulator records (its standard output, one line per message; "<-" is what the editor sent)
#   scn_mark                         later checks look only at lines printed after this
#   scn_wait_record REGEX [SECONDS] [COUNT]   waits for COUNT (1) lines matching REGEX
#   scn_expect_no_record REGEX TEXT  fails with TEXT if a line after the mark matches
#   scn_count_records REGEX          prints how many lines after the mark match
#   scn_sent_value INDEX [->]        prints the last value of parameter INDEX that the editor
#                                    (or with "->" the organ) sent after the mark, empty if none
#   scn_near A B                     whether the numbers agree to a float's precision
#   scn_wait_until SECONDS COMMAND...  polls COMMAND until it succeeds
# The editor's panel (fixed, 1024 x 685)
#   scn_press BUTTON                 clicks a top-bar button: open save connect store reset tonewheel
#   scn_section N, scn_subpage X     clicks section button N (0..5) / the sub-page button at X
#   scn_connect                      CONNECT pressed; waits for the download and the indicator
#   scn_pinged_after_download        whether the editor pinged after the last download (connected again)
#   scn_indicator_on                 whether the connection indicator shows its orange "on" glyph
#   scn_blue FILE WxH+X+Y...         prints 1 or 0 for each region: holds the selection blue
#   scn_slider_text Y                the text that the slider bar of the row at Y reads
#   scn_tonewheel_menu               TONEWHEEL pressed; waits for its menu of three "Upload to "
#                                    items; sets SCN_POPUP, POPUP_WIDTH, POPUP_HEIGHT
#   scn_expect_clean_end NAME WHEN REPORT LIMIT  the editor's end, as a watch reported it
#   scn_make_tonewheel FILE NAME [BYTES]  a good .otw file: the head with NAME and BYTES (300)
#                                    payload bytes (300: three packets of 104, 104 and 92 bytes)
# SCN_SLOW scales every time-out: sanitizer builds run the editor several times slower.

scn_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SCN_PORT="Halvorin Orvane MIDI Port"
SCN_TITLE_RE='^Orvane Editor v1\.00$'
SCN_BOX_RE='^Orvane Editor$'
SCN_SLOW=${SCN_SLOW:-1}
scn_pids=()

# X clients get a time limit: one whose window vanishes under it may otherwise wait for ever.
scn_x() { timeout 20 "$@"; }

scn_begin()
{
    SCN_NAME=$1
    SCN_EDITOR=$2
    SCN_EMULATOR=$3
    SCN_WORK=$(mktemp -d "/tmp/scenario-$SCN_NAME.XXXXXX")
    SCN_PORTS=$SCN_WORK/ports
    SCN_DIALOG=$SCN_WORK/dialog
    SCN_START=$(date +%s.%N)
    SCN_MARK=0
    mkdir -p "$SCN_PORTS" "$SCN_WORK/home" "$SCN_WORK/bin" "$SCN_DIALOG"
    cp "$scn_dir/zenity" "$SCN_WORK/bin/zenity"
    chmod +x "$SCN_WORK/bin/zenity"
    trap scn_end EXIT
}

scn_end()
{
    local status=$?
    local pid
    for pid in "${scn_pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${scn_pids[@]}"; do wait "$pid" 2>/dev/null; done
    if [ "$status" -ne 0 ] || [ -n "${SCN_KEEP:-}" ]; then
        echo "[$SCN_NAME] work folder kept (failure.png: the screen at the failure): $SCN_WORK" >&2
    else
        rm -rf "$SCN_WORK"
    fi
    exit "$status"
}

scn_elapsed() { echo "$(date +%s.%N) $SCN_START" | awk '{ printf "%.2f", $1 - $2 }'; }

scn_step() { echo "[$SCN_NAME $(scn_elapsed) s] $*"; }

# An editor that is still running at a failure leaves the stacks of its threads, the
# framework's message manager (its quit flags), its desktop windows and the display's window
# tree in editor-threads.txt, for the failures that are seldom made again.
scn_dump_editor_state()
{
    [ -n "${SCN_EDITOR_PID:-}" ] && kill -0 "$SCN_EDITOR_PID" 2>/dev/null || return 0
    command -v gdb >/dev/null || return 0
    timeout 60 gdb -batch -p "$SCN_EDITOR_PID" \
        -ex 'thread apply all bt' \
        -ex "print *'juce::MessageManager::instance'" \
        -ex "print 'juce::Desktop::instance'->desktopComponents" \
        >"$SCN_WORK/editor-threads.txt" 2>&1
    scn_x xwininfo -root -tree >>"$SCN_WORK/editor-threads.txt" 2>&1
    echo "--- editor threads: $SCN_WORK/editor-threads.txt" >&2
}

scn_fail()
{
    echo "[$SCN_NAME $(scn_elapsed) s] FAILED: $*" >&2
    scn_x import -window root "$SCN_WORK/failure.png" 2>/dev/null
    SCN_KEEP=1
    if [ -f "$SCN_WORK/emulator.log" ]; then
        echo "--- last emulator records" >&2
        tail -n 25 "$SCN_WORK/emulator.log" >&2
    fi
    scn_dump_editor_state
    if [ -f "$SCN_WORK/editor.log" ]; then
        echo "--- editor output" >&2
        tail -n 40 "$SCN_WORK/editor.log" >&2
    fi
    exit 1
}

# Seconds scaled for slow builds, as a decimal number.
scn_time() { echo "$1 $SCN_SLOW" | awk '{ printf "%.2f", $1 * $2 }'; }

scn_wait_until()
{
    local deadline
    deadline=$(echo "$(date +%s.%N) $(scn_time "$1")" | awk '{ printf "%.2f", $1 + $2 }')
    shift
    until "$@"; do
        if awk -v now="$(date +%s.%N)" -v end="$deadline" 'BEGIN { exit !(now > end) }'; then
            return 1
        fi
        sleep 0.05
    done
}

#==============================================================================
# The two programs

scn_start_emulator()
{
    mkfifo "$SCN_WORK/emulator.in"
    "$SCN_EMULATOR" "$SCN_PORTS" "$@" <"$SCN_WORK/emulator.in" >"$SCN_WORK/emulator.log" 2>&1 &
    SCN_EMULATOR_PID=$!
    scn_pids+=("$SCN_EMULATOR_PID")
    exec 9>"$SCN_WORK/emulator.in"
    scn_wait_until 10 test -S "$SCN_PORTS/$SCN_PORT.out" || scn_fail "the emulator did not offer its port"
}

scn_emulator_say() { echo "$*" >&9; }

scn_stop_emulator()
{
    exec 9>&-
    kill "$SCN_EMULATOR_PID" 2>/dev/null
    wait "$SCN_EMULATOR_PID" 2>/dev/null
    rm -f "$SCN_WORK/emulator.in"
    mv "$SCN_WORK/emulator.log" "$SCN_WORK/emulator-$(ls "$SCN_WORK" | grep -c '^emulator-').log"
    SCN_MARK=0
}

# A connection is closed only once its last message has been read (and printed), so none left
# means that everything the editor sent is in the records. /proc/net/unix: St 03 is connected.
scn_emulator_connections()
{
    find "/proc/$SCN_EMULATOR_PID/fd" -lname 'socket:*' -printf '%l\n' 2>/dev/null | tr -dc '0-9\n' \
        | awk 'NR == FNR { own[$1] = 1; next } FNR > 1 && ($7 in own) && $6 == "03" { n++ } END { print n + 0 }' - /proc/net/unix
}

scn_start_editor()
{
    HOME=$SCN_WORK/home ORVANE_VIRTUAL_MIDI=$SCN_PORTS SCENARIO_DIALOG_DIR=$SCN_DIALOG \
        PATH="$SCN_WORK/bin:$PATH" "$SCN_EDITOR" >"$SCN_WORK/editor.log" 2>&1 &
    SCN_EDITOR_PID=$!
    scn_pids+=("$SCN_EDITOR_PID")
    SCN_WINDOW=""
    scn_wait_until 20 scn_find_main_window || scn_fail "no window titled \"Orvane Editor v1.00\""
    # The section column is drawn once the panel has been painted.
    scn_wait_until 20 scn_pixel_is "" 100 500 F8F8F8 || scn_fail "the panel was not painted"
}

scn_find_main_window()
{
    SCN_WINDOW=$(scn_x xdotool search --onlyvisible --name "$SCN_TITLE_RE" 2>/dev/null | head -n1)
    [ -n "$SCN_WINDOW" ]
}

scn_windows() { scn_x xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

scn_new_window() { SCN_POPUP=$(comm -13 <(echo "$1") <(scn_windows) | head -n1); [ -n "$SCN_POPUP" ]; }

scn_wait_popup()
{
    local WIDTH HEIGHT WINDOW X Y SCREEN
    scn_wait_until 5 scn_new_window "$1" || return 1
    sleep 0.3   # laid out and drawn
    eval "$(scn_x xdotool getwindowgeometry --shell "$SCN_POPUP")"
    POPUP_WIDTH=$WIDTH
    POPUP_HEIGHT=$HEIGHT
}

scn_window_gone() { ! scn_windows | grep -q -x "$1"; }

scn_close_request() { scn_x /usr/bin/python3 "$scn_dir/scenario-x.py" close "${1:-$SCN_WINDOW}"; }

scn_editor_ended() { ! kill -0 "$SCN_EDITOR_PID" 2>/dev/null; }

scn_wait_exit()
{
    scn_wait_until "${1:-10}" scn_editor_ended || return 1
    wait "$SCN_EDITOR_PID"
    SCN_EXIT_STATUS=$?
}

# The report of a watch over the editor's end (scenario-x.py close-watch, release-watch): no
# window made after WHEN, the editor ended within LIMIT ms, with status 0. NAME starts each failure.
scn_expect_clean_end()
{
    local name=$1 when=$2 report=$3 limit=$4
    grep -q '^created' <<<"$report" && scn_fail "$name: a window was made after $when: $(xargs <<<"$report")"
    grep -q '^ended' <<<"$report" || scn_fail "$name: the editor did not end after $when"
    [ "$(sed -n 's/^ended //p' <<<"$report")" -le "$limit" ] || scn_fail "$name: the editor took $(xargs <<<"$report") ms to end (at most $limit)"
    wait "$SCN_EDITOR_PID"
    SCN_EXIT_STATUS=$?
    [ "$SCN_EXIT_STATUS" = 0 ] || scn_fail "$name: the editor exited with status $SCN_EXIT_STATUS"
}

scn_quit()
{
    scn_close_request
    scn_wait_exit 10 || scn_fail "${1:-quit}: the editor did not quit on the close request"
    [ "$SCN_EXIT_STATUS" = 0 ] || scn_fail "${1:-quit}: the editor exited with status $SCN_EXIT_STATUS"
}

# Clock ticks of user and system time; the fields after the name, which may hold blanks.
scn_cpu_ticks() { sed -E 's/^.*\) //' "/proc/$SCN_EDITOR_PID/stat" | awk '{ print $12 + $13 }'; }

scn_cpu_percent()
{
    local before after
    before=$(scn_cpu_ticks) || return 1
    sleep "$1"
    after=$(scn_cpu_ticks) || return 1
    echo "$before $after $1 $(getconf CLK_TCK)" | awk '{ printf "%.1f", 100 * ($2 - $1) / $4 / $3 }'
}

#==============================================================================
# Mouse and keys

scn_click_in()
{
    scn_x xdotool mousemove --window "$1" "$2" "$3" click 1
}

scn_click() { scn_click_in "$SCN_WINDOW" "$1" "$2"; }

scn_double_click()
{
    scn_x xdotool mousemove --window "$SCN_WINDOW" "$1" "$2" click --repeat 2 --delay 60 1
}

scn_drag()
{
    local x1=$1 y1=$2 x2=$3 y2=$4 i
    scn_x xdotool mousemove --window "$SCN_WINDOW" "$x1" "$y1" mousedown 1
    for i in 1 2 3 4 5 6 7 8; do
        scn_x xdotool mousemove --window "$SCN_WINDOW" $((x1 + (x2 - x1) * i / 8)) $((y1 + (y2 - y1) * i / 8))
        sleep 0.03
    done
    scn_x xdotool mouseup 1
}

scn_key() { scn_x xdotool key --delay 50 "$@"; }

scn_type() { scn_x xdotool type --delay 50 -- "$1"; }

# Below the section buttons the column is empty: no button shows its "over" image there.
scn_park_pointer() { scn_x xdotool mousemove --window "$SCN_WINDOW" 100 650; }

#==============================================================================
# The editor's panel

scn_press()
{
    local i=0 name
    for name in open save connect store reset tonewheel; do
        [ "$name" = "$1" ] && { scn_click $((242 + 104 * i + 52)) 39; return; }
        i=$((i + 1))
    done
    scn_fail "no top-bar button \"$1\""
}

scn_section() { scn_click 100 $((98 + 40 * $1)); }

scn_subpage() { scn_click $(($1 + 42)) 149; }

scn_indicator_on() { scn_x bash "$scn_dir/../../tools/indicator-lit.sh" "$SCN_WINDOW"; }

# Whether the editor has sent its first ping since the last download's third request: it does
# so once it has handled that download's end, and counts as connected from then on.
scn_pinged_after_download()
{
    scn_records | awk '/<- .*dump request  F0 7D 1E 04 7C F7/ { d = 1; p = 0 } d && /<- .*identity request/ { p = 1 } END { exit !p }'
}

scn_connect()
{
    scn_mark
    scn_press connect
    scn_wait_record '<- .*dump request  F0 7D 1E 04 7C F7' 15 || scn_fail "the editor did not download the organ's data"
    scn_wait_until 10 scn_indicator_on || scn_fail "the indicator did not turn on after CONNECT"
    scn_wait_no_box 10 || scn_fail "the search box stayed open"
}

scn_blue() { /usr/bin/python3 "$scn_dir/scenario-x.py" blue "$@" | xargs; }

# The bar spans x 431..1009 and is 24 high.
scn_slider_text() { scn_shot "$SCN_WORK/slider.png" "579x24+431+$1"; scn_ocr "$SCN_WORK/slider.png"; }

scn_tonewheel_menu()
{
    local before
    before=$(scn_windows)
    scn_press tonewheel
    scn_wait_popup "$before" || scn_fail "TONEWHEEL opened no menu"
}

# TONEWHEEL, the ALT2 item, the tonewheel file $1 in the dialog and Yes: the upload starts
# with its header.
scn_start_upload()
{
    scn_mark
    echo "$1" >"$SCN_DIALOG/answer"
    scn_tonewheel_menu
    scn_click_in "$SCN_POPUP" $((POPUP_WIDTH / 2)) $((POPUP_HEIGHT / 2))
    scn_expect_box "Warning" "ALT2"
    scn_box_click 1
    scn_wait_record '<- .*File Dump header' 5 || scn_fail "Yes sent no File Dump header"
}

# The head: magic, 28 bytes the organ does not read, the 32-byte name.
scn_make_tonewheel()
{
    mkdir -p "$(dirname "$1")"
    {
        printf '\x63\x19\x07\x27'
        head -c 28 /dev/zero
        printf '%s' "$2"
        head -c $((32 - ${#2})) /dev/zero
        LC_ALL=C awk -v n="${3:-300}" 'BEGIN { for (i = 0; i < n; i++) printf "%c", (i * 7) % 128 }'
    } >"$1"
}

#==============================================================================
# Screens

# Read from the server without grabbing it: a box may vanish while it is taken.
scn_shot()
{
    local file=$1 crop=${2:-} window=${3:-$SCN_WINDOW}
    # shellcheck disable=SC2086
    scn_x /usr/bin/python3 "$scn_dir/scenario-x.py" shot "$window" "$file" $crop 2>/dev/null
}

# Channel differences of a few units come from the framework's blending of partial repaints.
scn_diff() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 | awk '{ print int($1) }'; }

scn_expect_same()
{
    local ae
    ae=$(scn_diff "$1" "$2")
    [ "$ae" = 0 ] || scn_fail "$3 ($ae pixels differ: $1 and $2)"
}

scn_pixel()
{
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -n1
}

# scn_pixel_is FILE X Y RRGGBB; an empty FILE takes a fresh screenshot of the editor's window.
scn_pixel_is()
{
    local file=$1
    if [ -z "$file" ]; then
        file=$SCN_WORK/pixel.png
        scn_shot "$file" "1x1+$2+$3" || return 1
        set -- "$file" 0 0 "$4"
    fi
    [ "$(scn_pixel "$file" "$2" "$3" | tr a-f A-F)" = "$4" ]
}

scn_bands() { /usr/bin/python3 "$scn_dir/scenario-x.py" runs "$@"; }

scn_ocr()
{
    # Dark text on a light ground, in black and white, reads best: light text is inverted.
    local negate=()
    [ "$(convert "$1" -colorspace Gray -format '%[fx:mean<0.5]' info: 2>/dev/null)" = 1 ] && negate=(-negate)
    convert "$1" -colorspace Gray "${negate[@]}" -resize 400% -threshold 60% "$SCN_WORK/ocr.png" 2>/dev/null
    # One thread: its parallel passes only slow it down on a machine busy with builds.
    OMP_THREAD_LIMIT=1 tesseract "$SCN_WORK/ocr.png" - --psm 6 2>/dev/null | tr -s ' \n' ' '
}

#==============================================================================
# Message boxes

scn_find_box()
{
    SCN_BOX=$(scn_x xdotool search --onlyvisible --name "$SCN_BOX_RE" 2>/dev/null | tail -n1)
    [ -n "$SCN_BOX" ]
}

scn_no_box() { ! scn_find_box; }

scn_wait_box() { scn_wait_until "${1:-10}" scn_find_box; }

scn_wait_no_box() { scn_wait_until "${1:-10}" scn_no_box; }

# Whether a fresh screenshot of the box shows its black outline down the left edge. A box found
# by its title may not be painted yet: its window then shows the panel under it, whose grey bars
# would pass for buttons and whose captions for the box's text.
scn_box_drawn()
{
    scn_shot "$SCN_WORK/box.png" "" "$SCN_BOX" && scn_box_outlined "$SCN_WORK/box.png"
}

scn_box_outlined()
{
    local height
    height=$(identify -format '%h' "$1" 2>/dev/null) || return 1
    scn_pixel_is "$1" 0 $((height / 2)) 000000
}

# The box's text, read once its window has been painted.
scn_box_text()
{
    scn_wait_until 5 scn_box_drawn || scn_fail "the box was not drawn: $SCN_WORK/box.png"
    scn_ocr "$SCN_WORK/box.png"
}

scn_expect_box()
{
    local text word
    scn_wait_box 10 || scn_fail "no message box appeared (expected: $*)"
    text=$(scn_box_text)
    for word in "$@"; do
        grep -q -i -F -- "$word" <<<"$text" || scn_fail "the box reads \"$text\", without \"$word\""
    done
}

# Whether the box is drawn and still: the same buttons on two screenshots in a row; sets
# SCN_BUTTONS.
scn_box_steady()
{
    local before
    scn_box_drawn || return 1
    before=$(/usr/bin/python3 "$scn_dir/scenario-x.py" buttons "$SCN_WORK/box.png")
    sleep 0.1
    scn_box_drawn || return 1
    SCN_BUTTONS=$(/usr/bin/python3 "$scn_dir/scenario-x.py" buttons "$SCN_WORK/box.png")
    [ -n "$SCN_BUTTONS" ] && [ "$SCN_BUTTONS" = "$before" ]
}

scn_box_click()
{
    local position
    scn_wait_until 5 scn_box_steady || scn_fail "the box was not drawn: $SCN_WORK/box.png"
    position=$(sed -n "$1p" <<<"$SCN_BUTTONS")
    [ -n "$position" ] || scn_fail "the box has no button $1"
    # shellcheck disable=SC2086
    scn_click_in "$SCN_BOX" $position
}

scn_panel_shot()
{
    scn_park_pointer
    sleep 0.3
    scn_shot "$1"
}

scn_expect_panel()
{
    scn_wait_no_box 10 || scn_fail "$2: the box did not close"
    scn_panel_shot "$SCN_WORK/panel-now.png"
    scn_expect_same "$1" "$SCN_WORK/panel-now.png" "$2: the panel differs from before the box"
}

#==============================================================================
# File dialogs

scn_dialog_call() { awk '/^folder=/ { call = "" } { call = call $0 "\n" } END { printf "%s", call }' "$SCN_DIALOG/calls" 2>/dev/null; }

scn_expect_dialog()
{
    local call line
    call=$(scn_dialog_call)
    for line in "$@"; do
        grep -q -x -F -- "$line" <<<"$call" || scn_fail "the file dialog was called without \"$line\": $(tr '\n' ' ' <<<"$call")"
    done
}

#==============================================================================
# Emulator records

scn_mark() { SCN_MARK=$(wc -l <"$SCN_WORK/emulator.log"); }

scn_records() { tail -n +$((SCN_MARK + 1)) "$SCN_WORK/emulator.log"; }

scn_count_records() { scn_records | grep -c -E -- "$1"; }

scn_has_records() { [ "$(scn_count_records "$1")" -ge "$2" ]; }

scn_wait_record() { scn_wait_until "${2:-10}" scn_has_records "$1" "${3:-1}"; }

scn_expect_no_record()
{
    local line
    line=$(scn_records | grep -m1 -E -- "$1")
    [ -z "$line" ] || scn_fail "$2: $line"
}

scn_near()
{
    awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; m = b < 0 ? -b : b; exit !(a != "" && (d < 0 ? -d : d) <= 1e-4 * (1 + m)) }'
}

scn_sent_value()
{
    local index=$1 direction=${2:-<-} hex line
    if [ "$index" -lt 85 ]; then
        hex=$(printf '%02X %02X' $((index & 127)) $((index >> 7)))
        line=$(scn_records | grep -E -e "$direction .*set parameter \(float form\)  F0 7D 1E 01 $hex " | tail -n1)
        [ -n "$line" ] || return 0
        # shellcheck disable=SC2086
        /usr/bin/python3 "$scn_dir/scenario-x.py" float $(sed -E 's/.* F0 7D 1E 01 .. .. (.. .. .. .. ..) F7$/\1/' <<<"$line")
    else
        hex=$(printf '%02X' $((index - 85)))
        line=$(scn_records | grep -E -e "$direction .*set parameter \(byte form\)  F0 7D 1E 02 $hex " | tail -n1)
        [ -n "$line" ] || return 0
        echo $((16#$(sed -E 's/.* F0 7D 1E 02 .. (..) F7$/\1/' <<<"$line")))
    fi
}

#!/usr/bin/env bash
# Runs a command on a private display: starts an Xvfb of its own with the small window manager
# that the tests expect (evilwm; the framework's modal loops need one, a bare X server makes
# Xlib exit), runs the command there, and stops both servers by their own process ids
# afterwards. Whatever display the caller has is never used: the tests move the pointer, type
# and take the focus, which must not happen on the user's desktop. DISPLAY points at the
# private server, XAUTHORITY at an empty file (the server asks for no cookie, and none of the
# user's is read), and WAYLAND_DISPLAY is cleared so that no toolkit opens a window elsewhere.
set -u
unset WAYLAND_DISPLAY
private=$(mktemp -d)
: >"$private/Xauthority"
export XAUTHORITY="$private/Xauthority"

xvfb_pid=
wm_pid=
stop_display() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  wm_pid=
  xvfb_pid=
}
trap 'stop_display; rm -rf "$private"' EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on a free display number and evilwm on it; false, with the reason in `failure`,
# when either did not come up. With many displays started side by side, a fresh one now and then cannot be
# opened by its first client, so the caller tries again on a new display.
start_display() {
  : >"$private/display"
  Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$private/display" 2>"$private/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$private/display" ] && break
    sleep 0.05
  done
  display_number=$(head -n1 "$private/display")
  if [ -z "$display_number" ]; then
    failure="Xvfb did not start: $(cat "$private/xvfb.log")"
    return 1
  fi
  export DISPLAY=":$display_number"

  evilwm -fn fixed >/dev/null 2>"$private/wm.log" &
  wm_pid=$!
  for _ in $(seq 1 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.05
  done
  failure="the window manager (evilwm) did not start on $DISPLAY: $(cat "$private/wm.log")"
  return 1
}

failure=
for attempt in 1 2 3; do
  start_display && break
  echo "with-display: attempt $attempt: $failure" >&2
  stop_display
  [ "$attempt" = 3 ] && exit 1
done

"$@"

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
stop_servers() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$private"
}
trap stop_servers EXIT
trap 'exit 130' INT TERM

Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$private/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$private/display" ] && break
  sleep 0.05
done
display_number=$(head -n1 "$private/display")
if [ -z "$display_number" ]; then
  echo "with-display: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$display_number"

evilwm -fn fixed >/dev/null 2>"$private/wm.log" &
wm_pid=$!
wm_up=
for _ in $(seq 1 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && wm_up=1 && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$wm_up" ]; then
  echo "with-display: the window manager (evilwm) did not start on $DISPLAY: $(cat "$private/wm.log")" >&2
  exit 1
fi

"$@"

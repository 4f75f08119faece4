#!/usr/bin/env bash
# Runs a command on a display. Without one, starts a private Xvfb with a small window
# manager (the framework's modal loops need one: a bare X server makes Xlib exit), runs the
# command there, and stops both servers by their own process ids afterwards.
set -u
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

fdfile=$(mktemp)
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fdfile" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$fdfile" ] && break
  sleep 0.05
done
display_number=$(head -n1 "$fdfile")
rm -f "$fdfile"
if [ -z "$display_number" ]; then
  echo "with-display: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null
  exit 1
fi
export DISPLAY=":$display_number"

evilwm -fn fixed >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 1 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

"$@"
status=$?
kill "$wm_pid" "$xvfb_pid" 2>/dev/null
wait "$wm_pid" "$xvfb_pid" 2>/dev/null
exit $status

#!/usr/bin/python3
"""Small helpers of the scenario library that bash cannot do well.

  close WINDOW          send WM_DELETE_WINDOW to WINDOW, as a window manager's close button does
  shot WINDOW PNG [WxH+X+Y]
                        write the picture of WINDOW (or of that region of it) as it is on the
                        screen; fails at once when the window is gone
  buttons PNG           print "X Y" for the centre of each push button on a message box image,
                        left to right (the buttons are the wide light-grey faces near the bottom)
  runs PNG X...         for each column X a line with the first row of every run of
                        non-white pixels down that column
  blue PNG WxH+X+Y...   for each region 1 when it holds the skin's selection blue, else 0
  float B0 B1 B2 B3 B4  the float32 whose bits the five 7-bit hex bytes carry, low bits first
  look WINDOW X Y WxH+X+Y MS
                        click at X, Y in WINDOW and leave the pointer there; print the
                        milliseconds until the region shows the selection blue, read straight
                        from the X server, or "none" when it does not within MS
  close-watch WINDOW PID MS
                        watch the root window's children, send the close request to WINDOW and
                        wait up to MS for process PID to end; print "created ID" for each window
                        made meanwhile, then "ended MS" or "alive"
  release-watch FILE PID MS
                        as close-watch, but in place of the close request remove FILE (a held
                        file dialog's hold), then watch for process PID to end
  close-deliveries N    send N close requests, each from a connection of its own as `close`
                        does, to a window of this helper's; print how many arrived
"""
import struct
import subprocess
import sys
import time


def open_display():
    """The connection to DISPLAY. The tests' private server asks for no cookie and its
    authority file is empty, which the client library reports on standard output, where the
    helpers print their answers: that notice goes to standard error instead."""
    import contextlib
    from Xlib import display

    with contextlib.redirect_stdout(sys.stderr):
        return display.Display()


def send_close(d, target):
    from Xlib import X
    from Xlib.protocol import event

    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    message = event.ClientMessage(window=target, client_type=protocols,
                                  data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    target.send_event(message, event_mask=X.NoEventMask)
    # A round trip before leaving: the server drops the unread requests of a client whose
    # socket it finds closed, so a request that is only flushed may never be sent on.
    d.sync()


def close(window):
    d = open_display()
    target = d.create_resource_object("window", int(window, 0))
    send_close(d, target)
    d.close()


def is_face(r, g, b):
    # The box's button face is 0xE2E2E2 with the framework's slight gradient; the box itself is
    # white and its text black.
    return 0xC0 <= min(r, g, b) and max(r, g, b) <= 0xF0 and max(r, g, b) - min(r, g, b) < 10


def buttons(png):
    width, height, raw = load(png)
    best = (0, 0, [])
    for y in range(height // 2, height - 1):
        runs, start = [], None
        for x in range(width + 1):
            face = x < width and is_face(*raw[3 * (y * width + x):3 * (y * width + x) + 3])
            if face and start is None:
                start = x
            elif not face and start is not None:
                if x - start >= 20:
                    runs.append((start, x))
                start = None
        total = sum(b - a for a, b in runs)
        if total > best[0]:
            best = (total, y, runs)
    for a, b in best[2]:
        print((a + b) // 2, best[1])


def load(png):
    size = subprocess.run(["identify", "-format", "%w %h", png], check=True,
                          capture_output=True, text=True).stdout.split()
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    return int(size[0]), int(size[1]), raw


def pixel(image, x, y):
    width, _, raw = image
    return raw[3 * (y * width + x):3 * (y * width + x) + 3]


def runs(png, columns):
    image = load(png)
    for column in columns:
        starts, inside = [], False
        for y in range(image[1]):
            white = min(pixel(image, int(column), y)) >= 0xFA
            if not white and not inside:
                starts.append(str(y))
            inside = not white
        print(" ".join(starts))


def is_blue(r, g, b):
    # The down images draw their glyph and caption in 0x2578E6, anti-aliased on light grey.
    return b > 0xC0 and b - r > 0x60 and b - g > 0x20


def blue(png, regions):
    image = load(png)
    for region in regions:
        size, x0, y0 = region.split("+")
        w, h = (int(v) for v in size.split("x"))
        found = any(is_blue(*pixel(image, x, y))
                    for y in range(int(y0), int(y0) + h) for x in range(int(x0), int(x0) + w))
        print(1 if found else 0)


def region_is_blue(window, region):
    from Xlib import X

    size, x0, y0 = region.split("+")
    w, h = (int(v) for v in size.split("x"))
    raw = window.get_image(int(x0), int(y0), w, h, X.ZPixmap, 0xFFFFFFFF).data
    # 24-bit visuals: four bytes a pixel, blue first.
    return any(is_blue(raw[i + 2], raw[i + 1], raw[i]) for i in range(0, len(raw) - 3, 4))


def look(window, x, y, region, limit_ms):
    from Xlib import X
    from Xlib.ext import xtest

    d = open_display()
    target = d.create_resource_object("window", int(window, 0))
    where = d.screen().root.translate_coords(target, int(x), int(y))
    xtest.fake_input(d, X.MotionNotify, x=where.x, y=where.y)
    d.sync()
    time.sleep(0.1)   # the move handled on its own, before the press
    xtest.fake_input(d, X.ButtonPress, 1)
    xtest.fake_input(d, X.ButtonRelease, 1)
    d.sync()
    start = time.monotonic()
    while (elapsed := (time.monotonic() - start) * 1000) <= float(limit_ms):
        if region_is_blue(target, region):
            print("%.0f" % elapsed)
            return
        time.sleep(0.002)
    print("none")


def shot(window, png, region=None):
    """The window's picture (or that of a region of it), read without a grab of the server: a
    capture program that grabs the server and then finds its window destroyed under it may
    wait for ever, and the whole display (the editor's painting included) with it. The server
    gives no picture of a rectangle that is partly off the screen: such parts come out black.
    A window that is gone or not shown fails at once."""
    from Xlib import X, error

    d = open_display()
    root = d.screen().root
    target = d.create_resource_object("window", int(window, 0))
    try:
        if target.get_attributes().map_state != X.IsViewable:
            sys.exit("shot: the window is not shown")
        if region:
            size, x, y = region.split("+")
            w, h = (int(v) for v in size.split("x"))
            x, y = int(x), int(y)
        else:
            geometry = target.get_geometry()
            x, y, w, h = 0, 0, geometry.width, geometry.height
        origin = root.translate_coords(target, x, y)
        left, top = max(origin.x, 0), max(origin.y, 0)
        right = min(origin.x + w, d.screen().width_in_pixels)
        bottom = min(origin.y + h, d.screen().height_in_pixels)
        raw = b""
        if right > left and bottom > top:
            raw = target.get_image(x + left - origin.x, y + top - origin.y, right - left, bottom - top,
                                   X.ZPixmap, 0xFFFFFFFF).data
    except error.XError as e:
        sys.exit("shot: %s" % e)
    # Four bytes a pixel, blue first, copied row by row into the window's place.
    rgb = bytearray(3 * w * h)
    row_width = max(right - left, 0)
    for row in range(max(bottom - top, 0)):
        line = raw[4 * row_width * row:4 * row_width * (row + 1)]
        at = 3 * ((top - origin.y + row) * w + (left - origin.x))
        rgb[at:at + 3 * row_width:3] = line[2::4]
        rgb[at + 1:at + 3 * row_width:3] = line[1::4]
        rgb[at + 2:at + 3 * row_width:3] = line[0::4]
    subprocess.run(["convert", "-size", "%dx%d" % (w, h), "-depth", "8", "rgb:-", png],
                   input=bytes(rgb), check=True)


def process_ended(pid):
    try:
        with open("/proc/%s/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except OSError:   # gone, or reaped while being read
        return True


def watch_root(d):
    from Xlib import X

    d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()


def close_watch(window, pid, limit_ms):
    d = open_display()
    watch_root(d)
    send_close(d, d.create_resource_object("window", int(window, 0)))
    report_until_ended(d, pid, limit_ms)


def release_watch(path, pid, limit_ms):
    import os

    d = open_display()
    watch_root(d)
    os.remove(path)
    report_until_ended(d, pid, limit_ms)


def report_until_ended(d, pid, limit_ms):
    from Xlib import X

    start = time.monotonic()
    while (elapsed := (time.monotonic() - start) * 1000) <= float(limit_ms):
        while d.pending_events():
            e = d.next_event()
            if e.type == X.CreateNotify:
                print("created 0x%x" % e.window.id)
        if process_ended(pid):
            print("ended %.0f" % elapsed)
            return
        time.sleep(0.002)
    print("alive")


def close_deliveries(count, wait_ms=5000):
    from Xlib import X

    d = open_display()
    screen = d.screen()
    target = screen.root.create_window(0, 0, 10, 10, 0, screen.root_depth)
    target.map()
    d.sync()
    for _ in range(int(count)):
        sender = open_display()
        send_close(sender, sender.create_resource_object("window", target.id))
        sender.close()
    arrived = 0
    deadline = time.monotonic() + wait_ms / 1000
    while arrived < int(count) and time.monotonic() < deadline:
        while d.pending_events():
            arrived += d.next_event().type == X.ClientMessage
        time.sleep(0.002)
    print(arrived)


def float_from_bytes(parts):
    bits = 0
    for shift, part in enumerate(parts):
        bits |= (int(part, 16) & 0x7F) << (7 * shift)
    print("%.6g" % struct.unpack("<f", struct.pack("<I", bits & 0xFFFFFFFF))[0])


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "close":
        close(args[0])
    elif command == "shot":
        shot(*args)
    elif command == "buttons":
        buttons(args[0])
    elif command == "runs":
        runs(args[0], args[1:])
    elif command == "blue":
        blue(args[0], args[1:])
    elif command == "look":
        look(*args)
    elif command == "close-watch":
        close_watch(*args)
    elif command == "release-watch":
        release_watch(*args)
    elif command == "close-deliveries":
        close_deliveries(args[0])
    elif command == "float":
        float_from_bytes(args)
    else:
        sys.exit(__doc__)

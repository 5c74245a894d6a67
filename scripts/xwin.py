#!/usr/bin/python3
"""Small X11 helpers for driving a running program as a user would.

  xwin.py wait TITLE [TIMEOUT]   print the id of the first mapped top-level
                                 window titled exactly TITLE, waiting for it
  xwin.py close WINDOW_ID        ask the window to close (WM_DELETE_WINDOW),
                                 as the close box of a window manager does
  xwin.py gone WINDOW_ID [TIMEOUT]  wait until the window no longer exists
  xwin.py painted WINDOW_ID [TIMEOUT]  wait until the window shows more than
                                 one colour (its first paint has happened)
"""
import sys
import time

from Xlib import X, display, error, protocol


def _title(d, win):
    try:
        name = win.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if name is not None:
            return name.value.decode("utf-8", "replace")
        wm = win.get_wm_name()
        return wm if isinstance(wm, str) else None
    except error.XError:
        return None


def find_all(d, title):
    """Ids of the mapped top-level windows titled exactly `title`, bottom to top."""
    found = []
    for win in d.screen().root.query_tree().children:
        try:
            if win.get_attributes().map_state == X.IsViewable and _title(d, win) == title:
                found.append(win.id)
        except error.XError:
            pass
    return found


def find(d, title):
    found = find_all(d, title)
    return d.create_resource_object("window", found[0]) if found else None


def wait(title, timeout=20.0):
    d = display.Display()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        win = find(d, title)
        if win is not None:
            return win.id
        time.sleep(0.05)
    return None


def close(wid):
    d = display.Display()
    win = d.create_resource_object("window", wid)
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=win, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    win.send_event(event, event_mask=X.NoEventMask)
    d.flush()


def gone(wid, timeout=20.0):
    d = display.Display()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            d.create_resource_object("window", wid).get_attributes()
        except error.BadWindow:
            return True
        time.sleep(0.05)
    return False


def painted(wid, timeout=10.0):
    d = display.Display()
    win = d.create_resource_object("window", wid)
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            geometry = win.get_geometry()
            image = win.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
            if len(set(image.data[i:i + 4] for i in range(0, len(image.data), 4 * 97))) > 1:
                return True
        except error.XError:
            pass
        time.sleep(0.05)
    return False


def main(argv):
    if len(argv) >= 3 and argv[1] == "wait":
        wid = wait(argv[2], float(argv[3]) if len(argv) > 3 else 20.0)
        if wid is None:
            print(f"xwin: no window titled {argv[2]!r}", file=sys.stderr)
            return 1
        print(wid)
        return 0
    if len(argv) == 3 and argv[1] == "close":
        close(int(argv[2], 0))
        return 0
    if len(argv) >= 3 and argv[1] == "gone":
        return 0 if gone(int(argv[2], 0), float(argv[3]) if len(argv) > 3 else 20.0) else 1
    if len(argv) >= 3 and argv[1] == "painted":
        return 0 if painted(int(argv[2], 0), float(argv[3]) if len(argv) > 3 else 10.0) else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

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

from desktop_kit import close, gone, painted, wait


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

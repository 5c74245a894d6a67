#!/usr/bin/python3
"""Kavrel.exe's start-up under Wine, on a virtual X display of its own.

  bench/startup_wine.py [BUILD_WINDOWS] [--runs N]

Prints, at 96 and at 144 dots per inch (100 and 150 % display scale), as
medians of N runs (at least ten) taken in turn, the time from just before
`wine PROGRAM` is spawned to the first paint of its main window, for:
  - Kavrel.exe;
  - its yardstick, a window with the same 25 standard controls and texts,
    made by the same code at the same scale, with no logic behind them
    (BUILD_WINDOWS/bench/controls_window_win32.exe);
  - a bare Win32 window of the same size built the same way
    (BUILD_WINDOWS/bench/bare_window_win32.exe: class, frame, menu bar,
    icon, centring, no controls);
and Kavrel.exe's ratio to each; then the size of Kavrel.exe.

"Painted" is told by the X server, as bench/startup.py tells it: a DAMAGE
object on the root window reports every drawing on the screen; the window
counts as painted at the first drawing inside it after which it no longer
shows one colour only (an X window that Wine maps may first be filled with
its background). The programs run from private copies in a Wine prefix of
the script's own (a copy of $WINEPREFIX where that is a made prefix), whose
server is kept running between the runs, as on a desktop where Wine already
runs; the display scale is set in the prefix before each series, and a
first round of each series only warms the caches.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))
sys.path.insert(0, HERE)
import desktop_kit  # noqa: E402
from startup import Failure, Screen, spread  # noqa: E402

KAVREL_TITLE, CONTROLS_TITLE, BARE_TITLE = "Kavrel", "Controls window", "Bare window"
SCALES = (96, 144)  # dots per inch
SETTLE = 0.5  # seconds between one program's end and the next start


def one_colour(window):
    g = window.get_geometry()
    data = window.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data
    first = data[:4]
    return data.count(first) * 4 == len(data)


def start_up(screen, path, title, env, timeout=60.0):
    """Milliseconds from the spawn of `wine path` to the first paint of its
    window titled `title`; the program is then asked to close."""
    screen.drain()
    started = time.monotonic()
    proc = subprocess.Popen(["wine", path], cwd=os.path.dirname(path), env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = started + timeout
    window = rect = None
    try:
        while True:
            event = screen.next_event(deadline)
            if event.type == X.MapNotify and window is None and screen.title(event.window) == title:
                window = event.window
                g = window.get_geometry()
                rect = (g.x, g.y, g.width, g.height)
            elif rect is not None and screen.drawn_in(event, rect) and not one_colour(window):
                painted = time.monotonic()
                break
            if proc.poll() is not None:
                raise Failure(f"{path} ended before its window was painted")
        desktop_kit.close(window.id)
        proc.wait(timeout)
    except (Failure, subprocess.TimeoutExpired):
        proc.kill()
        proc.wait()
        raise
    if proc.returncode != 0:
        raise Failure(f"{path} ended with status {proc.returncode}")
    return (painted - started) * 1000.0


def series(screen, programs, env, runs):
    """{title: start-up times in ms} of `runs` rounds, after one to warm up."""
    times = {title: [] for _, title in programs}
    for round_ in range(runs + 1):
        # Alternating order, so that a change of load favours none.
        for path, title in programs if round_ % 2 == 0 else reversed(programs):
            ms = start_up(screen, path, title, env)
            if round_ > 0:
                times[title].append(ms)
            # Wine tidies up after a program for a while: the next start
            # should not share the processor with that.
            time.sleep(SETTLE)
    return times


def measure(build, runs, tmp):
    built = {title: os.path.join(build, *where) for title, where in (
        (KAVREL_TITLE, ("Kavrel.exe",)), (CONTROLS_TITLE, ("bench", "controls_window_win32.exe")),
        (BARE_TITLE, ("bench", "bare_window_win32.exe")))}
    for path in built.values():
        if not os.path.exists(path):
            raise Failure(f"{path} is not built (make bench)")
    display = desktop_kit.VirtualDisplay(tmp)
    prefix = None
    server = None
    try:
        prefix = desktop_kit.WinePrefix(os.path.join(tmp, "prefix"), os.environ.get("WINEPREFIX"))
        env = prefix.env(DISPLAY=display.name, CUPS_SERVER=os.path.join(tmp, "no-print-server.sock"))
        # The server stays between the runs, as on a desktop where Wine runs.
        server = subprocess.Popen(["wineserver", "-f", "-p"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        os.environ["DISPLAY"] = display.name
        screen = Screen()
        programs = []
        for title, path in built.items():
            folder = os.path.join(tmp, os.path.splitext(os.path.basename(path))[0])
            programs.append((desktop_kit.private_copy(path, folder), title))
        with open(os.path.join(tmp, "Kavrel", "kavrel.ini"), "w", newline="\r\n") as ini:
            ini.write("[LANG]\nLANG=0\n")
        load = os.getloadavg()
        print(f"load average before: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} ({os.cpu_count()} cores)")
        for dpi in SCALES:
            prefix.set_dpi(dpi)
            times = series(screen, programs, env, runs)
            medians = {}
            print(f"at {dpi} dpi ({dpi * 100 // 96} %), start-up to first paint under Wine, median of {runs} runs:")
            for _, title in programs:
                medians[title], iqr = spread(times[title])
                print(f"  {title:16} {medians[title]:7.1f} ms {iqr}")
            print(f"  Kavrel.exe's ratio to the window with its controls and no logic "
                  f"{medians[KAVREL_TITLE] / medians[CONTROLS_TITLE]:.2f} (target: at most 1.1), "
                  f"to the bare window {medians[KAVREL_TITLE] / medians[BARE_TITLE]:.2f}")
        size = os.path.getsize(built[KAVREL_TITLE])
        print(f"size of Kavrel.exe: {size} bytes ({size / 1024:.0f} KiB; target: at most 1024 KiB)")
        load = os.getloadavg()
        print(f"load average after: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}")
    finally:
        if prefix:
            prefix.stop()
        if server:
            server.wait(30)
        display.stop()


def main():
    sys.stdout.reconfigure(line_buffering=True)
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", nargs="?", default="build-windows")
    parser.add_argument("--runs", type=int, default=20, help="start-ups of each program (at least 10)")
    args = parser.parse_args()
    if args.runs < 10:
        parser.error("--runs must be at least 10")
    with tempfile.TemporaryDirectory(prefix="kavrel-bench-wine-") as tmp:
        try:
            measure(os.path.abspath(args.build), args.runs, tmp)
        except (Failure, desktop_kit.Failure) as failure:
            print(f"startup_wine.py: {failure}", file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

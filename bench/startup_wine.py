#!/usr/bin/python3
"""Kavrel.exe's start-up under Wine, on a virtual X display of its own.

  bench/startup_wine.py [BUILD_WINDOWS] [--runs N]

Prints, as medians of N runs (at least ten) taken in turn:
  - the time from just before `wine Kavrel.exe` is spawned to the first
    paint of its main window, the same for a bare Win32 window of the same
    size built the same way (BUILD_WINDOWS/bench/bare_window_win32.exe:
    class, frame, menu bar, icon, centring, no controls), and their ratio;
  - the size of Kavrel.exe.

"Painted" is told by the X server, as bench/startup.py tells it: a DAMAGE
object on the root window reports every drawing on the screen; the window
counts as painted at the first drawing inside it after which it no longer
shows one colour only (an X window that Wine maps may first be filled with
its background). Both programs run from private copies in a Wine prefix of
the script's own (a copy of $WINEPREFIX where that is a made prefix), whose
server is kept running between the runs, as on a desktop where Wine already
runs; a first round of each only warms the caches.
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

KAVREL_TITLE, BARE_TITLE = "Kavrel", "Bare window"
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


def measure(build, runs, tmp):
    kavrel_built = os.path.join(build, "Kavrel.exe")
    bare_built = os.path.join(build, "bench", "bare_window_win32.exe")
    for built in (kavrel_built, bare_built):
        if not os.path.exists(built):
            raise Failure(f"{built} is not built (make windows)")
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
        kavrel = desktop_kit.private_copy(kavrel_built, os.path.join(tmp, "kavrel"))
        with open(os.path.join(tmp, "kavrel", "kavrel.ini"), "w", newline="\r\n") as ini:
            ini.write("[LANG]\nLANG=0\n")
        bare = desktop_kit.private_copy(bare_built, os.path.join(tmp, "bare"))
        programs = [(kavrel, KAVREL_TITLE), (bare, BARE_TITLE)]
        times = {title: [] for _, title in programs}
        load = os.getloadavg()
        print(f"load average before: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} ({os.cpu_count()} cores)")
        for round_ in range(runs + 1):
            # Alternating order, so that a change of load favours neither.
            for path, title in programs if round_ % 2 == 0 else reversed(programs):
                ms = start_up(screen, path, title, env)
                if round_ > 0:
                    times[title].append(ms)
                # Wine tidies up after a program for a while: the next start
                # should not share the processor with that.
                time.sleep(SETTLE)
        kavrel_ms, kavrel_iqr = spread(times[KAVREL_TITLE])
        bare_ms, bare_iqr = spread(times[BARE_TITLE])
        print(f"start-up to first paint under Wine, median of {runs} runs: Kavrel.exe {kavrel_ms:.1f} ms {kavrel_iqr}, "
              f"bare Win32 window {bare_ms:.1f} ms {bare_iqr}, ratio {kavrel_ms / bare_ms:.2f} (target: at most 1.2)")
        size = os.path.getsize(kavrel_built)
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

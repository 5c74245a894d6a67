#!/usr/bin/python3
"""Kavrel as its users feel it, on a virtual X display of its own.

  bench/startup.py [BUILD] [--runs N] [--keys N]

Prints, each as a median:
  - the time from just before the process is spawned to the first paint of
    its main window, for Kavrel and for an empty Qt window of the same size
    and flags (BUILD/bench/bare_window), and their ratio; and, to tell what
    showing text costs any window from what is Kavrel's own, the same for
    the bare window with one line in each of Kavrel's five fonts, started
    the way Kavrel starts (BUILD/bench/text_window), and Kavrel's time to
    that window's;
  - the peak resident memory of both (VmHWM of the process once its window
    is painted, read just before a window close request ends it);
  - the time from a key press (XTest) in the input box to the repaint of the
    result boxes, in English and in Russian.

"Painted" is told by the X server: one DAMAGE object on the root window,
made before any program starts, reports every drawing on the screen, so
none can be missed; the first drawing inside the program's window after
the window is mapped is its first frame (Qt's windows have no background
of their own, so mapping one draws nothing). Each program runs from a
private copy of its executable, so the settings file it writes lands there
and not in BUILD.

The programs run as on a desktop: on the script's own X display (Xvfb,
scripts/with-xvfb) and with a session bus of their own (dbus-daemon), which
Qt asks at start-up whether a screen reader or a global menu bar is there.
Without a bus, every Qt program would first spend tens of milliseconds
having libdbus launch one.
"""
import argparse
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK, display, error
from Xlib.ext import damage, xtest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "scripts"))
import desktop_kit  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ON_XVFB = "KAVREL_BENCH_ON_XVFB"

# The result boxes in the client area (the seven rows of the result table),
# and the client area's height below the menu bar.
RESULTS = (207, 186, 403, 166)
CLIENT_HEIGHT = 392


class Failure(Exception):
    pass


class Screen:
    """One connection to the display that sees windows appear and every drawing."""

    def __init__(self):
        self.d = display.Display()
        if not self.d.has_extension("DAMAGE"):
            raise Failure("the X server has no DAMAGE extension")
        self.d.damage_query_version()
        self.damage_event = self.d.extension_event.DamageNotify
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.root.damage_create(damage.DamageReportRawRectangles)
        self.d.sync()

    def next_event(self, deadline):
        while not self.d.pending_events():
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("timed out waiting for the window")
            select.select([self.d.fileno()], [], [], left)
        return self.d.next_event()

    def drain(self):
        self.d.sync()
        while self.d.pending_events():
            self.d.next_event()

    def drawn_in(self, event, rect):
        """Whether the event is a drawing that touches rect (x, y, width, height on the screen)."""
        if event.type != self.damage_event:
            return False
        a = event.area
        x, y, width, height = rect
        return a.x < x + width and x < a.x + a.width and a.y < y + height and y < a.y + a.height

    def title(self, win):
        return desktop_kit.title(self.d, win)


class Program:
    """A program's private copy folder and its environment."""

    def __init__(self, built, folder, title, runtime_dir, settings=None):
        self.path = desktop_kit.private_copy(built, folder)
        self.folder = folder
        self.title = title
        self.settings = settings
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime_dir)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.log = os.path.join(folder, "stderr.log")

    def start(self, screen, timeout=30.0):
        """Starts the program; returns (process, window, its rectangle on the screen,
        milliseconds from the spawn to the first paint)."""
        if self.settings is not None:
            with open(os.path.join(self.folder, "kavrel.ini"), "w") as ini:
                ini.write(f"[LANG]\nLANG={self.settings}\n")
        screen.drain()
        with open(self.log, "a") as log:
            started = time.monotonic()
            proc = subprocess.Popen([self.path], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=log)
        deadline = started + timeout
        window = rect = None
        try:
            while True:
                event = screen.next_event(deadline)
                if event.type == X.MapNotify and window is None and screen.title(event.window) == self.title:
                    window = event.window
                    g = window.get_geometry()  # a child of the root: its place is on the screen
                    rect = (g.x, g.y, g.width, g.height)
                elif rect is not None and screen.drawn_in(event, rect):
                    painted = time.monotonic()
                    break
                if proc.poll() is not None:
                    raise Failure(f"{self.path} ended before its window was painted (see {self.log})")
        except Failure:
            proc.kill()
            proc.wait()
            raise
        return proc, window, rect, (painted - started) * 1000.0

    def stop(self, screen, proc, window, timeout=30.0):
        """A close request, as a user's; returns the process's peak resident memory in KiB.
        (Not the ru_maxrss of wait4: a child spawned by vfork inherits its parent's.)"""
        with open(f"/proc/{proc.pid}/status") as status:
            peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
        desktop_kit.close(window.id)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise Failure(f"{self.path} did not end on a close request")
        if proc.returncode != 0:
            raise Failure(f"{self.path} ended with status {proc.returncode} (see {self.log})")
        return peak


def session_bus():
    """Starts a private session bus; returns its process, whose address is in the environment."""
    try:
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    except OSError as problem:
        raise Failure(f"cannot start dbus-daemon: {problem}") from problem
    address = bus.stdout.readline().strip()
    if not address:
        bus.wait()
        raise Failure("dbus-daemon did not start")
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    return bus


def spread(values, digits=1):
    """The median, and the range of the middle half of the values as text."""
    q1, median, q3 = statistics.quantiles(values, n=4)
    return median, f"(middle half {q1:.{digits}f} to {q3:.{digits}f})"


def start_up(screen, programs, runs):
    """Start-up times and peak memory of each program, runs taken in turn."""
    times = {p.title: [] for p in programs}
    memory = {p.title: [] for p in programs}
    for round_ in range(runs + 1):
        # Alternating order, so a change of load favours neither program.
        for program in programs if round_ % 2 == 0 else reversed(programs):
            proc, window, _, ms = program.start(screen)
            kib = program.stop(screen, proc, window)
            if round_ > 0:  # the first round only warms the file cache
                times[program.title].append(ms)
                memory[program.title].append(kib / 1024.0)
    return times, memory


def keystrokes(screen, program, keys):
    """Milliseconds from each key press in the input box to the repaint of the result boxes."""
    proc, window, (x, y, _, window_height), _ = program.start(screen)
    try:
        left, top, width, height = RESULTS
        results = (x + left, y + window_height - CLIENT_HEIGHT + top, width, height)
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        screen.d.sync()
        time.sleep(0.5)  # the window takes the focus; its input box has it already
        digit = screen.d.keysym_to_keycode(XK.string_to_keysym("0"))
        backspace = screen.d.keysym_to_keycode(XK.string_to_keysym("BackSpace"))
        times = []
        # The box holds "15700940": Backspace makes it invalid, "0" valid again,
        # so every key rewrites every result box.
        for i in range(keys + 2):
            code = backspace if i % 2 == 0 else digit
            screen.drain()
            pressed = time.monotonic()
            xtest.fake_input(screen.d, X.KeyPress, code)
            screen.d.flush()
            deadline = pressed + 5.0
            while not screen.drawn_in(screen.next_event(deadline), results):
                pass
            repainted = time.monotonic()
            xtest.fake_input(screen.d, X.KeyRelease, code)
            screen.d.flush()
            if i >= 2:  # the first keys only warm up
                times.append((repainted - pressed) * 1000.0)
            time.sleep(0.02)
    finally:
        program.stop(screen, proc, window)
    return times


def main():
    sys.stdout.reconfigure(line_buffering=True)
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=20, help="start-ups of each program (at least 10)")
    parser.add_argument("--keys", type=int, default=40, help="measured keystrokes per language")
    args = parser.parse_args()
    if args.runs < 10:
        parser.error("--runs must be at least 10")

    if os.environ.get(ON_XVFB) != "1":
        env = dict(os.environ, **{ON_XVFB: "1"})
        command = [os.path.join(HERE, "..", "scripts", "with-xvfb"), sys.executable, os.path.abspath(__file__)]
        return subprocess.call(command + [os.path.abspath(args.build), "--runs", str(args.runs),
                                          "--keys", str(args.keys)], env=env)

    kavrel_built = os.path.join(args.build, "ui", "kavrel")
    bare_built = os.path.join(args.build, "bench", "bare_window")
    text_built = os.path.join(args.build, "bench", "text_window")
    for built in (kavrel_built, bare_built, text_built):
        if not os.access(built, os.X_OK):
            print(f"startup.py: {built} is not built", file=sys.stderr)
            return 1

    try:
        bus = session_bus()
    except Failure as failure:
        print(f"startup.py: {failure}", file=sys.stderr)
        return 1
    try:
        return measure(args, kavrel_built, bare_built, text_built)
    finally:
        bus.terminate()
        bus.wait()


def measure(args, kavrel_built, bare_built, text_built):
    with tempfile.TemporaryDirectory(prefix="kavrel-bench-") as tmp:
        runtime = os.path.join(tmp, "runtime")
        os.mkdir(runtime, 0o700)
        kavrel = Program(kavrel_built, os.path.join(tmp, "kavrel"), "Kavrel", runtime, settings="0")
        bare = Program(bare_built, os.path.join(tmp, "bare"), "Bare window", runtime)
        text = Program(text_built, os.path.join(tmp, "text"), "Text window", runtime)
        try:
            screen = Screen()
            load = os.getloadavg()
            print(f"load average before: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} ({os.cpu_count()} cores)")
            times, memory = start_up(screen, [kavrel, bare, text], args.runs)
            kavrel_ms, kavrel_iqr = spread(times["Kavrel"])
            bare_ms, bare_iqr = spread(times["Bare window"])
            text_ms, text_iqr = spread(times["Text window"])
            print(f"start-up to first paint, median of {args.runs} runs: Kavrel {kavrel_ms:.1f} ms {kavrel_iqr}, "
                  f"bare Qt window {bare_ms:.1f} ms {bare_iqr}, ratio {kavrel_ms / bare_ms:.2f}; "
                  f"bare window with five lines of text {text_ms:.1f} ms {text_iqr}, ratio {text_ms / bare_ms:.2f}; "
                  f"Kavrel to the window with text {kavrel_ms / text_ms:.2f} (target: at most 1.1)")
            kavrel_mib, bare_mib = statistics.median(memory["Kavrel"]), statistics.median(memory["Bare window"])
            print(f"peak resident memory, median of {args.runs} runs: Kavrel {kavrel_mib:.1f} MiB, "
                  f"bare Qt window {bare_mib:.1f} MiB, difference {kavrel_mib - bare_mib:.1f} MiB (target: at most 8 MiB)")
            eng, eng_iqr = spread(keystrokes(screen, kavrel, args.keys), 2)
            kavrel.settings = "1"
            rus, rus_iqr = spread(keystrokes(screen, kavrel, args.keys), 2)
            print(f"key press to repaint of the result boxes, median of {args.keys} keys: ENG {eng:.2f} ms {eng_iqr}, "
                  f"RUS {rus:.2f} ms {rus_iqr} (target: under 2 ms)")
            load = os.getloadavg()
            print(f"load average after: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}")
        except Failure as failure:
            print(f"startup.py: {failure}", file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

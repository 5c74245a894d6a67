#!/usr/bin/python3
"""The program on Wayland: a weston of the test's own runs nested on the
session's X display (its x11 backend, so that xdotool's pointer and keys
reach it) and the program draws on it through Qt's wayland platform.

Each window keeps its size and the program runs on through what weston can
ask of a window: a click where Qt's own decoration has its minimise and
maximise buttons, weston's maximise and full-screen keys (also one after the
other). The main window's close box ends the program with
status 0 and the language written. The screen is read from weston's output
(where a window is and how large) and through the accessibility interface
(where the program has its menu item).

    test_wayland.py PATH-TO-kavrel [unittest arguments]

Ends with status 77 (skipped) only when weston cannot run on this machine.
"""
import array
import itertools
import os
import shutil
import subprocess
import sys
import time

import desktop
from desktop import keys, move_mouse, wait_for, Image

SKIPPED = 77
OUTPUT = (960, 720)  # weston's output, within the session's 1024 x 768 display
BACKGROUND = 0xff336699
MAIN_CLIENT = (616, 392)
ABOUT_CLIENT = (372, 341)
SETTLE = 1.0  # what weston and the program are given to answer a request

SOCKETS = itertools.count()
MAXIMISE, FULL_SCREEN = "super+shift+m", "super+shift+f"


class Weston:
    """weston on a socket of its own in the session's runtime folder, with a
    plain background and no panel."""

    def __init__(self, folder):
        self.socket = f"kavrel-test-{os.getpid()}-{next(SOCKETS)}"
        config = os.path.join(folder, "weston.ini")
        self.log = os.path.join(folder, "weston.log")
        with open(config, "w") as f:
            f.write(f"[core]\nidle-time=0\n[shell]\nbackground-image=\nbackground-color=0x{BACKGROUND:08x}\n"
                    "panel-position=none\nlocking=false\nanimation=none\nclose-animation=none\n"
                    "startup-animation=none\nfocus-animation=none\n")
        self.process = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", f"--socket={self.socket}",
             f"--width={OUTPUT[0]}", f"--height={OUTPUT[1]}", f"--config={config}",
             f"--log={self.log}"], stdin=subprocess.DEVNULL)

    def ready(self):
        def output():
            if self.process.poll() is not None:
                with open(self.log, encoding="utf-8", errors="replace") as f:
                    raise AssertionError(f"weston ended with status {self.process.returncode}: {f.read()[-2000:]}")
            return desktop.top_windows("Weston Compositor - screen0")
        output = wait_for(output, desktop.START_TIMEOUT, "weston's output")
        self.output = output[0]
        # Weston takes the pointer from the moment it enters its output.
        move_mouse(OUTPUT[0] + 10, OUTPUT[1] + 10)
        park()
        wait_for(lambda: look(self.picture())[0] == rgb(BACKGROUND), what="weston's background")

    def picture(self):
        return Image(self.output)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(desktop.TIMEOUT)


def park():
    """The pointer off the windows, to the output's bottom-right corner."""
    move_mouse(OUTPUT[0] - 1, OUTPUT[1] - 1)


def click(x, y):
    """A click as a hand makes it: the pointer there first, the button held
    a moment."""
    move_mouse(x, y)
    time.sleep(0.2)
    desktop.xdotool("mousedown", 1, "sleep", 0.1, "mouseup", 1)


def rgb(argb):
    return (argb >> 16) & 255, (argb >> 8) & 255, argb & 255


def look(picture):
    """The colour around the windows (the background, or the backdrop of a
    full-screen window) and (left, top, width, height) of what differs from
    it. A pointer that weston draws, at most 48 pixels across, is left out:
    only rows and columns with more pixels of another colour count."""
    width, height = picture.width, picture.height
    pixels = array.array("I", picture.data)
    samples = [pixels[x + y * width] for x in (0, width // 2, width - 1) for y in (0, height // 2, height - 1)]
    around = max(set(samples), key=samples.count)
    rows = [y for y in range(height) if width - pixels[y * width:(y + 1) * width].count(around) > 48]
    columns = [x for x in range(width) if height - pixels[x::width].count(around) > 48]
    colour = rgb(around)
    if not rows or not columns:
        return colour, None
    return colour, (columns[0], rows[0], columns[-1] + 1 - columns[0], rows[-1] + 1 - rows[0])


class OnWayland(desktop.DesktopTest):

    def setUp(self):
        super().setUp()
        self.process = None
        self.weston = Weston(self.folder)
        self.addCleanup(self.weston.stop)  # also when it does not come up
        self.weston.ready()

    def tearDown(self):
        self.end()
        self.weston.stop()
        super().tearDown()

    def start(self):
        import desktop_kit
        executable = desktop_kit.private_copy(desktop.PROGRAM, self.folder)
        self.settings = os.path.join(self.folder, "kavrel.ini")
        env = dict(os.environ, QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.weston.socket,
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("DISPLAY")
        self.log = os.path.join(self.folder, "program.log")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen([executable], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=subprocess.STDOUT)
        self.window = self.settled(None, "the main window")
        self.assertEqual(self.window[2], MAIN_CLIENT[0], "the window is wider than its client area")
        self.main = desktop.MainWindow(desktop.application(self.process.pid))
        return self.window

    def end(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(desktop.TIMEOUT)

    def alive(self):
        if self.process.poll() is not None:
            with open(self.log, "rb") as f:
                self.fail(f"the program ended with status {self.process.returncode}: {f.read().decode()!r}")
        return True

    def settled(self, expected, what, backdrop=False):
        """Where the windows are once the screen has stayed the same for a
        while with the program running, on the background (or on a
        full-screen backdrop); `expected`: their place or just their size."""
        park()
        seen = []

        def steady():
            colour, place = look(self.weston.picture())
            seen.append(((colour != rgb(BACKGROUND)) == backdrop, place))
            return (self.alive() and len(seen) > 1 and seen[-1] == seen[-2] and seen[-1][0] and seen[-1][1] and
                    (expected is None or seen[-1][1][4 - len(expected):] == expected))
        try:
            wait_for(steady, desktop.TIMEOUT, what)
        except AssertionError:
            self.alive()  # the program's own words first, if it ended
            self.weston.picture().save(os.path.join(os.getcwd(), f"failed-{self.id()}.png"))
            raise AssertionError(f"waited for {what}; last seen: {seen[-1] if seen else None}") from None
        return seen[-1][1]

    def ask(self, request):
        """A request of weston's, by its key."""
        keys(request)
        time.sleep(SETTLE)

    def survives(self, rows, place):
        """Each row: weston's requests in turn, then the windows back in their
        place on the background."""
        for row in rows:
            with self.subTest(row=row):
                for request in row:
                    self.ask(request)
                self.assertEqual(self.settled(place, "the windows where they were"), place)

    def clicks_do_nothing(self, window, title, backdrop=False):
        """Clicks where Qt's decoration has maximise and minimise (its window
        edge - 40 and - 63) and three quarters across the title bar."""
        right, middle = window[0] + window[2], window[1] + title // 2
        for x in (right - 40, right - 63, window[0] + window[2] * 3 // 4):
            click(x, middle)
            time.sleep(SETTLE)
            self.assertEqual(self.settled(window, f"the window after a click at {x}", backdrop), window)

    def close(self, window, title, settings):
        """The main window's close box; the program ends and writes the language."""
        click(window[0] + window[2] - title // 2, window[1] + title // 2)
        self.assertEqual(self.process.wait(desktop.TIMEOUT), 0)
        with open(self.settings, "rb") as f:
            self.assertEqual(f.read().split(), settings)

    def title_height(self):
        """The height of the title bar: from the window's top to its menu bar."""
        frame, menu = desktop.extents(self.main.frame), desktop.extents(self.main.menu_bar)
        self.assertEqual(frame[2:], self.window[2:], "the window's own size differs from what weston shows")
        self.assertEqual(frame[3], menu[1] - frame[1] + menu[3] + MAIN_CLIENT[1])
        return menu[1] - frame[1]

    def place_of(self, accessible):
        """The screen point at the middle of a control: its place in the
        window, as the program tells it, from where weston shows the window."""
        frame, item = desktop.extents(self.main.frame), desktop.extents(accessible)
        return self.window[0] + item[0] - frame[0] + item[2] // 2, self.window[1] + item[1] - frame[1] + item[3] // 2

    def test_main_window(self):
        window = self.start()
        title = self.title_height()
        self.assertGreater(title, 10, "no title bar above the menu bar")
        # The language picked from the list's pop-up, to be written at the close.
        click(*self.place_of(self.main["Languag"]))
        time.sleep(SETTLE)
        keys("Down", "Return")
        wait_for(lambda: self.main.language() == "RUS", what="the language RUS")
        self.clicks_do_nothing(window, title)
        self.survives([[MAXIMISE], [MAXIMISE], [FULL_SCREEN, MAXIMISE]], window)
        self.ask(FULL_SCREEN)
        self.assertEqual(self.settled(window[2:], "the window full screen", backdrop=True)[2:], window[2:])
        self.ask(FULL_SCREEN)
        self.assertEqual(self.settled(window, "the window back from full screen"), window)
        self.close(window, title, [b"[LANG]", b"LANG=1"])

    def test_about_window(self):
        window = self.start()
        title = self.title_height()
        click(*self.place_of(self.main.menu_item("About")))
        wait_for(lambda: any(desktop.role(w) == "frame" and w.name == "About" and "showing" in desktop.states(w)
                             for w in desktop.children(self.main.app)), what="the About window")
        both = self.settled(None, "both windows")
        # Full screen, weston shows About alone and centred.
        self.ask(FULL_SCREEN)
        about = self.settled((ABOUT_CLIENT[0], ABOUT_CLIENT[1] + title), "About full screen", backdrop=True)
        self.clicks_do_nothing(about, title, backdrop=True)
        self.ask(FULL_SCREEN)
        self.survives([[MAXIMISE], [MAXIMISE]], both)
        self.ask(FULL_SCREEN)
        self.assertEqual(self.settled(about, "About full screen again", backdrop=True), about)
        click(about[0] + about[2] - title // 2, about[1] + title // 2)  # its close box
        self.assertEqual(self.settled(window, "the main window alone"), window)
        self.close(window, title, [b"[LANG]", b"LANG=0"])


if __name__ == "__main__":
    if desktop.MARK in os.environ and (shutil.which("weston") is None or
                                       subprocess.run(["weston", "--version"], capture_output=True).returncode):
        print("weston cannot run on this machine: test skipped")
        sys.exit(SKIPPED)
    desktop.main(__file__)

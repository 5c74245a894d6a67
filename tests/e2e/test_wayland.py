#!/usr/bin/python3
"""The program on Wayland: a weston of the test's own runs nested on the
session's X display (its x11 backend, so that xdotool's pointer and keys
reach it) and the program draws on it through Qt's wayland platform.

Where a window is and how large is read from weston's output; where the
program has its controls, through the accessibility interface. Each window
keeps its size and its client area's layout, and the program runs on,
through what weston can ask of a window: its maximise and full-screen keys
(also one after the other) and clicks where Qt's own decoration has its
maximise and minimise buttons. The close boxes close: the main window's
ends the program with status 0 and the language written.

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
import desktop_kit  # found through desktop's path
from desktop import keys, move_mouse, wait_for, Image

SKIPPED = 77
OUTPUT = (960, 720)  # weston's output, within the session's 1024 x 768 display
BACKGROUND = 0xff336699
MAIN_CLIENT = (616, 392)
ABOUT_CLIENT = (372, 341)
ABOUT_SITE = (78, 231)  # the site line's place on the About page
SETTLE = 1.0  # what weston and the program are given to answer a request
MAXIMISE, FULL_SCREEN = "super+shift+m", "super+shift+f"
# Qt's decoration has its maximise and minimise buttons this far left of the
# window's right edge, in the middle of the title bar.
DECORATION_BUTTONS = (40, 63)

SOCKETS = itertools.count()


class Weston:
    """weston on a socket of its own in the session's runtime folder, with a
    plain background, no panel and no on-screen keyboard (which would come
    up over the windows when a text box takes the focus)."""

    def __init__(self, folder):
        self.socket = f"kavrel-test-{os.getpid()}-{next(SOCKETS)}"
        config = os.path.join(folder, "weston.ini")
        self.log = os.path.join(folder, "weston.log")
        with open(config, "w") as f:
            f.write(f"[core]\nidle-time=0\n[shell]\nbackground-color=0x{BACKGROUND:08x}\n"
                    "panel-position=none\nlocking=false\nanimation=none\nclose-animation=none\n"
                    "startup-animation=none\nfocus-animation=none\n[input-method]\npath=\n")
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
        self.output = wait_for(output, desktop.START_TIMEOUT, "weston's output")[0]
        # Weston follows the pointer from when it enters its output.
        move_mouse(OUTPUT[0] + 10, OUTPUT[1] + 10)
        park()
        wait_for(lambda: look(self.picture())[0] == rgb(BACKGROUND), what="weston's background")

    def picture(self):
        return Image(self.output)

    def stop(self):
        desktop_kit.end(self.process, desktop.TIMEOUT)


def park():
    """The pointer off the windows, in the output's bottom-right corner."""
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
    it. The pointer, if weston draws one, is left out: only rows and columns
    with more than 48 pixels of another colour count."""
    width, height = picture.width, picture.height
    pixels = array.array("I", picture.data)
    samples = [pixels[x + y * width] for x in (0, width // 2, width - 1) for y in (0, height // 2, height - 1)]
    around = max(set(samples), key=samples.count)
    rows = [y for y in range(height) if width - pixels[y * width:(y + 1) * width].count(around) > 48]
    columns = [x for x in range(width) if height - pixels[x::width].count(around) > 48]
    if not rows or not columns:
        return rgb(around), None
    return rgb(around), (columns[0], rows[0], columns[-1] + 1 - columns[0], rows[-1] + 1 - rows[0])


def offset(outer, inner):
    """Where an accessible object is inside another, and its size."""
    (ox, oy, _, _), (x, y, w, h) = desktop.extents(outer), desktop.extents(inner)
    return x - ox, y - oy, w, h


class OnWayland(desktop.DesktopTest):

    @classmethod
    def setUpClass(cls):
        # A connection to the display held from the first weston to after the
        # last. Weston is its only lasting client: without this one the
        # display resets when a weston leaves it, and the next weston's
        # connection, made meanwhile, fails ("failed to create compositor
        # backend").
        from Xlib import display
        cls.keeper = display.Display()
        cls.addClassCleanup(cls.keeper.close)

    def setUp(self):
        super().setUp()
        self.process = None
        self.weston = Weston(self.folder)
        self.addCleanup(self.weston.stop)  # also when it does not come up
        self.weston.ready()

    def tearDown(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(desktop.TIMEOUT)
        self.weston.stop()
        super().tearDown()

    def start(self):
        """The program started; the main window's place on the output and the
        height of its title bar, once its client area is checked."""
        executable = desktop_kit.private_copy(desktop.PROGRAM, self.folder)
        self.settings = os.path.join(self.folder, "kavrel.ini")
        env = dict(os.environ, QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.weston.socket,
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("DISPLAY")
        # In the sanitizer build: leaks that only Qt's wayland platform
        # leaves at exit are not the program's. Frames of that library
        # are found only by the slow unwinder.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "fast_unwind_on_malloc=0"]))
        env["LSAN_OPTIONS"] = ":".join(filter(None, [
            env.get("LSAN_OPTIONS"), "suppressions=" + os.path.join(os.path.dirname(__file__), "wayland.supp"),
            "print_suppressions=0"]))
        self.log = os.path.join(self.folder, "program.log")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen([executable], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=subprocess.STDOUT)
        window = self.settled(None, "the main window")
        self.main = desktop.MainWindow(desktop.application(self.process.pid))
        frame = desktop.extents(self.main.frame)
        self.assertEqual(frame[2:], window[2:], "the window's own size differs from what weston shows")
        menu = offset(self.main.frame, self.main.menu_bar)
        title = menu[1]
        self.assertGreater(title, 10, "no title bar above the menu bar")
        self.assertEqual(offset(self.main.frame, self.main.client), (0, title + menu[3], *MAIN_CLIENT))
        self.assertEqual(frame[3], title + menu[3] + MAIN_CLIENT[1], "the window reaches below its client area")
        return window, title

    def point(self, window, accessible):
        """The output's point at the middle of a control of the main window."""
        x, y, w, h = offset(self.main.frame, accessible)
        return window[0] + x + w // 2, window[1] + y + h // 2

    def alive(self):
        if self.process.poll() is not None:
            with open(self.log, "rb") as f:
                self.fail(f"the program ended with status {self.process.returncode}: {f.read().decode()!r}")
        return True

    def settled(self, expected, what, full_screen=False):
        """Where the windows are once the output has stayed the same for a
        while with the program running, on the background (or on the backdrop
        of a full-screen window); `expected`: their place, or just their size."""
        park()
        seen = []

        def steady():
            colour, place = look(self.weston.picture())
            seen.append(((colour != rgb(BACKGROUND)) == full_screen, place))
            return (self.alive() and len(seen) > 1 and seen[-1] == seen[-2] and seen[-1][0] and seen[-1][1] and
                    (expected is None or seen[-1][1][4 - len(expected):] == expected))
        try:
            wait_for(steady, desktop.TIMEOUT, what)
        except AssertionError:
            self.alive()  # the program's own words first, if it ended
            self.weston.picture().save(os.path.join(os.getcwd(), f"failed-{self.id()}.png"))
            raise AssertionError(f"waited for {what}; last seen: {seen[-1] if seen else None}") from None
        return seen[-1][1]

    def ask(self, *requests):
        """Weston's requests by their keys, in turn."""
        for request in requests:
            keys(request)
            time.sleep(SETTLE)

    def no_buttons(self, window, title, full_screen=False):
        """Clicks where Qt's decoration has maximise and minimise change nothing."""
        for left in DECORATION_BUTTONS:
            click(window[0] + window[2] - left, window[1] + title // 2)
            time.sleep(SETTLE)
            self.assertEqual(self.settled(window, f"the window after a click {left} from its right",
                                          full_screen), window)

    def close_box(self, window, title):
        click(window[0] + window[2] - title // 2, window[1] + title // 2)

    def closes(self, window, title, settings):
        """The main window's close box; the program ends and writes the language."""
        self.close_box(window, title)
        status = self.process.wait(desktop.TIMEOUT)
        with open(self.log, "rb") as f:
            self.assertEqual(status, 0, f"the program's output: {f.read().decode(errors='replace')}")
        with open(self.settings, "rb") as f:
            self.assertEqual(f.read().split(), settings)

    def test_main_window(self):
        window, title = self.start()
        # The language picked from the list's pop-up, to be written at the close.
        click(*self.point(window, self.main["Languag"]))
        time.sleep(SETTLE)
        keys("Down", "Return")
        wait_for(lambda: self.main.language() == "RUS", what="the language RUS")
        # The focus back in the input box: its blinking caret redraws the
        # window while weston's requests are answered, as typing would. A
        # frame drawn maximised at the window's size ends the connection.
        click(*self.point(window, self.main["ClickNomer"]))
        wait_for(lambda: self.main.focused() == ["ClickNomer"], what="the focus in the input box")
        self.no_buttons(window, title)
        # A maximise ends in the normal state, also one from full screen.
        for row in ([MAXIMISE], [MAXIMISE, MAXIMISE], [FULL_SCREEN, MAXIMISE]):
            with self.subTest(row=row):
                self.ask(*row)
                self.assertEqual(self.settled(window, "the window where it was"), window)
        # Full screen, weston shows the window as large as it is, centred.
        self.ask(FULL_SCREEN)
        centred = ((OUTPUT[0] - window[2]) // 2, (OUTPUT[1] - window[3]) // 2, *window[2:])
        self.assertEqual(self.settled(window[2:], "the window full screen", full_screen=True), centred)
        self.ask(FULL_SCREEN)
        self.assertEqual(self.settled(window, "the window back from full screen"), window)
        self.closes(window, title, [b"[LANG]", b"LANG=1"])

    def test_about_window(self):
        window, title = self.start()
        click(*self.point(window, self.main.menu_item("About")))
        about = wait_for(lambda: next(w for w in desktop.children(self.main.app)
                                      if desktop.role(w) == "frame" and w.name == "About"
                                      and "showing" in desktop.states(w)), what="the About window")
        # Its page under its title bar.
        site = next(line for page in desktop.children(about) for line in desktop.children(page)
                    if desktop.role(line) == "text" and desktop.text_of(line) == desktop.SITE)
        self.assertEqual(offset(about, site)[:2], (ABOUT_SITE[0], ABOUT_SITE[1] + title))
        # Full screen, weston shows About alone; back from there, both windows
        # are drawn (About's first frame may come after the screen reader's
        # view of it).
        self.ask(FULL_SCREEN)
        alone = self.settled((ABOUT_CLIENT[0], ABOUT_CLIENT[1] + title), "About full screen", full_screen=True)
        self.no_buttons(alone, title, full_screen=True)
        self.ask(FULL_SCREEN)
        both = self.settled(None, "both windows")
        for row in ([MAXIMISE], [MAXIMISE, MAXIMISE]):
            with self.subTest(row=row):
                self.ask(*row)
                self.assertEqual(self.settled(both, "the windows where they were"), both)
        self.ask(FULL_SCREEN)
        self.assertEqual(self.settled(alone, "About full screen again", full_screen=True), alone)
        self.close_box(alone, title)
        self.assertEqual(self.settled(window, "the main window alone"), window)
        self.closes(window, title, [b"[LANG]", b"LANG=0"])


if __name__ == "__main__":
    if desktop.MARK in os.environ and (shutil.which("weston") is None or
                                       subprocess.run(["weston", "--version"], capture_output=True).returncode):
        print("weston cannot run on this machine: test skipped")
        sys.exit(SKIPPED)
    desktop.main(__file__)

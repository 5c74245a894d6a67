"""The desktop program driven on an X display as a person drives it, and read
back through the accessibility interface (AT-SPI) as a screen reader reads it.

A test script ends with `desktop.main(__file__)`. Started by hand or by ctest
(`test_x.py PATH-TO-kavrel`), the script first builds a session of its own: a
private folder for everything it writes, a virtual X display (scripts/with-xvfb)
and a private D-Bus session bus (dbus-run-session), on which the accessibility
bus starts when the program asks for it. It runs itself again inside that
session, where the unittest cases run, and afterwards waits until no process
of the session is left (Xvfb, the buses, the accessibility registry, the
program, xdg-open and the stand-in browser all carry the session's mark in
their environment) before it removes the folder. A process still alive then
fails the run.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.normpath(os.path.join(HERE, "..", "..", "scripts"))
sys.path.insert(0, SCRIPTS)
import desktop_kit  # noqa: E402
from desktop_kit import top_windows, xdotool  # noqa: E402,F401

MARK = "KAVREL_E2E_SESSION"
PROGRAM = None  # the built program, set by main() inside the session

# A loaded two-core machine starts Qt slowly; every wait polls until these.
START_TIMEOUT = 60.0
TIMEOUT = 20.0

# Variables by which xdg-open would hand an address to a desktop's own opener
# instead of $BROWSER.
DESKTOP_VARIABLES = ("XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                     "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DESKTOP", "LXQT_SESSION_CONFIG")

# ---------------------------------------------------------------------------
# What the window must show, written down from the program's requirements.

NOT_USED = "It is not used"
SITE = "kavrel.example.org"
EXAMPLES = "15700940         1065100088"

# The 25 controls of the main window in tab order, with their place in the
# client area (left, top, width, height); "text" boxes carry text, the
# language list carries its selection.
CONTROLS = (
    ("ClickNomer", 375, 48, 232, 28), ("TextSeriiniiNomer", 6, 186, 202, 19),
    ("SeriiniiNomer", 207, 186, 403, 19), ("Strana", 207, 207, 403, 19), ("TextStrana", 6, 207, 202, 19),
    ("Zavod", 207, 228, 403, 19), ("TextZavod", 6, 228, 202, 19), ("God", 207, 249, 403, 19),
    ("TextGod", 6, 249, 202, 19), ("Mesiac", 207, 270, 403, 19), ("TextMesiac", 6, 270, 202, 19),
    ("Seria", 207, 291, 403, 19), ("TextSeria", 6, 291, 202, 19), ("DataKoda", 207, 333, 403, 19),
    ("TextDataKoda", 6, 333, 202, 19), ("TextVvedite", 375, 24, 232, 16), ("TextPrimer", 375, 84, 232, 16),
    ("Text7", 375, 108, 232, 16), ("TextVnimanie", 9, 81, 352, 70), ("TextOpredelenie", 9, 42, 352, 34),
    ("Osibka", 285, 162, 322, 19), ("Languag", 168, 9, 124, 21), ("TextLanguag", 48, 12, 118, 19),
    ("TextPolucheno", 9, 162, 271, 19), ("www", 192, 366, 217, 16),
)
NAMES = tuple(c[0] for c in CONTROLS)
PLACE = {c[0]: c[1:] for c in CONTROLS}
TEXT_BOXES = tuple(n for n in NAMES if n != "Languag")
RESULT_BOXES = ("SeriiniiNomer", "Strana", "Zavod", "God", "Mesiac", "Seria", "DataKoda")

CAPTIONS = {
    "ENG": {
        "TextLanguag": "Language",
        "TextOpredelenie": 'Information defection in serial number of compressors "Bitzer"',
        "TextVnimanie": 'Attention  serial number of compressors "Bitzer" is indicated only on its nameplate . '
                        'See the nameplate only  !',
        "TextPolucheno": "The acquired information :",
        "TextVvedite": "Enter the serial number  :",
        "TextPrimer": "Example :",
        "Osibka": "Error !  Specify serial number !",
        "TextSeriiniiNomer": "Serial number :",
        "TextStrana": "Country, city :",
        "TextZavod": "Factory the manufacturer :",
        "TextGod": "Year of manufacture :",
        "TextMesiac": "Mouth of manufacture :",
        "TextSeria": "Order number :",
        "TextDataKoda": "Code valid date :",
    },
    "RUS": {
        "TextLanguag": "Язык",
        "TextOpredelenie": 'Определение информации в серийном номере компрессоров марки "Bitzer"',
        "TextVnimanie": 'Внимание : Серийный номер компрессоров "Bitzer" нигде на его корпусе, кроме как на '
                        'шильде, не указывается. Смотрите только на шильдике !',
        "TextPolucheno": "Полученная информация :",
        "TextVvedite": "Введите серийный номер :",
        "TextPrimer": "Пример :",
        "Osibka": "Ошибка ! Уточните серийный номер !",
        "TextSeriiniiNomer": "Серийный номер :",
        "TextStrana": "Страна, город :",
        "TextZavod": "Завод изготовитель :",
        "TextGod": "Год изготовления :",
        "TextMesiac": "Месяц изготовления :",
        "TextSeria": "Порядковый номер :",
        "TextDataKoda": "Дата действия кода :",
    },
}

# Results of the numbers the tests type, in RESULT_BOXES order. A number of
# another length than 8 or 10 decodes to nothing, with the error line shown.
GMBH = "Bitzer Kuhlmaschinenbau GmbH"
DECODED = {
    "15700940": ("15700940", "Deutschland, Sindelfingen", GMBH, "1999", "October", "0940",
                 "Till September, 1st, 2003"),
    "1065100088": ("1065100088", "Deutschland, Rottenburg", GMBH, "2003", "November", "00088",
                   "Since September, 1st, 2003"),
}
RUSSIAN = {
    NOT_USED: "Не используется",
    "Deutschland, Sindelfingen": "Германия, Зиндельфинген",
    "Deutschland, Rottenburg": "Германия, Роттенбург",
    "October": "Октябрь",
    "November": "Ноябрь",
    "Till September, 1st, 2003": "До 01 сентября 2003 года",
    "Since September, 1st, 2003": "С 01 сентября 2003 года",
}

# A screen reader names a result box, the input box, the example numbers and
# the language label by the caption beside them, every other box by its text.
NAMED_BY = {
    "ClickNomer": "TextVvedite", "SeriiniiNomer": "TextSeriiniiNomer", "Strana": "TextStrana",
    "Zavod": "TextZavod", "God": "TextGod", "Mesiac": "TextMesiac", "Seria": "TextSeria",
    "DataKoda": "TextDataKoda", "Text7": "TextPrimer",
}


def spoken(text):
    """A caption as a name: one line, blanks collapsed, no closing colon."""
    name = " ".join(text.split())
    return name[:-1].rstrip() if name.endswith(":") else name


def expected_texts(serial, language):
    """The text of every text box for an input and a language ("ENG"/"RUS")."""
    if serial in DECODED:
        results = DECODED[serial]
    elif len(serial) in (8, 10):
        raise ValueError(f"no known decode of {serial!r}")
    else:
        results = (NOT_USED,) * 7
    if language == "RUS":
        results = tuple(RUSSIAN.get(r, r) if (r == NOT_USED or box in ("Strana", "Mesiac", "DataKoda")) else r
                        for box, r in zip(RESULT_BOXES, results))
    texts = dict(CAPTIONS[language])
    texts.update(zip(RESULT_BOXES, results))
    texts.update(ClickNomer=serial, Text7=EXAMPLES, www=SITE)
    return texts


def expected_names(texts):
    return {box: spoken(texts[NAMED_BY.get(box, box)]) for box in TEXT_BOXES}


# ---------------------------------------------------------------------------
# Waiting on conditions.

def wait_for(probe, timeout=TIMEOUT, what="the condition"):
    """Polls probe() until it returns a true value and returns that value."""
    return desktop_kit.wait_for(probe, timeout, what, tolerate=(Exception,))


def wait_equal(probe, expected, timeout=TIMEOUT, what="the value"):
    seen = []

    def check():
        seen[:] = [probe()]
        return seen[0] == expected
    try:
        wait_for(check, timeout, what)
    except AssertionError:
        raise AssertionError(f"waited {timeout:.0f} s for {what} to be {expected!r}; "
                             f"last seen: {seen[0] if seen else None!r}") from None


# ---------------------------------------------------------------------------
# The X display: keys, clicks, windows and pixels.

def focus(wid):
    """Gives a window the keyboard (there is no window manager to do it)."""
    xdotool("windowfocus", "--sync", wid)


def keys(*names):
    """Presses and releases keys in turn, as the X server reports real keys."""
    xdotool("key", "--delay", 40, *names)


def type_text(text):
    xdotool("type", "--delay", 40, text)


def pointer():
    d = _display()
    try:
        where = d.screen().root.query_pointer()
        return where.root_x, where.root_y
    finally:
        d.close()


def move_mouse(x, y):
    # xdotool's --sync waits for the pointer to move: not when it is there.
    if pointer() != (x, y):
        xdotool("mousemove", "--sync", x, y)


def click(x, y, button=1):
    move_mouse(x, y)
    xdotool("click", button)


def park_mouse():
    """Moves the pointer off every window, so no control shows a hover look."""
    move_mouse(1, 1)


def _display():
    from Xlib import display
    return display.Display()


def stacking():
    """Ids of all mapped top-level windows, bottom to top."""
    return top_windows()


def screen_id():
    d = _display()
    try:
        return d.screen().root.id
    finally:
        d.close()


def raise_window(wid):
    xdotool("windowraise", wid)


class Image:
    """The pixels of a window as the X server holds them."""

    def __init__(self, wid):
        from Xlib import X
        d = _display()
        try:
            win = d.create_resource_object("window", wid)
            geometry = win.get_geometry()
            self.width, self.height = geometry.width, geometry.height
            self.data = win.get_image(0, 0, self.width, self.height, X.ZPixmap, 0xFFFFFFFF).data
        finally:
            d.close()

    def pixel(self, x, y):
        i = 4 * (y * self.width + x)
        b, g, r = self.data[i:i + 3]
        return r, g, b

    def region(self, left, top, width, height):
        return [self.pixel(x, y) for y in range(top, top + height) for x in range(left, left + width)]

    def differences(self, other, skip=()):
        """Pixels that differ from another picture of the same window,
        outside the rectangles in `skip`; the count and the first few."""
        assert (self.width, self.height) == (other.width, other.height)
        found = []
        for y in range(self.height):
            row = 4 * y * self.width
            if self.data[row:row + 4 * self.width] == other.data[row:row + 4 * self.width]:
                continue
            for x in range(self.width):
                if any(l <= x < l + w and t <= y < t + h for l, t, w, h in skip):
                    continue
                if self.pixel(x, y) != other.pixel(x, y):
                    found.append((x, y))
        return len(found), found[:5]

    def save(self, path):
        """A PNG for a person to look at when a check fails."""
        import struct
        import zlib
        raw = b"".join(b"\0" + bytes(c for x in range(self.width) for c in self.pixel(x, y))
                       for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------
# The screen reader's view.

def _atspi():
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    import pyatspi
    return Atspi, pyatspi


def role(acc):
    return acc.getRoleName()


def states(acc):
    _, pyatspi = _atspi()
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def text_of(acc):
    return acc.queryText().getText(0, -1)


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def extents(acc):
    _, pyatspi = _atspi()
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def centre(acc):
    x, y, w, h = extents(acc)
    return x + w // 2, y + h // 2


def press(acc, action="Press"):
    """Runs an accessible object's action by its name, as a screen reader's
    user does through the reader."""
    actions = acc.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    assert action in names, f"{acc.name!r} offers {names}, not {action!r}"
    actions.doAction(names.index(action))


def application(pid, timeout=START_TIMEOUT):
    """The accessible application of the process `pid`, read live: nothing
    of it is cached between reads."""
    Atspi, pyatspi = _atspi()

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            if app is not None and app.get_process_id() == pid:
                return app
        return None
    app = wait_for(find, timeout, f"process {pid} on the accessibility bus")
    app.set_cache_mask(Atspi.Cache.NONE)
    return app


class MainWindow:
    """The main window as the accessibility interface shows it: the frame,
    the client area holding the 25 controls in tab order, the menu bar."""

    def __init__(self, app):
        self.app = app
        self.frame = wait_for(lambda: next((w for w in children(app) if role(w) == "frame" and w.name == "Kavrel"),
                                           None), START_TIMEOUT, "the window Kavrel on the accessibility bus")
        parts = children(self.frame)
        self.client = next(p for p in parts if role(p) == "filler")
        self.menu_bar = next(p for p in parts if role(p) == "menu bar")
        controls = children(self.client)
        assert len(controls) == len(NAMES), f"{len(controls)} controls: {[c.name for c in controls]}"
        self.controls = dict(zip(NAMES, controls))

    def __getitem__(self, name):
        return self.controls[name]

    def menu_item(self, caption):
        return next(m for m in children(self.menu_bar) if role(m) == "menu item" and m.name == caption)

    def text(self, name):
        return text_of(self.controls[name])

    def language(self):
        """What the language list shows: the name of its selection."""
        return self.controls["Languag"].name

    def texts(self):
        return {n: self.text(n) for n in TEXT_BOXES}

    def names(self):
        return {n: self.controls[n].name for n in TEXT_BOXES}

    def error_shown(self):
        return "showing" in states(self.controls["Osibka"])

    def focused(self):
        return [n for n in NAMES if "focused" in states(self.controls[n])]

    def client_origin(self):
        """Where the client area starts inside the window's own pixels."""
        fx, fy, _, _ = extents(self.frame)
        cx, cy, _, _ = extents(self.client)
        return cx - fx, cy - fy

    def rect_in_window(self, name):
        """A control's rectangle in the window's own pixels."""
        ox, oy = self.client_origin()
        left, top, width, height = PLACE[name]
        return ox + left, oy + top, width, height


# ---------------------------------------------------------------------------
# One run of the program, from a private folder.

class Program:
    """The program copied into a folder of its own (it keeps kavrel.ini beside
    itself), started on the session's display with accessibility on, and
    ended with a close request as a user ends it."""

    def __init__(self, folder, browser=None):
        self.folder = folder
        self.executable = desktop_kit.private_copy(PROGRAM, folder)
        self.browser = browser
        self.process = None
        self.window = None
        self.main = None

    @property
    def settings(self):
        return os.path.join(self.folder, "kavrel.ini")

    def read_settings(self):
        with open(self.settings, "rb") as f:
            return f.read()

    def start(self):
        env = dict(os.environ)
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        for name in DESKTOP_VARIABLES:
            env.pop(name, None)
        if self.browser:
            env["BROWSER"] = self.browser
            # No installed application is the handler of web addresses here:
            # xdg-open would hand them to one (a browser installed for the
            # page's tests, say) before it asks $BROWSER.
            env["XDG_DATA_DIRS"] = self.folder
        assert not top_windows("Kavrel"), "a Kavrel window is still on the display"
        self.log = open(os.path.join(self.folder, "program.log"), "ab")
        self.process = subprocess.Popen([self.executable], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        self.window = wait_for(lambda: self._alive() and top_windows("Kavrel"), START_TIMEOUT,
                               "the window Kavrel")[0]
        assert desktop_kit.painted(self.window, START_TIMEOUT), "the window was never painted"
        self.main = MainWindow(application(self.process.pid))
        return self.main

    def _alive(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended with status {self.process.returncode}: {self.output()}")
        return True

    def output(self):
        with open(os.path.join(self.folder, "program.log"), "rb") as f:
            return f.read().decode("utf-8", "replace")

    def close(self):
        """A close request to the main window (WM_DELETE_WINDOW, what a
        window manager's close box sends); the program must end by itself,
        with status 0, and its windows go."""
        desktop_kit.close(self.window)
        try:
            status = self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end after a close request") from None
        self.log.close()
        assert status == 0, f"the program ended with status {status}: {self.output()}"
        assert desktop_kit.gone(self.window, TIMEOUT), "the main window outlived the program"

    def stop(self):
        """After a failed test: end the program by its id if it still runs."""
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(TIMEOUT)
        if self.process is not None and not self.log.closed:
            self.log.close()


class StandInBrowser:
    """A browser for xdg-open ($BROWSER): records each address it is given
    in a file of its own, whole or not at all, and ends at once."""

    def __init__(self, folder):
        self.folder = os.path.join(folder, "opened")
        os.mkdir(self.folder)
        self.path = os.path.join(folder, "browser.sh")
        with open(self.path, "w") as f:
            f.write('#!/bin/sh\nf=$(mktemp "%s/address.XXXXXX") || exit 1\n'
                    'printf %%s "$1" > "$f" && mv "$f" "$f.url"\n' % self.folder)
        os.chmod(self.path, 0o700)

    def addresses(self):
        found = []
        for name in sorted(os.listdir(self.folder)):
            if name.endswith(".url"):
                with open(os.path.join(self.folder, name), encoding="utf-8", errors="replace") as f:
                    found.append(f.read())
        return found


# ---------------------------------------------------------------------------
# The session around a test script.

def _session_processes(root):
    """Processes (other than this one) that carry this session's mark."""
    mark = f"{MARK}={root}".encode() + b"\0"
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if mark not in f.read() + b"\0":
                    continue
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                found[int(entry)] = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
    return found


def _run_session(script, args):
    root = tempfile.mkdtemp(prefix="kavrel-e2e-")
    try:
        home = os.path.join(root, "home")
        runtime = os.path.join(root, "runtime")
        os.mkdir(home, 0o700)
        os.mkdir(runtime, 0o700)
        env = dict(os.environ)
        for name in DESKTOP_VARIABLES + ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                         "AT_SPI_BUS_ADDRESS", "QT_QPA_PLATFORM", "SESSION_MANAGER"):
            env.pop(name, None)
        env.update({MARK: root, "HOME": home, "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": home + "/.config",
                    "XDG_CACHE_HOME": home + "/.cache", "XDG_DATA_HOME": home + "/.local/share",
                    "LC_ALL": "C.UTF-8"})
        # The bus outside the display: the accessibility bus that it starts
        # then has no display to lose when the display stops first.
        command = ["dbus-run-session", "--", os.path.join(SCRIPTS, "with-xvfb"),
                   sys.executable, os.path.abspath(script), *args]
        session = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            status = session.wait(600)
        except subprocess.TimeoutExpired:
            print("the session did not end within 600 s", file=sys.stderr)
            os.killpg(session.pid, signal.SIGKILL)
            session.wait()
            status = 1

        # The buses and the accessibility registry end when their bus does,
        # a moment after the session's command: allow them that moment.
        end = time.monotonic() + TIMEOUT
        left = _session_processes(root)
        while left and time.monotonic() < end:
            time.sleep(0.1)
            left = _session_processes(root)
        if left:
            print("processes left behind by the session:", file=sys.stderr)
            for pid, command_line in left.items():
                print(f"  {pid}: {command_line}", file=sys.stderr)
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
            status = status or 1
        else:
            print("session: nothing left running")
        return status
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main(script):
    """Entry point of a test script: `script PATH-TO-kavrel [unittest args]`."""
    global PROGRAM
    if len(sys.argv) < 2 or not os.access(sys.argv[1], os.X_OK):
        print(f"usage: {sys.argv[0]} PATH-TO-kavrel [unittest arguments]", file=sys.stderr)
        sys.exit(2)
    if MARK not in os.environ:
        sys.exit(_run_session(script, sys.argv[1:]))
    PROGRAM = os.path.abspath(sys.argv[1])
    # Quiet about the X and accessibility libraries' own warnings.
    unittest.main(module="__main__", argv=[sys.argv[0], *sys.argv[2:]], verbosity=2, warnings="ignore")


class DesktopTest(unittest.TestCase):
    """A test case with a private folder for its program runs; whatever it
    started is ended when it ends, passed or failed."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="run-", dir=os.environ[MARK])
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            if program.process is not None and program.process.poll() is None:
                # Still running: the test failed on the way. Keep a picture
                # of the screen in the working folder for a person.
                picture = os.path.join(os.getcwd(), f"failed-{self.id()}.png")
                try:
                    Image(screen_id()).save(picture)
                    print(f"\nthe screen at the failure: {picture}", file=sys.stderr)
                except Exception as error:
                    print(f"\nno picture of the screen: {error}", file=sys.stderr)
            program.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def program(self, browser=None):
        program = Program(self.folder, browser)
        self.programs.append(program)
        return program

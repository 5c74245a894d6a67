#!/usr/bin/python3
"""Kavrel.exe end to end, under Wine on a virtual display of its own.

    e2e_win32.py KAVREL_EXE DRIVER_EXE [unittest arguments]

The suite makes a Wine prefix of its own (a copy of $WINEPREFIX where that is
a made prefix, else a new one), a virtual X display, a stand-in browser that
records the addresses it is given, and, for printing, a CUPS server of its
own with a PDF printer. Each case runs a private copy of Kavrel.exe in a
folder of its own, where the program keeps kavrel.ini. The driver
(driver.cpp), a second Win32 program in the same prefix, finds the windows
and controls and works them with window messages as another program on
Windows could; the checks are made here, against the requirements' texts,
places and decodes (tests/e2e/desktop.py holds them for both desktop
suites), and against the screen's pixels where only pixels tell: borders,
the separator, icons, and each font, which the driver draws a box's text in
for the suite to find among the box's pixels.

Everything the suite starts it stops; its folder is removed at the end.
KAVREL_E2E_WIN32_KEEP=DIR keeps pictures of the windows and the printed page
in DIR for a person to look at.

    e2e_win32.py KAVREL_EXE DRIVER_EXE [DPI_TEST_EXE] [unittest arguments]

DPI_TEST_EXE, where given, is test_win32_dpi.exe, which builds both windows
in its own process and tells them they have moved to a monitor of another
scale; the suite runs it on its display.
"""
import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from xml.etree import ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import desktop  # noqa: E402  the expected texts and places
import desktop_kit  # noqa: E402
from desktop_kit import Failure, Picture, wait_for  # noqa: E402

KAVREL = DRIVER = DPI_TEST = None  # the built executables, from the command line
TIMEOUT = 30.0

# The display scales the windows are checked at, in dots per inch: 100, 125,
# 150 and 200 %.
SCALES = (96, 120, 144, 192)

# Window messages and styles.
WM_SETTEXT, WM_CLOSE, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_COMMAND = 0x0C, 0x10, 0x100, 0x101, 0x102, 0x111
WM_LBUTTONDOWN, WM_LBUTTONUP, CB_SETCURSEL, CBN_SELCHANGE, VK_TAB, IDOK = 0x201, 0x202, 0x14E, 1, 9, 1
EM_SETSEL = 0xB1
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_SYSMENU, WS_CAPTION = 0x40000, 0x20000, 0x10000, 0x80000, 0xC00000
WS_TABSTOP, WS_VSCROLL, WS_HSCROLL, WS_EX_CLIENTEDGE = 0x10000, 0x200000, 0x100000, 0x200
ES_CENTER, ES_RIGHT, ES_MULTILINE, ES_AUTOVSCROLL, ES_READONLY = 1, 2, 4, 0x40, 0x800
CBS_DROPDOWNLIST, SS_TYPE, SS_ICON = 3, 0x1F, 3

# The program's own ids (ui/win32/ids.h): a control is 100 plus its place in
# its window's table, a menu item 200 plus its place in the menu bar.
FIRST_ID = 100
PRINT, ABOUT = 200, 201

# The main window's boxes beyond the result table: look, alignment,
# read-only, multi-line. The fourteen boxes of the table are cells, left
# aligned and read-only.
BOXES = {
    "ClickNomer": ("input", "centre", False, False), "TextVvedite": ("label", "centre", False, False),
    "TextPrimer": ("label", "centre", True, False), "Text7": ("label", "centre", True, False),
    "TextVnimanie": ("label", "left", True, True), "TextOpredelenie": ("label", "left", True, True),
    "Osibka": ("label", "centre", True, False), "TextLanguag": ("label", "right", True, False),
    "TextPolucheno": ("label", "right", True, False), "www": ("label", "centre", True, False),
}
ALIGN = {"left": 0, "centre": ES_CENTER, "right": ES_RIGHT}

# What the boxes hold when no language is chosen: the texts the window is
# built with.
DESIGN_CAPTIONS = {
    "TextLanguag": "1Language", "TextPolucheno": "1Полученная информация :",
    "TextVvedite": "1Введите серийный номер :", "TextPrimer": "1Пример :",
    "Osibka": "1Ошибка ! Уточните серийный номер", "TextSeriiniiNomer": "1Серийный номер :",
    "TextStrana": "1Страна, город :", "TextZavod": "1Завод изготовитель :", "TextGod": "1Год изготовления :",
    "TextMesiac": "1Месяц изготовления :", "TextSeria": "1Порядковый номер :",
    "TextDataKoda": "1Дата действия кода :",
    "TextOpredelenie": '1Определение информации в серийном номере \r\nкомпрессоров "Bitzer"\r\n',
    "TextVnimanie": "1Внимание : Серийный номер компрессоров Bitzer нигде \r\n"
                    "на его корпусе, кроме как на шильде, не указывается. \r\nСмотрите только на шильдике !\r\n",
}

# The About window's controls in the order of its table, those whose place
# the requirements give with it.
ABOUT_NAMES = ("Image1", "About_Nazvanie", "About_Versia", "Shape1", "About_Avtor_Rus", "About_Adres_Rus", "Text3",
               "About_Adres_Eng", "About_Milo", "About_Sait", "Text1", "Text2")
ABOUT_PLACES = {
    "Image1": (24, 9, 55, 55), "About_Nazvanie": (102, 12, 262, 25), "About_Versia": (102, 48, 262, 16),
    "About_Adres_Rus": (12, 120, 349, 19), "About_Adres_Eng": (12, 180, 349, 19), "About_Milo": (12, 204, 310, 19),
    "About_Sait": (78, 231, 214, 19),
}
ABOUT_TEXT_BOXES = ("About_Avtor_Rus", "About_Adres_Rus", "Text3", "About_Milo", "About_Sait", "Text1", "Text2")

NO_PRINTER = {"ENG": "Nothing was printed: no printer is set up on this computer.",
              "RUS": "Ничего не напечатано: на этом компьютере не настроен принтер."}

# The DLLs that every Windows has, of which Kavrel.exe may import.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "winspool.drv", "msvcrt.dll",
               "advapi32.dll", "comctl32.dll", "comdlg32.dll", "ole32.dll", "shlwapi.dll"}


class Driver:
    """The driver program, one command a line (see driver.cpp)."""

    def __init__(self, env, log):
        self.process = subprocess.Popen(["wine", DRIVER], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=log, text=True, encoding="utf-8")

    def __call__(self, *words):
        self.process.stdin.write(" ".join(map(str, words)) + "\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise Failure(f"the driver ended at {words}")
        reply = json.loads(line)
        if "error" in reply:
            raise Failure(f"the driver did not understand {words}: {reply['error']}")
        return reply

    def stop(self):
        if self.process.poll() is None:
            self.process.stdin.write("quit\n")
            self.process.stdin.close()
            self.process.wait(TIMEOUT)
        self.process.stdout.close()


class Window:
    """A window of the program as the driver reads it."""

    def __init__(self, driver, handle):
        self.driver, self.handle = driver, handle

    def dump(self):
        return self.driver("dump", self.handle)

    def controls(self):
        """{id: control} of the window's controls."""
        return {c["id"]: c for c in self.dump()["children"]}

    def send(self, message, w=0, l=0, control=0):
        return self.driver("send", self.handle, control, message, w, l)["result"]

    def post(self, message, w=0, l=0, control=0):
        return self.driver("post", self.handle, control, message, w, l)["result"]

    def set_text(self, control, text):
        # An empty text is sent as no hex digits at all: the driver reads "-" as nothing.
        return self.driver("settext", self.handle, control, text.encode("utf-8").hex() or "-")

    def click(self, control, rect):
        centre = (rect[3] // 2) << 16 | (rect[2] // 2)
        self.post(WM_LBUTTONDOWN, 1, centre, control)
        self.post(WM_LBUTTONUP, 0, centre, control)


class Kavrel:
    """A private copy of Kavrel.exe, started in its folder."""

    def __init__(self, suite, folder, env, settings=None):
        self.folder = folder
        self.path = desktop_kit.private_copy(KAVREL, folder)
        self.ini = os.path.join(folder, "kavrel.ini")
        if settings is not None:
            with open(self.ini, "w", newline="\r\n") as f:
                f.write(f"[LANG]\nLANG={settings}\n")
        self.driver = suite.driver
        if suite.driver("count", "Kavrel", "Kavrel")["count"]:
            raise Failure("a Kavrel window is still open")
        self.log = open(os.path.join(folder, "kavrel.log"), "w")
        self.process = subprocess.Popen(["wine", self.path], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        found = self.driver("find", "Kavrel", "Kavrel", int(TIMEOUT * 1000))
        if not found["window"]:
            raise Failure("the main window did not appear")
        self.main = Window(self.driver, found["window"])

    def ids(self):
        return {FIRST_ID + i: name for i, name in enumerate(desktop.NAMES)}

    def texts(self):
        """{name: text} of the main window's text boxes."""
        named = self.ids()
        return {named[i]: c["text"] for i, c in self.main.controls().items() if named.get(i) != "Languag"}

    def control(self, name):
        return self.main.controls()[FIRST_ID + desktop.NAMES.index(name)]

    def id(self, name):
        return FIRST_ID + desktop.NAMES.index(name)

    def caret_to_end(self):
        end = len(self.control("ClickNomer")["text"])
        self.main.send(EM_SETSEL, end, end, self.id("ClickNomer"))

    def choose_language(self, index):
        """As a user's pick: the selection, then the list's notice to the window."""
        combo = self.control("Languag")
        self.main.send(CB_SETCURSEL, index, 0, self.id("Languag"))
        self.main.send(WM_COMMAND, CBN_SELCHANGE << 16 | self.id("Languag"), combo["hwnd"])

    def about(self):
        found = self.driver("find", "About", "About", int(TIMEOUT * 1000))
        return Window(self.driver, found["window"]) if found["window"] else None

    def close(self):
        """WM_CLOSE, as the close box sends it: the program must end by itself."""
        self.main.post(WM_CLOSE)
        try:
            status = self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after WM_CLOSE") from None
        self.log.close()
        if status != 0:
            raise Failure(f"the program ended with status {status}")

    def stored(self):
        """The lines of kavrel.ini that hold anything, without their ends
        (Wine's profile functions write CR LF and drop blank lines)."""
        with open(self.ini, encoding="latin-1") as f:
            return [line.strip() for line in f if line.strip()]

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Session:
    """The suite's folder, display, prefix and driver."""

    display = prefix = driver = log = None

    def __init__(self):
        self.base = tempfile.mkdtemp(prefix="kavrel-win32-")
        try:
            self.start()
        except BaseException:
            self.stop()
            raise

    def start(self):
        os.chmod(self.base, 0o755)  # a print server's filters run as lp
        # Room for the main window at 200 %.
        self.display = desktop_kit.VirtualDisplay(self.base, "1600x1200")
        # The driver is the prefix's browser: the shell hands it the address
        # as the program gave it (winebrowser, Wine's own, would end it in a
        # "/" on the way to a browser of the desktop's).
        self.opened = os.path.join(self.base, "opened")
        os.mkdir(self.opened)
        windows = desktop_kit.WinePrefix.windows_path
        handler = f'"{windows(DRIVER)}" record "{windows(self.opened)}" "%1"'
        registry = [r"[HKEY_CLASSES_ROOT\http\shell\open\command]", "@=" + desktop_kit.WinePrefix.reg_string(handler)]
        self.prefix = desktop_kit.WinePrefix(os.path.join(self.base, "prefix"), os.environ.get("WINEPREFIX"),
                                             registry)
        # A print server that does not exist unless a case starts one: the
        # machine's own printers are never used.
        self.env = self.prefix.env(DISPLAY=self.display.name,
                                   CUPS_SERVER=os.path.join(self.base, "no-print-server.sock"))
        self.log = open(os.path.join(self.base, "driver.log"), "w")
        self.driver = Driver(self.env, self.log)
        self.runs = 0
        self.keep = os.environ.get("KAVREL_E2E_WIN32_KEEP")
        if self.keep:
            os.makedirs(self.keep, exist_ok=True)

    def scale(self, dpi):
        """Programs started from now on, the driver included, find the
        display at `dpi` dots per inch."""
        self.prefix.set_dpi(dpi)
        self.driver.stop()
        self.driver = Driver(self.env, self.log)

    def addresses(self):
        """What the stand-in browser was given, in the order given."""
        found = sorted(glob.glob(os.path.join(self.opened, "*.url")), key=os.path.getmtime)
        addresses = []
        for path in found:
            with open(path, encoding="utf-8") as f:
                addresses.append(f.read())
        return addresses

    def folder(self):
        self.runs += 1
        path = os.path.join(self.base, f"run{self.runs}")
        os.makedirs(path)
        return path

    def screen(self, name=None):
        picture = Picture.grab(env=self.env)
        if self.keep and name:
            picture.save(os.path.join(self.keep, name + ".ppm"))
        return picture

    def stop(self):
        """Whatever was started, stopped: Wine's processes before the display."""
        try:
            if self.driver:
                self.driver.stop()
        finally:
            if self.prefix:
                self.prefix.stop()
            if self.display:
                self.display.stop()
            if self.log:
                self.log.close()
            shutil.rmtree(self.base, ignore_errors=True)


SESSION = None


def setUpModule():
    global SESSION
    SESSION = Session()


def tearDownModule():
    if SESSION:
        SESSION.stop()


class WindowsTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.started = []

    def tearDown(self):
        for program in self.started:
            if program.process.poll() is None:
                # Still running: the case failed on the way. A picture of the
                # screen stays in the working folder for a person.
                try:
                    SESSION.screen().save(os.path.join(os.getcwd(), f"failed-{self.id()}.ppm"))
                finally:
                    program.kill()

    def start(self, settings=None, env=None):
        program = Kavrel(SESSION, SESSION.folder(), env or SESSION.env, settings)
        self.started.append(program)
        return program

    def shows(self, program, serial, language):
        """Every text box for an input and a language, the error line shown
        exactly while the number is not decoded in full, the list's choice."""
        expected = desktop.expected_texts(serial, language)
        self.assertEqual(program.texts(), expected)
        self.assertEqual(program.control("Osibka")["visible"], serial not in desktop.DECODED)
        self.assertEqual(program.control("Languag")["selected"], ["ENG", "RUS"].index(language))

    def client(self, window, picture=None):
        """The client area's pixels on the screen."""
        x, y, width, height = window.dump()["client"]
        return (picture or SESSION.screen()).crop(x, y, width, height)

    def assert_fixed_frame(self, dump, width, height):
        style = dump["style"]
        self.assertEqual(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU)
        self.assertEqual(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0, "resizable or min/max box")
        self.assertEqual(dump["client"][2:], [width, height])
        # Centred in the work area, to the pixel that halving rounds away.
        wl, wt, ww, wh = dump["work"]
        left, top, outer_width, outer_height = dump["rect"]
        self.assertLessEqual(abs(2 * left + outer_width - (2 * wl + ww)), 1, dump["rect"])
        self.assertLessEqual(abs(2 * top + outer_height - (2 * wt + wh)), 1, dump["rect"])

    def assert_icon_in_caption(self, window, picture, dpi=96):
        """The program icon's image of the caption's size at `dpi`, as the
        executable holds it, in the window's title bar."""
        dump = window.dump()
        left, top, width, _ = dump["rect"]
        size = scaled(16, dpi)
        small = self.file_icon(icon_side(size), size)
        caption = (left, top, width, dump["client"][1] - top)
        self.assertTrue(picture.find(small, caption), f"no program icon in the title bar of {dump['title']} at {dpi}")

    def drawn(self, text, points, bold, ink, back, dpi=96):
        """A line of text as the driver draws it in Arial (points 0: in the
        system's dialog font) at `dpi`."""
        line = SESSION.driver("text", text.encode().hex(), points, int(bold), "0x%02x%02x%02x" % ink,
                              "0x%02x%02x%02x" % back, dpi)
        return Picture(line["width"], line["height"], bytes.fromhex(line["pixels"]))

    def assert_texts_in_their_boxes(self, program, dpi=96):
        """A box's text as the driver lays it out and draws it (Uniscribe, as
        an edit control does) in Arial at the box's size and weight at `dpi`,
        in its colours, must be among the box's pixels, wholly inside the box,
        where its alignment puts it. Leaves the input box empty."""
        # The input box's caret goes with the focus, to the next box.
        program.main.post(WM_KEYDOWN, VK_TAB, 1, program.id("ClickNomer"))
        wait_for(lambda: program.main.dump()["focus"] != program.id("ClickNomer"), TIMEOUT, "the focus to move")
        rows = (("ClickNomer", 14.25, False, "input"), ("TextPolucheno", 9.75, False, "label"),
                ("SeriiniiNomer", 9.75, False, "cell"), ("www", 9.75, True, "label"),
                ("TextLanguag", 9.75, False, "label"), ("Osibka", 12, False, "label"))
        for name, points, bold, look in rows:
            if name == "Osibka":
                program.main.set_text(program.id("ClickNomer"), "")  # the error line shows
            with self.subTest(name, dpi=dpi):
                client = self.client(program.main)
                face = client.pixel(scaled(3, dpi), scaled(360, dpi))
                back = (255, 255, 255) if look != "label" else face
                ink = (255, 0, 0) if name == "Osibka" else (0, 0, 0)
                line = self.drawn(program.control(name)["text"], points, bold, ink, back, dpi)
                left, top, width, height = program.control(name)["rect"]
                found = client.find(line, (left, top, width, height))
                self.assertTrue(found, f"{name}: its text is not drawn in Arial {points} pt at {dpi} dpi")
                x, y = found[0]
                self.assertLessEqual((x + line.width, y + line.height), (left + width, top + height), name)
                align = BOXES.get(name, ("cell", "left"))[1]
                if align == "centre":
                    self.assertLessEqual(abs(2 * x + line.width - (2 * left + width)), scaled(3, dpi), (name, x))
                elif align == "right":
                    self.assertLessEqual(left + width - (x + line.width), scaled(8, dpi), (name, x))
                else:
                    self.assertLessEqual(x - left, scaled(8, dpi), (name, x))

    def file_icon(self, loaded, drawn):
        icon = SESSION.driver("fileicon", desktop_kit.WinePrefix.windows_path(KAVREL).encode().hex(), loaded, drawn)
        self.assertEqual(icon["width"], drawn, "the executable's icon cannot be loaded")
        return Picture(drawn, drawn, bytes.fromhex(icon["pixels"]))


def scaled(pixels, dpi):
    """Pixels at 96 dpi at `dpi`, to the nearest."""
    return (pixels * dpi + 48) // 96


def inked(picture, back):
    """`picture` cut to the rectangle that holds every pixel not of `back`."""
    rows = [y for y in range(picture.height) if picture.row(y, 0, picture.width) != bytes(back) * picture.width]
    columns = [x for x in range(picture.width)
               if any(picture.pixel(x, y) != back for y in range(rows[0], rows[-1] + 1))]
    return picture.crop(columns[0], rows[0], columns[-1] + 1 - columns[0], rows[-1] + 1 - rows[0])


def icon_sides():
    """The sides of the images in the program icon (ui/icons/kavrel.ico)."""
    with open(os.path.join(ROOT, "ui", "icons", "kavrel.ico"), "rb") as f:
        data = f.read()
    return sorted(data[6 + 16 * i] or 256 for i in range(struct.unpack_from("<H", data, 4)[0]))


def icon_side(size):
    """The image that is drawn at `size`: the smallest at least as large."""
    return next((side for side in icon_sides() if side >= size), icon_sides()[-1])


class Executable(WindowsTest):

    def assert_self_contained(self, path):
        """A program that needs only the DLLs of Windows itself beside it."""
        headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", "-h", path], check=True, text=True,
                                 stdout=subprocess.PIPE).stdout
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imported, "no imports read")
        self.assertLessEqual(imported, SYSTEM_DLLS, path)
        self.assertNotIn(".debug_info", headers, f"{path} is not stripped")

    def test_one_self_contained_file(self):
        self.assertLessEqual(os.path.getsize(KAVREL), 1024 * 1024)
        self.assert_self_contained(KAVREL)
        # What users download: the same file, the batch decoder and a text for them.
        zips = glob.glob(os.path.join(os.path.dirname(KAVREL), "Kavrel-*-windows.zip"))
        self.assertEqual(len(zips), 1, zips)
        with zipfile.ZipFile(zips[0]) as z:
            self.assertEqual(sorted(z.namelist()), ["Kavrel.exe", "README.txt", "kavrel-decode.exe"])
            with open(KAVREL, "rb") as f:
                self.assertEqual(z.read("Kavrel.exe"), f.read())
            decoder = os.path.join(SESSION.base, "kavrel-decode.exe")
            with open(decoder, "wb") as f:
                f.write(z.read("kavrel-decode.exe"))
            self.assert_self_contained(decoder)
            text = z.read("README.txt")
            for said in (b"kavrel.ini", b"kavrel-decode --format csv", b"--bom", b"Excel"):
                self.assertIn(said, text)
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), "README.txt needs CR LF line ends for Notepad")

    def test_manifest(self):
        # Aware of each monitor's scale, in every form Windows has known, run
        # with the user's own rights, and nothing else.
        text = SESSION.driver("manifest", desktop_kit.WinePrefix.windows_path(KAVREL).encode().hex())["text"]
        self.assertTrue(text, "Kavrel.exe has no manifest")
        root = ElementTree.fromstring(text.encode("utf-8"))
        v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        ws2005, ws2016 = ("{http://schemas.microsoft.com/SMI/%s/WindowsSettings}" % year for year in (2005, 2016))
        self.assertEqual({element.tag for element in root.iter()}, {
            v1 + "assembly", v3 + "trustInfo", v3 + "security", v3 + "requestedPrivileges",
            v3 + "requestedExecutionLevel", v3 + "application", v3 + "windowsSettings", ws2005 + "dpiAware",
            ws2016 + "dpiAwareness"})
        self.assertEqual(root.find(f".//{v3}requestedExecutionLevel").attrib, {"level": "asInvoker", "uiAccess": "false"})
        self.assertEqual(root.find(f".//{ws2005}dpiAware").text, "true/pm")
        self.assertEqual(root.find(f".//{ws2016}dpiAwareness").text, "PerMonitorV2, PerMonitor")
        # The icon holds an image for each size a window asks for from 100 to 200 %.
        self.assertLessEqual({16, 20, 24, 32, 40, 48, 64}, set(icon_sides()))

    def test_version_block(self):
        version = SESSION.driver("version", desktop_kit.WinePrefix.windows_path(KAVREL).encode().hex())
        self.assertTrue(version["found"])
        self.assertEqual(version["file"], [2, 0, 0, 0])
        self.assertEqual(version["product"], [2, 0, 0, 0])
        strings = version["strings"]
        description = 'Information defection in serial number of compressors "Bitzer"'
        for name, value in (("FileVersion", "2.00"), ("ProductVersion", "2.00"), ("FileDescription", description),
                            ("Comments", description), ("ProductName", "Kavrel"), ("InternalName", "Kavrel"),
                            ("OriginalFilename", "Kavrel.exe")):
            self.assertEqual(strings.get(name), value, name)
        for name in ("CompanyName", "LegalCopyright", "LegalTrademarks"):
            self.assertTrue(strings.get(name), name)


class MainWindow(WindowsTest):

    def test_first_start(self):
        program = self.start()
        main = program.main.dump()
        self.assertEqual((main["class"], main["title"], main["owner"], main["menu"]), ("Kavrel", "Kavrel", 0, True))
        self.assert_fixed_frame(main, 616, 392)
        # The 25 controls in tab order, which is their order among siblings.
        self.assertEqual([c["id"] for c in main["children"]], list(program.ids()))
        for c in main["children"]:
            name = program.ids()[c["id"]]
            with self.subTest(name):
                self.assertEqual(tuple(c["rect"]), desktop.PLACE[name])
                self.assertTrue(c["style"] & WS_TABSTOP)
                self.assertFalse(c["style"] & (WS_VSCROLL | WS_HSCROLL))
                if name == "Languag":
                    self.assertEqual((c["class"].lower(), c["style"] & 3), ("combobox", CBS_DROPDOWNLIST))
                    self.assertEqual(c["items"], ["ENG", "RUS"])
                    continue
                look, align, read_only, lines = BOXES.get(name, ("cell", "left", True, False))
                self.assertEqual(c["class"].lower(), "edit")
                self.assertEqual(c["style"] & 3, ALIGN[align])
                self.assertEqual(bool(c["style"] & ES_READONLY), read_only)
                self.assertEqual(bool(c["style"] & ES_MULTILINE), lines)
                self.assertFalse(c["style"] & ES_AUTOVSCROLL)
                self.assertEqual(bool(c["exstyle"] & WS_EX_CLIENTEDGE), look == "input")
        self.assertEqual(main["focus"], program.id("ClickNomer"))
        self.shows(program, "15700940", "ENG")

        picture = SESSION.screen("kavrel-eng")
        client = self.client(program.main, picture)
        # The engraved separator, grey over white, across the client area.
        self.assertEqual(client.row(0, 0, 616), bytes(desktop_kit.GREY) * 616)
        self.assertEqual(client.row(1, 0, 616), bytes(desktop_kit.WHITE) * 616)
        # Borders as EDIT controls draw them (they keep WS_BORDER out of
        # their style): a cell's line is dark on all four sides around white,
        # the input box's sunken edge dark at the left and light at the right.
        face = client.pixel(3, 360)
        for name in ("TextSeriiniiNomer", "Strana", "DataKoda"):
            left, top, width, height = desktop.PLACE[name]
            edges = [client.pixel(left, top + height // 2), client.pixel(left + width - 1, top + height // 2),
                     client.pixel(left + width // 2, top), client.pixel(left + width // 2, top + height - 1)]
            self.assertTrue(all(sum(p) < sum(face) - 60 for p in edges), (name, edges, face))
            self.assertEqual(client.pixel(left + width - 3, top + 3), (255, 255, 255), name)
        left, top, width, height = desktop.PLACE["ClickNomer"]
        dark, light = client.pixel(left, top + height // 2), client.pixel(left + width - 1, top + height // 2)
        self.assertLess(sum(dark), sum(light) - 150, (dark, light))
        self.assertEqual(client.pixel(left + width - 6, top + 6), (255, 255, 255))
        # A label reads as plain text on the window; the hidden error line
        # shows no red.
        left, top, width, height = desktop.PLACE["TextPolucheno"]
        self.assertEqual(client.pixel(left + 2, top + 2), face)
        self.assertNotIn((255, 0, 0), {client.pixel(x, y) for x in range(285, 607, 3) for y in range(162, 181)})
        self.assert_icon_in_caption(program.main, picture)

        program.close()
        self.assertEqual(program.stored(), ["[LANG]", "LANG=0"])

    def test_fonts_colours_and_alignment(self):
        program = self.start()
        self.assert_texts_in_their_boxes(program)
        program.close()

    def test_key_filter(self):
        program = self.start()
        box = program.id("ClickNomer")

        def typed(codes, text, decoded=True):
            # WM_CHAR sent to the box itself reaches the key filter at once;
            # a refused key must also not decode, which a result box set to
            # a mark by hand tells: any decode would overwrite it.
            program.main.set_text(program.id("SeriiniiNomer"), "mark")
            for code in codes:
                program.main.send(WM_CHAR, code, 1, box)
            self.assertEqual(program.control("ClickNomer")["text"], text, codes)
            if decoded:
                self.shows(program, text, "ENG")
            else:
                self.assertEqual(program.control("SeriiniiNomer")["text"], "mark", f"{codes} ran a decode")

        program.caret_to_end()
        typed([8] * 8, "")
        typed([ord(c) for c in "1065100088"], "1065100088")
        # Letters, blanks, punctuation, Enter, Escape, the codes of copy,
        # paste, cut and undo and a Cyrillic letter are all refused.
        for code in (ord("a"), ord("Z"), ord(" "), ord("-"), ord("."), ord("/"), ord(":"), 13, 27, 3, 22, 24, 26,
                     0x416, 127):
            typed([code], "1065100088", decoded=False)
        # Sixteen characters at most; Backspace frees a place.
        typed([ord(c) for c in "123456"], "1065100088123456")
        typed([ord("7")], "1065100088123456", decoded=False)
        typed([8], "106510008812345")
        typed([ord("7")], "1065100088123457")
        # A text that comes by other means (a paste) is taken whole, and decoded.
        program.main.set_text(box, "15700940" + desktop.GMBH)
        self.shows(program, "15700940" + desktop.GMBH, "ENG")
        program.main.set_text(box, "157009")
        self.shows(program, "157009", "ENG")
        program.caret_to_end()

        # Through the message loop, as keys reach it: posted characters, then
        # keys of the X server's keyboard. A refused key is followed by one
        # that is taken: the text after that tells whether it changed anything.
        for code in (ord("4"), ord("x"), ord("0")):
            program.main.post(WM_CHAR, code, 1, box)
        wait_for(lambda: program.control("ClickNomer")["text"] == "15700940", TIMEOUT, "the posted keys")
        self.shows(program, "15700940", "ENG")
        x_window = wait_for(lambda: self.x_window("Kavrel"), TIMEOUT, "the X window")[0]
        env = SESSION.env
        subprocess.run(["xdotool", "windowfocus", "--sync", str(x_window)], env=env, check=True, timeout=TIMEOUT)
        subprocess.run(["xdotool", "key", "--delay", "40", "End", "BackSpace", "BackSpace", "a", "space", "4"], env=env,
                       check=True, timeout=TIMEOUT)
        wait_for(lambda: program.control("ClickNomer")["text"] == "1570094", TIMEOUT, "the keys typed")
        self.shows(program, "1570094", "ENG")
        subprocess.run(["xdotool", "key", "0"], env=env, check=True, timeout=TIMEOUT)
        wait_for(lambda: program.control("ClickNomer")["text"] == "15700940", TIMEOUT, "the key typed")
        program.close()

    @staticmethod
    def x_window(title):
        from Xlib import display
        d = display.Display(SESSION.display.name)
        try:
            return desktop_kit.find_all(d, title)
        finally:
            d.close()

    def test_tab_order(self):
        # Tab pressed in each control in turn, as the message loop gets it,
        # from the input box round to it again; read-only boxes included.
        program = self.start()
        # The error line is hidden while the number decodes, and hidden
        # controls take no focus.
        reachable = [n for n in desktop.NAMES if n != "Osibka"]
        self.assertFalse(program.control("Osibka")["visible"])
        order = []

        def moved(before):
            now = program.main.dump()["focus"]
            return now if now != before else None
        for _ in reachable:
            focused = program.main.dump()["focus"]
            program.main.post(WM_KEYDOWN, VK_TAB, 1, focused)
            program.main.post(WM_KEYUP, VK_TAB, 0xC0000001, focused)
            order.append(wait_for(lambda: moved(focused), TIMEOUT, f"the focus to leave {program.ids()[focused]}"))
        self.assertEqual([program.ids()[i] for i in order], reachable[1:] + ["ClickNomer"])
        self.shows(program, "15700940", "ENG")
        program.close()

    def test_language_and_the_next_starts(self):
        program = self.start()
        program.choose_language(1)
        self.shows(program, "15700940", "RUS")
        program.main.set_text(program.id("ClickNomer"), "1065100088")
        self.shows(program, "1065100088", "RUS")
        SESSION.screen("kavrel-rus")
        program.choose_language(0)
        self.shows(program, "1065100088", "ENG")
        program.choose_language(1)
        program.close()
        self.assertEqual(program.stored(), ["[LANG]", "LANG=1"])

        # A start from each stored value: the language it selects, and what
        # the closing writes back. Values other than -1, 0 and 1 start in
        # English.
        for stored, index, written in (("1", 1, "1"), ("0", 0, "0"), ("-1", -1, "-1"), ("7", 0, "0"), ("", 0, "0"),
                                       ("RUS", 0, "0")):
            with self.subTest(stored=stored):
                program = self.start(settings=stored)
                if index >= 0:
                    self.shows(program, "15700940", ["ENG", "RUS"][index])
                else:
                    # Nothing chosen: the captions as the window was built,
                    # the results in the decoder's English.
                    expected = desktop.expected_texts("15700940", "ENG")
                    expected.update(DESIGN_CAPTIONS)
                    self.assertEqual(program.texts(), expected)
                    self.assertEqual(program.control("Languag")["selected"], -1)
                    SESSION.screen("kavrel-none")
                program.close()
                self.assertEqual(program.stored(), ["[LANG]", f"LANG={written}"])


class AboutWindow(WindowsTest):

    def test_about_site_and_closing(self):
        program = self.start()
        program.main.send(WM_COMMAND, ABOUT)
        program.main.send(WM_COMMAND, ABOUT)
        about = program.about()
        self.assertIsNotNone(about, "no About window")
        self.assertEqual(SESSION.driver("count", "About", "About")["count"], 1, "more than one About window")
        dump = about.dump()
        self.assertEqual(dump["foreground"], about.handle, "the About window is not in front")
        self.assertEqual((dump["class"], dump["owner"], dump["menu"]), ("About", 0, False))
        self.assert_fixed_frame(dump, 372, 341)
        controls = {ABOUT_NAMES[c["id"] - FIRST_ID]: c for c in dump["children"]}
        self.assertNotIn("Shape1", controls, "the frame is drawn, not a window")
        for name, place in ABOUT_PLACES.items():
            self.assertEqual(tuple(controls[name]["rect"]), place, name)
        self.assertEqual(controls["Image1"]["style"] & SS_TYPE, SS_ICON)
        self.assertEqual((controls["About_Nazvanie"]["text"], controls["About_Versia"]["text"]),
                         ("Kavrel", "Version 2"))
        self.assertEqual(controls["About_Sait"]["text"], desktop.SITE)
        self.assertTrue(controls["About_Milo"]["text"].startswith("E-mail: "))
        for name in ABOUT_TEXT_BOXES:
            self.assertEqual(controls[name]["class"].lower(), "edit", name)
            self.assertTrue(controls[name]["style"] & ES_READONLY, name)
        # The first text box in tab order has the keyboard.
        self.assertEqual(ABOUT_NAMES[dump["focus"] - FIRST_ID], "About_Avtor_Rus")

        # The icon stretched over Image1, as the executable holds it, and in
        # the title bar.
        picture = SESSION.screen("about")
        x, y, _, _ = dump["client"]
        left, top, width, height = ABOUT_PLACES["Image1"]
        # Drawn from the image at least as large, not an enlarged smaller one.
        self.assertEqual(picture.crop(x + left, y + top, width, height).rgb, self.file_icon(icon_side(55), 55).rgb)
        self.assert_icon_in_caption(about, picture)
        # The title in dark green Arial, 14.25 points, bold.
        title = self.drawn("Kavrel", 14.25, True, (0, 128, 0), (255, 255, 255))
        self.assertTrue(picture.find(title, (x + 102, y + 12, 262, 25)), "the title is not drawn as it should be")

        # Typing into a box and switching the language change nothing here.
        before = about.dump()["children"]
        about.send(WM_CHAR, ord("9"), 1, FIRST_ID + ABOUT_NAMES.index("About_Milo"))
        program.choose_language(1)
        self.assertEqual(about.dump()["children"], before)

        # The site lines of both windows open the site.
        about.click(FIRST_ID + ABOUT_NAMES.index("About_Sait"), controls["About_Sait"]["rect"])
        wait_for(lambda: SESSION.addresses(), TIMEOUT, "the address in the browser")
        program.main.click(program.id("www"), program.control("www")["rect"])
        opened = wait_for(lambda: len(SESSION.addresses()) == 2 and SESSION.addresses(), TIMEOUT,
                          "the second address in the browser")
        self.assertEqual(opened, ["http://" + desktop.SITE] * 2)

        # Closed by its close box, it is made anew next time, centred again.
        about.post(WM_CLOSE)
        wait_for(lambda: SESSION.driver("count", "About", "About")["count"] == 0, TIMEOUT, "the About window to go")
        program.main.send(WM_COMMAND, ABOUT)
        again = program.about()
        self.assertNotEqual(again.handle, about.handle)
        self.assert_fixed_frame(again.dump(), 372, 341)

        # Closing the main window closes both.
        program.close()
        self.assertEqual(SESSION.driver("count", "About", "About")["count"], 0)
        self.assertEqual(program.stored(), ["[LANG]", "LANG=1"])


class DisplayScales(WindowsTest):
    """Both windows at each display scale, as Windows users meet them: the
    client areas, every control's place and size, the fonts, the separator
    and the icons at the display's resolution, nothing cut off."""

    def setUp(self):
        super().setUp()
        self.addCleanup(SESSION.scale, 96)

    def assert_places(self, dump, expected, dpi, names):
        """Each control's rectangle is the table's times the scale, within a
        pixel (two at 200 %)."""
        slack = 2 if dpi >= 192 else 1
        for c in dump["children"]:
            name = names[c["id"] - FIRST_ID]
            if name in expected:
                want = [scaled(v, dpi) for v in expected[name]]
                self.assertLessEqual(max(abs(a - b) for a, b in zip(c["rect"], want)), slack, (name, c["rect"], want))

    def test_windows_at_each_scale(self):
        for dpi in SCALES:
            with self.subTest(dpi=dpi):
                SESSION.scale(dpi)
                program = self.start()
                try:
                    self.check_main_window(program, dpi)
                    self.check_about(program, dpi)
                    program.close()
                finally:
                    program.kill()

    def test_moved_to_another_scale(self):
        # Both windows, in a process of the test's own, told they have moved
        # to monitors of other scales.
        if not DPI_TEST:
            self.skipTest("test_win32_dpi.exe not given")
        folder = SESSION.folder()
        # Into a file: a pipe would stay open in Wine's own processes.
        with open(os.path.join(folder, "output.txt"), "w+") as output:
            run = subprocess.run(["wine", desktop_kit.private_copy(DPI_TEST, folder)], cwd=folder, env=SESSION.env,
                                 stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT, timeout=120)
            output.seek(0)
            self.assertEqual(run.returncode, 0, output.read()[-3000:])

    def check_main_window(self, program, dpi):
        main = program.main.dump()
        self.assert_fixed_frame(main, scaled(616, dpi), scaled(392, dpi))
        self.assert_places(main, desktop.PLACE, dpi, desktop.NAMES)
        rects = {program.ids()[c["id"]]: c["rect"] for c in main["children"]}
        # The cells of a result row share one border line.
        for label, value in (("TextSeriiniiNomer", "SeriiniiNomer"), ("TextDataKoda", "DataKoda")):
            self.assertEqual(rects[label][0] + rects[label][2] - 1, rects[value][0], (label, value))
        picture = SESSION.screen(f"kavrel-{dpi}")
        client = self.client(program.main, picture)
        width = client.width
        # The separator's two lines, each in whole pixels.
        line = max(1, scaled(1, dpi))
        for y in range(2 * line + 1):
            colour = desktop_kit.GREY if y < line else desktop_kit.WHITE if y < 2 * line else None
            if colour:
                self.assertEqual(client.row(y, 0, width), bytes(colour) * width, (dpi, y))
            else:
                self.assertNotEqual(client.row(y, 0, width), bytes(desktop_kit.WHITE) * width, (dpi, y))
        self.assert_icon_in_caption(program.main, picture, dpi)
        # "ENG" whole in the closed language list: its letters in the dialog
        # font, every pixel of them.
        eng = inked(self.drawn("ENG", 0, False, (0, 0, 0), (255, 255, 255), dpi), (255, 255, 255))
        self.assertTrue(client.find(eng, rects["Languag"]), f"no whole ENG in the language list at {dpi} dpi")
        if dpi != 96:  # at 96 dpi MainWindow looks at every font
            self.assert_texts_in_their_boxes(program, dpi)

    def check_about(self, program, dpi):
        program.main.send(WM_COMMAND, ABOUT)
        about = program.about()
        dump = about.dump()
        self.assert_fixed_frame(dump, scaled(372, dpi), scaled(341, dpi))
        self.assert_places(dump, ABOUT_PLACES, dpi, ABOUT_NAMES)
        picture = SESSION.screen(f"about-{dpi}")
        x, y, _, _ = dump["client"]
        image = next(c["rect"] for c in dump["children"] if c["id"] == FIRST_ID + ABOUT_NAMES.index("Image1"))
        left, top, width, height = image
        self.assertEqual(width, height, "Image1 is not square")
        self.assertEqual(picture.crop(x + left, y + top, width, height).rgb,
                         self.file_icon(icon_side(width), width).rgb, f"Image1 at {dpi} dpi")
        self.assert_icon_in_caption(about, picture, dpi)
        title = self.drawn("Kavrel", 14.25, True, (0, 128, 0), (255, 255, 255), dpi)
        place = next(c["rect"] for c in dump["children"] if c["id"] == FIRST_ID + ABOUT_NAMES.index("About_Nazvanie"))
        self.assertTrue(picture.find(title, (x + place[0], y + place[1], place[2], place[3])),
                        f"the About window's title is not drawn at {dpi} dpi")
        about.post(WM_CLOSE)
        wait_for(lambda: SESSION.driver("count", "About", "About")["count"] == 0, TIMEOUT, "the About window to go")


class Printing(WindowsTest):

    def look(self, program):
        """The window's texts and its client area's pixels, the input box
        left out (its text cursor blinks)."""
        picture = self.client(program.main)
        left, top, width, height = desktop.PLACE["ClickNomer"]
        blink = {y * picture.width + x for y in range(top, top + height) for x in range(left, left + width)}
        return program.main.dump(), picture, blink

    def message_after_print(self, program, shot=None):
        """Chooses Print, reads the message that comes, closes it, and checks
        that the window is as it was; the message's first line."""
        before, picture, blink = self.look(program)
        program.main.post(WM_COMMAND, PRINT)
        boxes = wait_for(lambda: SESSION.driver("owned", program.main.handle, "#32770")["windows"], TIMEOUT,
                         "the message")
        self.assertEqual(len(boxes), 1)
        self.assertEqual(boxes[0]["title"], "Kavrel")
        text = next(c["text"] for c in boxes[0]["children"] if c["class"].lower() == "static" and c["text"])
        if shot:
            SESSION.screen(shot)
        Window(SESSION.driver, boxes[0]["window"]).post(WM_COMMAND, IDOK)
        wait_for(lambda: not SESSION.driver("owned", program.main.handle, "#32770")["windows"], TIMEOUT,
                 "the message to close")
        after, picture_after, _ = self.look(program)
        self.assertEqual(after["children"], before["children"])
        self.assertEqual(after["rect"], before["rect"])
        self.assertEqual(desktop_kit.differing(picture, picture_after, 0, blink), set())
        return text.split("\n")[0]

    def test_same_page_at_a_larger_scale(self):
        # Printed at 150 %, the window keeps its size and place on the page
        # and is drawn from its larger picture.
        server = desktop_kit.PrintServer(os.path.join(SESSION.base, "cups-scales"), tag="kavrel-win32-scales")
        pdfs = {}
        try:
            server.start()
            out = os.path.join(SESSION.base, "pdf-scales")
            server.add_pdf_printer("PDF", out)
            server.run("lpadmin", "-d", "PDF")
            env = dict(SESSION.env, CUPS_SERVER=server.socket, CUPS_SERVERROOT=server.root)
            for dpi in (96, 144):
                SESSION.scale(dpi)
                program = self.start(env=env)
                before = set(glob.glob(os.path.join(out, "*.pdf")))
                program.main.post(WM_COMMAND, PRINT)
                pdfs[dpi] = wait_for(lambda: set(glob.glob(os.path.join(out, "*.pdf"))) - before, TIMEOUT,
                                     f"the page printed at {dpi} dpi").pop()
                wait_for(lambda: all(state == "ended" for state in server.jobs().values()), TIMEOUT, "the job to end")
                program.close()
        finally:
            server.stop()
            SESSION.scale(96)
        self.assertEqual({dpi: image_sizes(pdf) for dpi, pdf in pdfs.items()},
                         {96: [(616, 392)], 144: [(924, 588)]})
        pages = {dpi: page_at_96(pdf, SESSION.base) for dpi, pdf in pdfs.items()}
        if SESSION.keep:
            for dpi, page in pages.items():
                page.save(os.path.join(SESSION.keep, f"page-{dpi}.ppm"))
        areas = {dpi: printed_area(page) for dpi, page in pages.items()}
        self.assertLessEqual(max(abs(a - b) for a, b in zip(areas[96], areas[144])), 1, areas)
        # The same window: its texts are drawn at each scale's resolution
        # (and the note wraps elsewhere), so blocks of 8 x 8 pixels are
        # compared, by their mean brightness.
        self.assertLess(block_difference(pages[96], pages[144], areas[96]), 8)

    def test_without_a_printer(self):
        program = self.start()
        for language, index in (("ENG", 0), ("RUS", 1)):
            with self.subTest(language):
                program.choose_language(index)
                self.assertEqual(self.message_after_print(program, f"no-printer-{language}"), NO_PRINTER[language])
        self.assertEqual(SESSION.driver("count", "About", "About")["count"], 0)
        program.close()

    def test_one_page_on_the_default_printer(self):
        server = desktop_kit.PrintServer(os.path.join(SESSION.base, "cups"), tag="kavrel-win32")
        try:
            server.start()
            out = os.path.join(SESSION.base, "pdf-out")
            server.add_pdf_printer("PDF", out)
            server.run("lpadmin", "-d", "PDF")
            program = self.start(env=dict(SESSION.env, CUPS_SERVER=server.socket, CUPS_SERVERROOT=server.root))
            start_picture = self.look(program)[1]
            # A number of its own, so that the page must show what was typed.
            program.main.set_text(program.id("ClickNomer"), "1065100088")
            before, picture, blink = self.look(program)
            program.main.post(WM_COMMAND, PRINT)
            pdfs = wait_for(lambda: glob.glob(os.path.join(out, "*.pdf")), TIMEOUT, "the printed page")
            wait_for(lambda: server.jobs() and all(s == "ended" for s in server.jobs().values()), TIMEOUT,
                     "the job to end")
            time.sleep(1.0)  # room for a second job or a message, which must not come
            self.assertEqual(len(server.jobs()), 1, server.jobs())
            self.assertEqual(len(glob.glob(os.path.join(out, "*.pdf"))), 1)
            self.assertEqual(SESSION.driver("owned", program.main.handle, "#32770")["windows"], [])
            info = subprocess.run(["pdfinfo", pdfs[0]], check=True, stdout=subprocess.PIPE, text=True).stdout
            self.assertRegex(info, r"(?m)^Pages:\s+1$")

            raster = os.path.join(SESSION.base, "page")
            subprocess.run(["pdftoppm", "-r", "96", "-singlefile", pdfs[0], raster], check=True)
            with open(raster + ".ppm", "rb") as f:
                page = Picture.from_ppm(f.read())
            if SESSION.keep:
                page.save(os.path.join(SESSION.keep, "page.ppm"))
            corner = desktop_kit.find_separator(page, 616, 96, 8)
            self.assertIsNotNone(corner, "no separator within an inch of the page's corner")
            # Half an inch from the top-left corner, 48 pixels at 96 dpi.
            self.assertLessEqual(max(abs(corner[0] - 48), abs(corner[1] - 48)), 1, corner)
            printed, size = desktop_kit.printed_image(pdfs[0], corner, SESSION.base, 616, 392)
            self.assertLess(max(abs(size[0] - 616), abs(size[1] - 392)), 1, size)
            mismatch = desktop_kit.differing(printed, picture, 8, blink)
            self.assertLessEqual(len(mismatch), 616 * 392 // 1000, "the page does not show the window")
            # The same comparison tells the window at the start from the printed one.
            self.assertGreater(len(desktop_kit.differing(printed, start_picture, 8, blink)), 1000)
            after, picture_after, _ = self.look(program)
            self.assertEqual(after["children"], before["children"])
            self.assertEqual(desktop_kit.differing(picture, picture_after, 0, blink), set())

            # A printer that refuses the job: the message says so, and no page comes.
            server.run("cupsreject", "PDF")
            self.assertEqual(self.message_after_print(program),
                             'Nothing was printed: the printer "PDF" did not take the page.')
            self.assertEqual(len(glob.glob(os.path.join(out, "*.pdf"))), 1)
            program.close()
        finally:
            server.stop()


def page_at_96(pdf, folder):
    """The first page of `pdf` rendered at 96 dpi."""
    out = os.path.join(folder, os.path.basename(pdf) + "-96")
    subprocess.run(["pdftoppm", "-r", "96", "-singlefile", pdf, out], check=True)
    with open(out + ".ppm", "rb") as f:
        return Picture.from_ppm(f.read())


def image_sizes(pdf):
    """(width, height) in pixels of each image on the pages of `pdf`."""
    listing = subprocess.run(["pdfimages", "-list", pdf], check=True, stdout=subprocess.PIPE, text=True).stdout
    return [tuple(int(v) for v in line.split()[3:5]) for line in listing.splitlines()[2:] if line.strip()]


def printed_area(page):
    """Left, top, right and bottom of what is printed on a page: every
    pixel that is not paper white."""
    rows = [y for y in range(page.height) if page.row(y, 0, page.width) != bytes(desktop_kit.WHITE) * page.width]
    columns = [x for x in range(page.width)
               if any(page.pixel(x, y) != desktop_kit.WHITE for y in range(rows[0], rows[-1] + 1, 3))]
    return columns[0], rows[0], columns[-1] + 1, rows[-1] + 1


def block_difference(a, b, area, side=8):
    """The mean difference in brightness (0 to 255) of the blocks of
    `side` x `side` pixels that tile `area` (left, top, right, bottom) in
    pictures `a` and `b`."""
    left, top, right, bottom = area

    def brightness(picture, x0, y0):
        return sum(sum(picture.row(y, x0, side)) for y in range(y0, y0 + side)) / (3 * side * side)
    blocks = [(x, y) for y in range(top, bottom - side + 1, side) for x in range(left, right - side + 1, side)]
    return sum(abs(brightness(a, x, y) - brightness(b, x, y)) for x, y in blocks) / len(blocks)


def main():
    global KAVREL, DRIVER, DPI_TEST
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    KAVREL, DRIVER = (os.path.abspath(p) for p in sys.argv[1:3])
    rest = sys.argv[3:]
    if rest and rest[0].endswith(".exe"):
        DPI_TEST = os.path.abspath(rest.pop(0))
    result = unittest.main(module=__name__, argv=[sys.argv[0], *rest], verbosity=2, exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

"""What the project's desktop tests and benchmarks share: waiting on a
condition, the program's windows on an X display (found by title, asked to
close as a window manager's close box asks, watched for their first paint),
a private copy of a program in a folder of its own (the program keeps its
settings file beside itself), a virtual display, a Wine prefix of a run's
own, pictures (screen grabs, printed pages) and their comparison, and a CUPS
print server of a test's own.

Used by tests/e2e/desktop.py, tests/print/e2e_print.py, bench/startup.py,
the Windows end-to-end suite (tests/ui/win32/e2e_win32.py), the Wine
benchmark (bench/startup_wine.py) and scripts/xwin.py (its command line).
"""
import os
import shutil
import subprocess
import time

from Xlib import X, display, error, protocol

PPD = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"


class Failure(AssertionError):
    pass


def wait_for(probe, timeout=20.0, what="the condition", step=0.05, tolerate=()):
    """Polls probe() until it returns a true value and returns that value.
    Exceptions of the kinds in `tolerate` count as "not yet" (a window or an
    object that is coming or going)."""
    end = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = probe()
        except AssertionError:
            raise
        except tolerate as problem:
            last = problem
        else:
            if last:
                return last
        if time.monotonic() > end:
            raise Failure(f"waited {timeout:.0f} s for {what}; last seen: {last!r}")
        time.sleep(step)


def within(probe, timeout, tolerate=()):
    """wait_for's answer, or None where `timeout` passes first."""
    try:
        return wait_for(probe, timeout, tolerate=tolerate)
    except Failure:
        return None


def end(process, timeout):
    """A process of the run's own ended: asked first, killed if it stays."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def private_copy(source, folder):
    """The executable copied into `folder` (made if missing); its path."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, os.path.basename(source))
    if not os.path.exists(path):
        shutil.copy2(source, path)
    return path


# --- Windows on the X display ------------------------------------------------

def title(d, win):
    """A window's title (its _NET_WM_NAME, else WM_NAME), or None."""
    try:
        name = win.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if name is not None:
            return name.value.decode("utf-8", "replace")
        wm = win.get_wm_name()
        return wm if isinstance(wm, str) else None
    except error.XError:
        return None


def find_all(d, name=None):
    """Ids of the mapped top-level windows titled exactly `name` (any, for
    None), bottom to top."""
    found = []
    for win in d.screen().root.query_tree().children:
        try:
            if win.get_attributes().map_state == X.IsViewable and (name is None or title(d, win) == name):
                found.append(win.id)
        except error.XError:
            pass
    return found


def wait(name, timeout=20.0):
    """The id of a window titled `name` once one is mapped, or None."""
    d = display.Display()
    found = within(lambda: find_all(d, name), timeout)
    return found[0] if found else None


def top_windows(name=None):
    """find_all on a connection of its own."""
    d = display.Display()
    try:
        return find_all(d, name)
    finally:
        d.close()


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=60, stdin=subprocess.DEVNULL)


def close(wid):
    d = display.Display()
    win = d.create_resource_object("window", wid)
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=win, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    win.send_event(event, event_mask=X.NoEventMask)
    d.flush()


def gone(wid, timeout=20.0):
    """Whether the window is destroyed within `timeout`."""
    win = display.Display().create_resource_object("window", wid)

    def destroyed():
        try:
            win.get_attributes()
        except error.BadWindow:
            return True
        return False
    return within(destroyed, timeout) is not None


def painted(wid, timeout=10.0):
    """Whether the window shows more than one colour within `timeout`."""
    win = display.Display().create_resource_object("window", wid)

    def two_colours():
        geometry = win.get_geometry()
        image = win.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
        return len(set(image.data[i:i + 4] for i in range(0, len(image.data), 4 * 97))) > 1
    return within(two_colours, timeout, tolerate=(error.XError,)) is not None


# --- A virtual display ---------------------------------------------------------

class VirtualDisplay:
    """Xvfb on a display number it chooses itself (-displayfd), so that runs
    side by side never meet; 1024 x 768 (or `size`) at 24 bits and 96 dpi."""

    def __init__(self, log_folder, size="1024x768"):
        read, write = os.pipe()
        self.log = open(os.path.join(log_folder, "xvfb.log"), "w")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset", "-dpi", "96"],
            pass_fds=(write,), stdout=self.log, stderr=subprocess.STDOUT)
        os.close(write)
        with os.fdopen(read) as numbers:
            number = numbers.readline().strip()
        if not number or self.process.poll() is not None:
            self.stop()
            raise Failure(f"Xvfb did not start; see {self.log.name}")
        self.name = f":{number}"

    def stop(self):
        end(self.process, 10)
        self.log.close()


# --- A Wine prefix of the run's own ----------------------------------------------

WINE_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"  # no Mono, Gecko or menu entries


class WinePrefix:
    """A Wine prefix in `path`, copied from a made one where `template`
    names it (a copy takes seconds, making one about fifteen), set up for
    programs on a display without a window manager: Wine draws the frames
    itself and the fonts Wine ships are in the prefix. `registry` holds more
    lines of a REGEDIT4 file to apply, section headers included."""

    def __init__(self, path, template=None, registry=()):
        self.path = path
        if template and os.path.exists(os.path.join(template, "system.reg")):
            subprocess.run(["cp", "-a", template, path], check=True)
        else:
            os.makedirs(path, exist_ok=True)
            self.run("wineboot", "--init")
            self.run("wineserver", "-w")
        fonts = os.path.join(path, "drive_c", "windows", "Fonts")
        for name in os.listdir("/usr/share/wine/fonts"):
            shutil.copy(os.path.join("/usr/share/wine/fonts", name), fonts)
        self.set_registry([r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', "", *registry])

    def set_registry(self, lines):
        """Applies `lines` of a REGEDIT4 file, section headers included."""
        reg = os.path.join(self.path, "kavrel-settings.reg")
        with open(reg, "w", encoding="utf-8") as f:
            f.write("\r\n".join(["REGEDIT4", "", *lines]) + "\r\n")
        self.run("wine", "regedit", "/S", self.windows_path(reg))

    def set_dpi(self, dpi):
        """The display scale, in dots per inch, that programs started from
        now on find (Wine reads it as a program starts)."""
        self.set_registry([r"[HKEY_CURRENT_USER\Control Panel\Desktop]", f'"LogPixels"=dword:{dpi:08x}'])

    @staticmethod
    def reg_string(text):
        """A text as a quoted REGEDIT4 string value."""
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    def env(self, base=None, **extra):
        env = dict(base if base is not None else os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                   WINEDLLOVERRIDES=WINE_OVERRIDES, **extra)
        return env

    def run(self, *args):
        subprocess.run(list(args), env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)

    def stop(self):
        """Ends every Wine process of this prefix, and its server."""
        self.run("wineserver", "-k")

    @staticmethod
    def windows_path(path):
        """A Unix path as Wine's drive Z: shows it."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")


# --- Pictures ------------------------------------------------------------------

class Picture:
    """RGB pixels, as read from a binary PPM file."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure(f"not an 8-bit PPM picture: {fields}")
        width, height = int(fields[1]), int(fields[2])
        rgb = data[pos + 1:pos + 1 + 3 * width * height]
        return Picture(width, height, rgb)

    @staticmethod
    def grab(window="root", env=None):
        """What the X server shows of a window (an id, or the whole screen)."""
        data = subprocess.run(["/usr/bin/import", "-window", str(window), "-depth", "8", "ppm:-"], check=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env).stdout
        return Picture.from_ppm(data)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def row(self, y, x, width):
        i = 3 * (y * self.width + x)
        return self.rgb[i:i + 3 * width]

    def crop(self, x, y, width, height):
        return Picture(width, height, b"".join(self.row(y + r, x, width) for r in range(height)))

    def find(self, other, area=None):
        """Top-left corners where `other` appears exactly, within area
        (left, top, width, height) or anywhere."""
        left, top, width, height = area or (0, 0, self.width, self.height)
        first = other.row(0, 0, other.width)
        found = []
        for y in range(top, min(top + height, self.height - other.height + 1)):
            line = self.row(y, left, min(width, self.width - left))
            at = line.find(first)
            while at >= 0:
                if at % 3 == 0:
                    x = left + at // 3
                    if x + other.width <= self.width and self.crop(x, y, other.width, other.height).rgb == other.rgb:
                        found.append((x, y))
                at = line.find(first, at + 1)
        return found

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.rgb)


def differing(a, b, tolerance, mask=None):
    """Pixels of two equal-sized pictures whose channels differ by more than
    tolerance; pixels in mask (a set of indices) are not compared."""
    if (a.width, a.height) != (b.width, b.height):
        raise Failure(f"pictures differ in size: {a.width}x{a.height} and {b.width}x{b.height}")
    out = set()
    ra, rb = a.rgb, b.rgb
    if ra == rb:
        return out
    for i in range(0, len(ra), 3):
        if (abs(ra[i] - rb[i]) > tolerance or abs(ra[i + 1] - rb[i + 1]) > tolerance
                or abs(ra[i + 2] - rb[i + 2]) > tolerance):
            if mask is None or i // 3 not in mask:
                out.add(i // 3)
    return out


GREY, WHITE = (128, 128, 128), (255, 255, 255)


def near(pixel, colour, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def find_separator(page, width, reach, tolerance):
    """Top-left corner of a window's image on a page: the first place,
    within reach pixels of the page's top-left corner, where a grey row as
    wide as the window (the separator under its menu bar) lies on a white
    one."""
    for y in range(min(reach, page.height - 1)):
        for x in range(min(reach, page.width - width + 1)):
            if all(near(page.pixel(x + i, y), GREY, tolerance) and near(page.pixel(x + i, y + 1), WHITE, tolerance)
                   for i in range(width)):
                return x, y
    return None


def printed_image(pdf, corner, folder, width, height):
    """A window's image as printed, one value per screen pixel, and its size
    in screen pixels; `corner` is where find_separator found it at 96 dpi.

    pdftoppm smooths an image it draws at about its own size (at 96 dpi the
    image spans one pixel more each way), but draws each image pixel as a
    solid block from four times that size on. So the page is rendered at
    384 dpi around the place found at 96 dpi, and each block is read at its
    centre."""
    scale = 4
    x0, y0 = (scale * c - 2 * scale for c in corner)
    out = os.path.join(folder, "page-384")
    subprocess.run(["pdftoppm", "-r", str(96 * scale), "-x", str(x0), "-y", str(y0), "-W",
                    str(scale * (width + 4)), "-H", str(scale * (height + 4)), "-singlefile", pdf, out], check=True)
    with open(out + ".ppm", "rb") as f:
        big = Picture.from_ppm(f.read())
    # The separator's grey row gives the left, right and top edges; the last
    # row that is not the page's white, the bottom one.
    top = next((y for y in range(big.height) if big.pixel(3 * scale, y) == GREY), None)
    if top is None:
        raise Failure("no separator at 384 dpi where it was at 96 dpi")
    grey = [x for x in range(big.width) if big.pixel(x, top) == GREY]
    left, right = grey[0], grey[-1]
    bottom = max(y for y in range(big.height) if big.pixel(left + scale, y) != WHITE)
    sx = (right + 1 - left) / width
    sy = (bottom + 1 - top) / height
    size = (right + 1 - left) / scale, (bottom + 1 - top) / scale
    rows = []
    for j in range(height):
        y = top + int((j + 0.5) * sy)
        rows.append(b"".join(big.row(y, left + int((i + 0.5) * sx), 1) for i in range(width)))
    return Picture(width, height, b"".join(rows)), size


# --- A print server of the test's own ------------------------------------------

class PrintServer:
    """cupsd with a configuration, spool, logs and socket of its own.

    cups-pdf reads its settings from /etc/cups, a folder fixed in the
    backend. The server therefore runs in a mount namespace of its own in
    which a private folder is mounted over /etc/cups; the machine's /etc/cups
    stays as it is and no other process sees the change. Where namespaces are
    not allowed, the settings go to /etc/cups under names of this run's own
    and are removed at the end."""

    def __init__(self, base, tag="kavrel-e2e"):
        self.base = base
        self.root = os.path.join(base, "server")
        self.socket = os.path.join(base, "cups.sock")
        self.logs = os.path.join(base, "logs")
        self.pdf_settings = os.path.join(base, "cups-pdf")
        self.tag = f"{tag}-{os.getpid()}"
        self.process = None
        self.settings_dir = None
        self.written = []
        for d in (self.root, self.logs, self.pdf_settings, os.path.join(base, "spool", "tmp"),
                  os.path.join(base, "cache"), os.path.join(base, "state"), os.path.join(base, "pdf-spool")):
            os.makedirs(d)
        with open(os.path.join(self.root, "cups-files.conf"), "w") as f:
            f.write(f"""ServerRoot {self.root}
RequestRoot {base}/spool
TempDir {base}/spool/tmp
CacheDir {base}/cache
StateDir {base}/state
ErrorLog {self.logs}/error_log
AccessLog {self.logs}/access_log
PageLog {self.logs}/page_log
Printcap {base}/printcap
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
User lp
Group lp
SystemGroup root
FileDevice No
""")
        # Anyone on the private socket may do anything.
        with open(os.path.join(self.root, "cupsd.conf"), "w") as f:
            f.write(f"""Listen {self.socket}
Browsing No
BrowseLocalProtocols none
WebInterface No
LogLevel info
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
""")

    def env(self):
        env = dict(os.environ, CUPS_SERVER=self.socket, CUPS_SERVERROOT=self.root)
        for name in ("LPDEST", "PRINTER"):
            env.pop(name, None)
        return env

    def run(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(args)}: {result.stderr.strip()}")
        return result.stdout

    def start(self):
        command = ["/usr/sbin/cupsd", "-f", "-c", os.path.join(self.root, "cupsd.conf"),
                   "-s", os.path.join(self.root, "cups-files.conf")]
        probe = subprocess.run(["unshare", "--mount", "--propagation", "private", "true"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if probe.returncode == 0:
            self.settings_dir = self.pdf_settings
            command = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                       'mount --bind "$0" /etc/cups && exec "$@"', self.pdf_settings, *command]
        else:
            print("note: no mount namespace here; cups-pdf settings go to /etc/cups for this run")
            self.settings_dir = "/etc/cups"
        self.process = subprocess.Popen(command, stdout=open(os.path.join(self.logs, "cupsd.out"), "w"),
                                        stderr=subprocess.STDOUT)
        wait_for(lambda: self.process.poll() is not None or
                 "scheduler is running" in self.run("lpstat", "-r", check=False), 20, "the print server")
        if self.process.poll() is not None:
            raise Failure(f"cupsd stopped at once; see {self.logs}")

    def stop(self):
        if self.process:
            end(self.process, 20)
        for path in self.written:
            if os.path.exists(path):
                os.remove(path)

    def add_pdf_printer(self, name, out, **options):
        """A cups-pdf queue writing its PDF files to out."""
        uri_name = f"{self.tag}-{name}"
        path = os.path.join(self.settings_dir, f"cups-pdf-{uri_name}.conf")
        with open(path, "w") as f:
            f.write(f"Out {out}\nAnonDirName {out}\nSpool {self.base}/pdf-spool\nLog {self.logs}\nGrp root\n")
        if self.settings_dir == "/etc/cups":
            self.written.append(path)
        args = ["lpadmin", "-p", name, "-E", "-v", f"cups-pdf:/{uri_name}", "-P", PPD]
        for key, value in options.items():
            args += ["-o", f"{key.replace('_', '-')}={value}"]
        self.run(*args)

    def jobs(self):
        """Every job the server has seen: {id: state word}."""
        found = {}
        for line in self.run("lpstat", "-W", "all", "-o").splitlines():
            job = line.split()[0]
            found[job] = "?"
        for line in self.run("lpstat", "-W", "completed", "-o").splitlines():
            found[line.split()[0]] = "ended"
        for line in self.run("lpstat", "-o").splitlines():
            found[line.split()[0]] = "waiting"
        return found

    def page_log(self, job_number):
        """Pages and name of a job, as the page log records them."""
        path = os.path.join(self.logs, "page_log")
        if not os.path.exists(path):
            return None
        # PRINTER USER JOB [DATE TZ] total PAGES BILLING HOST NAME MEDIA SIDES
        for line in open(path):
            fields = line.split()
            if len(fields) > 9 and fields[2] == str(job_number) and fields[5] == "total":
                return int(fields[6]), fields[9]
        return None

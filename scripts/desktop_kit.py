"""What the project's desktop tests and benchmarks share: waiting on a
condition, the program's windows on an X display (found by title, asked to
close as a window manager's close box asks, watched for their first paint),
a private copy of a program in a folder of its own (the program keeps its
settings file beside itself), and a CUPS print server of a test's own.

Used by tests/e2e/desktop.py, tests/print/e2e_print.py, bench/startup.py,
the Windows end-to-end suite and scripts/xwin.py (its command line).
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


def find_all(d, name):
    """Ids of the mapped top-level windows titled exactly `name`, bottom to top."""
    found = []
    for win in d.screen().root.query_tree().children:
        try:
            if win.get_attributes().map_state == X.IsViewable and title(d, win) == name:
                found.append(win.id)
        except error.XError:
            pass
    return found


def find(d, name):
    found = find_all(d, name)
    return d.create_resource_object("window", found[0]) if found else None


def wait(name, timeout=20.0):
    d = display.Display()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        win = find(d, name)
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
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
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

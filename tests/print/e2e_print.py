#!/usr/bin/python3
"""Printing as a user does it, on a real print server.

  e2e_print.py PROGRAM

Starts a CUPS server of its own (own configuration, spool, logs and socket in
a temporary folder; the machine's print system is neither used nor changed)
with a PDF printer (cups-pdf) as the default destination, runs a private copy
of PROGRAM on a virtual display, chooses "Print" by clicking the menu item,
and checks that one job with one page comes out and that the page shows the
window as a grab of the screen shows it. Then it checks what the user sees
when there is no print server at all, and when the printer fails in the ways
a print server reports: stopped, refusing jobs, refusing this user, a device
that cannot be written, a printer stopped while the page waits, printers but
no default; that a page held longer than the program follows a job is left
to the server without a word; and that a print server which takes the
connection and never answers does not hold the window. Each time the window
must stay as it was.

The print server and its PDF backend run as root: as another user the test
says why it is skipped and exits with 77. Everything it starts it stops, and
its temporary folder is removed; KAVREL_E2E_PRINT_KEEP=DIR copies the page,
the window grabs and the server's logs to DIR for a person to look at.
"""
import errno
import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "scripts")
sys.path.insert(0, SCRIPTS)
from desktop_kit import Failure, Picture as Image, PrintServer, differing, top_windows, wait_for, xdotool  # noqa: E402
import desktop_kit  # noqa: E402
CLIENT_WIDTH, CLIENT_HEIGHT = 616, 392
INPUT_BOX = (375, 48, 232, 28)  # where the text cursor blinks, in the client area


def check(condition, what):
    if not condition:
        raise Failure(what)
    print(f"ok: {what}")


# --- Pictures -----------------------------------------------------------

def client_area(window_picture):
    # The menu bar is on top; the client area fills the rest of the window.
    return window_picture.crop(0, window_picture.height - CLIENT_HEIGHT, CLIENT_WIDTH, CLIENT_HEIGHT)


# --- The X display and the screen reader's view -----------------------------

def park_pointer():
    # Away from every window, so that no control shows a hover look.
    xdotool("mousemove", "--sync", 1023, 767)


def click(extents):
    x, y, width, height = extents
    xdotool("mousemove", "--sync", x + width // 2, y + height // 2)
    xdotool("click", 1)
    park_pointer()


def accessible_tree(node):
    yield node
    for child in node:
        if child is not None:
            yield from accessible_tree(child)


class Screen:
    """The program's windows as a screen reader reads them (AT-SPI)."""

    def __init__(self):
        import pyatspi
        self.pyatspi = pyatspi
        pyatspi.Registry.getDesktop(0)  # starts the registry before any program

    def application(self, name):
        for app in self.pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        return None

    def frames(self, app_name, role):
        app = self.application(app_name)
        return [w for w in app if w is not None and w.getRoleName() == role] if app else []

    def texts(self, app_name):
        """Name and text of every box of the main window, in order."""
        frame = self.frames(app_name, "frame")[0]
        seen = []
        for node in accessible_tree(frame):
            role = node.getRoleName()
            if role in ("text", "combo box"):
                try:
                    text = node.queryText().getText(0, -1)
                except NotImplementedError:
                    text = ""
                seen.append((role, node.name, text))
        return seen

    def menu_item(self, app_name, name):
        frame = self.frames(app_name, "frame")[0]
        for node in accessible_tree(frame):
            if node.getRoleName() == "menu item" and node.name == name:
                return node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        raise Failure(f"no menu item {name!r}")

    def message(self, app_name):
        """Texts and OK button of the open message window, or None."""
        for dialog in self.frames(app_name, "alert") + self.frames(app_name, "dialog"):
            labels, ok = [], None
            for node in accessible_tree(dialog):
                if node.getRoleName() == "label" and node.name:
                    labels.append(node.name)
                elif node.getRoleName() == "push button" and node.name == "OK":
                    ok = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
            return labels, ok
        return None


# --- The program ---------------------------------------------------------------

class Program:
    """A private copy of the program, running on the display."""

    def __init__(self, source, folder, env):
        self.name = os.path.basename(source)
        self.path = desktop_kit.private_copy(source, folder)
        home = os.path.join(folder, "home")
        os.makedirs(home)
        env = dict(env, HOME=home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("QT_QPA_PLATFORM", None)
        self.process = subprocess.Popen([self.path], cwd=folder, env=env)
        self.wid = desktop_kit.wait("Kavrel", 30)
        if self.wid is None:
            raise Failure("the main window did not appear")
        if not desktop_kit.painted(self.wid, 10):
            raise Failure("the main window was not painted")

    def close(self):
        desktop_kit.close(self.wid)
        try:
            return self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after a close request")

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()


class Session:
    def __init__(self, program_source, base):
        self.source = program_source
        self.base = base
        self.screen = Screen()
        self.runs = 0
        self.program = None

    def start(self, env):
        self.runs += 1
        park_pointer()
        self.program = Program(self.source, os.path.join(self.base, f"run{self.runs}"), env)
        wait_for(lambda: self.screen.frames(self.program.name, "frame"), 20, "the window in the accessibility tree")
        return self.program

    def stop(self):
        if self.program:
            status = self.program.close()
            check(status == 0, f"the program ends with status 0 after a close request (got {status})")
            self.program = None

    def kill(self):
        if self.program:
            self.program.kill()
            self.program = None

    # What the user sees of the window: its texts, and its picture apart
    # from pixels that change by themselves (the blinking text cursor).
    # The cursor blinks once a second; the shots span more than that.
    def look(self):
        shots = [Image.grab(self.program.wid)]
        end = time.monotonic() + 1.6
        while time.monotonic() < end:
            time.sleep(0.15)
            shots.append(Image.grab(self.program.wid))
        blinking = set()
        for shot in shots[1:]:
            blinking |= differing(shots[0], shot, 0)
        picture = shots[0]
        top = picture.height - CLIENT_HEIGHT
        x, y, width, height = INPUT_BOX
        outside = [i for i in blinking
                   if not (x <= i % picture.width < x + width and y <= i // picture.width - top < y + height)]
        if outside:
            raise Failure(f"{len(outside)} pixels outside the input box change by themselves")
        return {"texts": self.screen.texts(self.program.name), "picture": picture, "blinking": blinking}

    def check_unchanged(self, before, what):
        now = self.screen.texts(self.program.name)
        check(now == before["texts"], f"{what}: every text of the window is as before")
        changed = differing(before["picture"], Image.grab(self.program.wid), 0, before["blinking"])
        check(not changed, f"{what}: the window looks as before ({len(changed)} pixels changed, "
                           f"{len(before['blinking'])} blinking ones left out)")

    def choose_print(self):
        click(self.screen.menu_item(self.program.name, "Print"))

    def message_after_print(self, what):
        """Chooses Print, waits for the message, reads it, closes it."""
        before = self.look()
        self.choose_print()
        message = wait_for(lambda: self.screen.message(self.program.name), 20, f"{what}: the message")
        wait_for(lambda: len(top_windows("Kavrel")) == 2, 5, f"{what}: the message's window")
        check(self.program.wid in top_windows("Kavrel"),
              f"{what}: a second window titled \"Kavrel\" is on the screen")
        labels, ok = message
        print(f"    message: {labels}")
        check(ok is not None, f"{what}: the message has an OK button")
        click(ok)
        wait_for(lambda: self.screen.message(self.program.name) is None, 30, f"{what}: the message to close")
        wait_for(lambda: len(top_windows("Kavrel")) == 1, 30, f"{what}: its window to go")
        self.check_unchanged(before, what)
        return labels


# --- The checks --------------------------------------------------------------------

def print_on_pdf_printer(session, server, out, keep):
    """One page on the default PDF printer, showing the window."""
    program = session.start(server.env())
    default_look = session.look()
    # A number other than the one the window starts with, so that the page
    # must show what the user typed.
    xdotool("windowfocus", "--sync", program.wid)
    xdotool("key", "End", *["BackSpace"] * 8)
    xdotool("type", "1065100088")
    wait_for(lambda: ("text", "Enter the serial number", "1065100088")
             in session.screen.texts(program.name), 30, "the typed number")
    before = session.look()
    grab = client_area(before["picture"])
    check(before["texts"] != default_look["texts"], "the typed number changed the results")

    jobs_before = server.jobs()
    session.choose_print()
    new_job = wait_for(lambda: [j for j in server.jobs() if j not in jobs_before], 30, "a job")
    wait_for(lambda: all(server.jobs()[j] == "ended" for j in new_job), 60, "the job to finish")
    time.sleep(1.0)  # room for a second job, which must not come
    jobs = {j: s for j, s in server.jobs().items() if j not in jobs_before}
    check(len(jobs) == 1, f"exactly one job was made ({sorted(jobs)})")
    job = next(iter(jobs))
    check(jobs[job] == "ended", f"the job {job} ended")
    job_number = int(job.rsplit("-", 1)[1])
    logged = server.page_log(job_number)
    check(logged == (1, "Kavrel"), f"the page log counts one page for the job, called Kavrel ({logged})")
    pdfs = glob.glob(os.path.join(out, "*.pdf"))
    check(len(pdfs) == 1, f"one PDF file came out ({[os.path.basename(p) for p in pdfs]})")
    info = subprocess.run(["pdfinfo", pdfs[0]], check=True, stdout=subprocess.PIPE, text=True).stdout
    check(re.search(r"^Pages:\s+1$", info, re.M) is not None, "the PDF file has one page")
    check(top_windows("Kavrel") == [program.wid], "no message came up")

    # The page at the screen's 96 dots per inch.
    raster = os.path.join(session.base, "page")
    subprocess.run(["pdftoppm", "-r", "96", "-singlefile", pdfs[0], raster], check=True)
    page = Image.from_ppm(open(raster + ".ppm", "rb").read())
    if keep:
        page.save(os.path.join(keep, "page.ppm"))
        shutil.copy(pdfs[0], os.path.join(keep, "page.pdf"))
        before["picture"].save(os.path.join(keep, "window.ppm"))
    corner = desktop_kit.find_separator(page, CLIENT_WIDTH, 96, 8)
    check(corner is not None, "the page shows the separator: a grey row over a white one, as wide as the window, "
                              "within an inch of the top-left corner")
    x, y = corner
    print(f"    the window's image starts {x} px from the left and {y} px from the top of the page "
          f"({page.width} x {page.height} px at 96 dpi)")
    printed, (width, height) = desktop_kit.printed_image(pdfs[0], corner, session.base, CLIENT_WIDTH, CLIENT_HEIGHT)
    check(abs(width - CLIENT_WIDTH) < 1 and abs(height - CLIENT_HEIGHT) < 1,
          f"the image has its natural size, 96 pixels to the inch ({width:.2f} x {height:.2f} pixels at 96 dpi)")
    if keep:
        printed.save(os.path.join(keep, "printed.ppm"))
    # Allow for rounding in the print filters, not for anything a person
    # would see.
    mismatch = differing(printed, grab, 8, before["blinking"])
    exact = differing(printed, grab, 0, before["blinking"])
    print(f"    {len(exact)} of {CLIENT_WIDTH * CLIENT_HEIGHT} pixels differ from the grab of the screen, "
          f"{len(mismatch)} by more than 8 levels")
    check(len(mismatch) <= CLIENT_WIDTH * CLIENT_HEIGHT // 1000, "the page shows the window as the screen does")
    other = differing(printed, client_area(default_look["picture"]), 8)
    check(len(other) > 1000 + 10 * len(mismatch),
          f"the same comparison tells the window at start from the printed one ({len(other)} pixels differ)")
    # At 96 dpi the image's edges spread by a pixel.
    right, bottom = x + CLIENT_WIDTH + 1, y + CLIENT_HEIGHT + 1
    rest = [page.crop(0, 0, page.width, y), page.crop(0, y, x, page.height - y),
            page.crop(right, y, page.width - right, page.height - y), page.crop(x, bottom, right - x, page.height - bottom)]
    check(all(part.rgb.count(255) == len(part.rgb) for part in rest), "the rest of the page is blank")
    session.check_unchanged(before, "after printing")
    session.stop()


def print_without_server(session, base):
    """No print server runs: the message, and nothing changed."""
    env = dict(os.environ, CUPS_SERVER=os.path.join(base, "no-server.sock"), CUPS_SERVERROOT=base)
    session.start(env)
    labels = session.message_after_print("without a print server")
    check(labels[:1] == ["Nothing was printed: no printer is set up on this computer."],
          "without a print server: the message says that nothing was printed and why")
    session.stop()


def print_with_silent_server(session, base):
    """A print server that takes the connection and never answers: Print
    gives up after a few seconds with the no-printer message and the
    system's words for a time-out, and the window stays as it was. The
    message is waited for generously: the point is that it comes at all."""
    path = os.path.join(base, "silent.sock")
    silent = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        silent.bind(path)
        silent.listen(16)  # connections wait in the backlog and are never taken
        session.start(dict(os.environ, CUPS_SERVER=path, CUPS_SERVERROOT=base))
        labels = session.message_after_print("a print server that never answers")
        check(labels[:1] == ["Nothing was printed: no printer is set up on this computer."],
              "a print server that never answers: the message says that no printer is there")
        words = os.strerror(errno.ETIMEDOUT)
        check(words in labels[1:], f"a print server that never answers: the message adds {words!r}")
        session.stop()
    finally:
        silent.close()


def held_page_let_go(session, server, base):
    """A page that waits past the time the program follows a job (cut short
    for the test): the program lets go of it without a word, and the job
    stays with the print server."""
    follow = 2
    server.add_pdf_printer("Waiting", os.path.join(base, "waiting-out"), job_hold_until_default="indefinite")
    server.run("lpadmin", "-d", "Waiting")
    session.start(dict(server.env(), KAVREL_PRINT_FOLLOW_SECONDS=str(follow)))
    name = session.program.name
    # Focused first: a click on the menu focuses the window, and with no
    # message to close the text cursor would then be new to the picture.
    xdotool("windowfocus", "--sync", session.program.wid)
    before = session.look()
    jobs = server.jobs()
    session.choose_print()
    held = wait_for(lambda: [j for j in server.jobs() if j.startswith("Waiting-") and j not in jobs], 30,
                    "the held job")
    time.sleep(follow + 3)
    # A program still following the job would now withdraw it and say that
    # the printer is stopped, as it does for the printer "Held".
    server.run("cupsdisable", "Waiting")
    time.sleep(3)
    check(session.screen.message(name) is None and top_windows("Kavrel") == [session.program.wid],
          "a page held past the follow time: no message, even once the printer is stopped")
    check(server.jobs().get(held[0]) == "waiting", f"the held job {held[0]} is left to the print server")
    session.check_unchanged(before, "a page held past the follow time")
    session.stop()


def failing_printers(session, server, base):
    """Printers that fail, as the print server reports it."""
    session.start(server.env())
    name = session.program.name

    def expect(what, first_line, detail=None):
        labels = session.message_after_print(what)
        check(labels[:1] == [first_line], f"{what}: the message says {first_line!r}")
        if detail is not None:
            check(any(detail in label for label in labels[1:]), f"{what}: the message gives the server's words")

    jobs = server.jobs()
    server.run("cupsdisable", "PDF")
    expect("a stopped printer", 'Nothing was printed: the printer "PDF" is stopped.')
    server.run("cupsenable", "PDF")
    server.run("cupsreject", "PDF")
    expect("a printer refusing jobs", 'Nothing was printed: the printer "PDF" does not accept jobs.')
    server.run("cupsaccept", "PDF")
    check(server.jobs() == jobs, "no job was made for a stopped or refusing printer")

    server.run("lpadmin", "-p", "PDF", "-u", "deny:root")
    expect("a printer this user may not print on", 'Nothing was printed: the printer "PDF" did not take the page.',
           "Not allowed to print.")
    server.run("lpadmin", "-p", "PDF", "-u", "allow:all")
    check(server.jobs() == jobs, "no job was made when the server refused it")

    # cups-pdf cannot make its output folder: it cancels the job.
    blocker = os.path.join(base, "not-a-folder")
    open(blocker, "w").close()
    server.add_pdf_printer("Broken", os.path.join(blocker, "out"))
    server.run("lpadmin", "-d", "Broken")
    expect("a device that cannot be written", 'Nothing was printed: the printer "Broken" could not print the page.')
    broken_jobs = [j for j in server.jobs() if j.startswith("Broken-")]
    check(len(broken_jobs) == 1, f"the page was handed over once ({broken_jobs})")

    # The page waits (held) and the printer is stopped meanwhile: the job is
    # withdrawn, so that a page announced as not printed never comes out.
    server.add_pdf_printer("Held", os.path.join(base, "held-out"), job_hold_until_default="indefinite")
    server.run("lpadmin", "-d", "Held")
    before = session.look()
    session.choose_print()
    held = wait_for(lambda: [j for j in server.jobs() if j.startswith("Held-")], 30, "the held job")
    time.sleep(0.5)
    check(session.screen.message(name) is None, "no message while the page waits")
    server.run("cupsdisable", "Held")
    message = wait_for(lambda: session.screen.message(name), 20, "the message")
    print(f"    message: {message[0]}")
    check(message[0][:1] == ['Nothing was printed: the printer "Held" is stopped.'],
          "a printer stopped while the page waits: the message says so")
    click(message[1])
    wait_for(lambda: len(top_windows("Kavrel")) == 1, 30, "the message to close")
    session.check_unchanged(before, "a printer stopped while the page waits")
    # Held, it cannot have been printed: ended means cancelled.
    wait_for(lambda: server.jobs().get(held[0]) == "ended", 20, "the job to be withdrawn")
    print(f"ok: the waiting job {held[0]} was cancelled")

    # Printers, but none of them the default.
    server.run("lpadmin", "-x", "Held")
    expect("no default printer", "Nothing was printed: no printer is chosen as the default printer.")
    session.stop()


def inside(program_source):
    keep = os.environ.get("KAVREL_E2E_PRINT_KEEP")
    if keep:
        os.makedirs(keep, exist_ok=True)
    base = tempfile.mkdtemp(prefix="kavrel-print-")
    os.chmod(base, 0o755)  # the server's filters run as lp
    server = PrintServer(base)
    session = None
    try:
        session = Session(program_source, base)
        server.start()
        out = os.path.join(base, "pdf-out")
        server.add_pdf_printer("PDF", out)
        server.run("lpadmin", "-d", "PDF")
        print_on_pdf_printer(session, server, out, keep)
        failing_printers(session, server, base)
        held_page_let_go(session, server, base)
        server.stop()
        print_without_server(session, base)
        print_with_silent_server(session, base)
        return 0
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        if session:
            session.kill()
        server.stop()
        if keep:
            shutil.copytree(server.logs, os.path.join(keep, "logs"), dirs_exist_ok=True)
        shutil.rmtree(base, ignore_errors=True)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    if os.geteuid() != 0:
        print("SKIPPED: printing on a real print server needs root "
              "(the test runs cupsd, whose PDF backend runs as root)")
        return SKIP
    if os.environ.get("KAVREL_E2E_PRINT_INSIDE") != "1":
        # A display and an accessibility bus of the test's own.
        env = dict(os.environ, KAVREL_E2E_PRINT_INSIDE="1")
        return subprocess.call(["dbus-run-session", "--", os.path.join(SCRIPTS, "with-xvfb"),
                                sys.executable, os.path.abspath(__file__), argv[1]], env=env)
    return inside(os.path.abspath(argv[1]))


if __name__ == "__main__":
    sys.exit(main(sys.argv))

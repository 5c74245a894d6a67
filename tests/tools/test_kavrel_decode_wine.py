#!/usr/bin/env python3
"""kavrel-decode.exe under Wine, through the Linux program's own cases
(test_kavrel_decode.py, imported here): every run of the .exe is repeated
with the program built for this machine from the same sources, and the two
must agree byte for byte in exit status, standard output and standard error.
Then what only Windows has: arguments that arrive as UTF-16, and a console,
which gets the text through WriteConsoleW.

    test_kavrel_decode_wine.py PATH-TO-kavrel-decode.exe PATH-TO-NATIVE-kavrel-decode

Wine runs in $WINEPREFIX (scripts/test-windows makes it)."""
import os
import pty
import re
import select
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_kavrel_decode as shared  # noqa: E402
from test_kavrel_decode import ByteOrderMark, Csv, ExitStatus, Json, Text  # noqa: E402,F401  run here too

EXE = NATIVE = None
# Wine makes the Windows command line from the Unix arguments by the
# locale's character set.
ENV = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", WINEDEBUG="-all")


def wine_run(args, stdin=b"", **kw):
    """The .exe with `args`; where it reads bytes given here and its output
    is read back, the native program's too, and any difference between the
    two fails the case. (Where a read or a write fails, the system's words
    for the failure are the system's own.)"""
    kw.setdefault("stdout", subprocess.PIPE)
    feed = {"input": stdin} if isinstance(stdin, bytes) else {"stdin": stdin}
    windows = subprocess.run(["wine", EXE, *args], stderr=subprocess.PIPE, timeout=120, env=ENV, **feed, **kw)
    if kw["stdout"] is subprocess.PIPE and isinstance(stdin, bytes):
        native = subprocess.run([NATIVE, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60, **feed)
        for what, ours, theirs in (("exit status", windows.returncode, native.returncode),
                                   ("standard output", windows.stdout, native.stdout),
                                   ("standard error", windows.stderr, native.stderr)):
            if ours != theirs:
                raise AssertionError(f"{args}: {what} differs from the native program's: "
                                     f"{ours[:300]!r} against {theirs[:300]!r}")
    return windows


def on_console(args):
    """What a terminal shows of the .exe's output (standard output and
    standard error both), its cursor and erasing sequences taken out."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execvpe("wine", ["wine", EXE, *args], ENV)
    shown = b""
    status = None
    # Until the program has ended and its console has nothing more to show:
    # a process of Wine's own that it started may hold the terminal open.
    while True:
        ready, _, _ = select.select([fd], [], [], 0.5)
        data = b""
        if ready:
            try:
                data = os.read(fd, 1 << 16)
            except OSError:  # the other end closed
                pass
        shown += data
        if status is None:
            ended, code = os.waitpid(pid, os.WNOHANG)
            status = code if ended else None
        elif not data:
            break
    os.close(fd)
    # Wine's console moves the cursor over blanks it has already drawn.
    shown = re.sub(rb"\x1b\[(\d*)C", lambda m: b" " * int(m.group(1) or 1), shown)
    shown = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", shown).replace(b"\r", b"")
    return os.waitstatus_to_exitcode(status), shown.decode("utf-8")


class OnWindows(unittest.TestCase):
    def test_unicode_arguments(self):
        # Each run is compared with the native program's, which gets the
        # same arguments as UTF-8 bytes.
        inputs = ["Ж15700940", "1570094€", "😀", "日本"]
        records = shared.json_records(inputs)
        self.assertEqual([r["input"] for r in records], inputs)
        p = wine_run(["--lang", "рус"])
        self.assertEqual(p.stderr.decode("utf-8"), "kavrel-decode: unknown language 'рус' (use en or ru)\n")

    def test_console_shows_russian(self):
        # Enough records for several blocks of output and several writes to
        # the console: what it shows is what a pipe gets, the mark left out.
        serials = [f"1570094{i % 10}" for i in range(1500)] + ["1570094Ж"]
        status, shown = on_console(["--lang", "ru", "--bom", *serials])
        piped = wine_run(["--lang", "ru", *serials])
        self.assertEqual(status, 0)
        self.assertIn("Серийный номер : 1570094Ж\n", shown)
        self.assertTrue(shown == piped.stdout.decode("utf-8"), "the console shows another text than a pipe gets")
        status, shown = on_console(["--format", "xml", "--lang", "рус"])
        self.assertEqual((status, shown), (2, "kavrel-decode: unknown format 'xml' (use text, csv or json)\n"))
        status, shown = on_console(["--lang", "рус"])
        self.assertEqual((status, shown), (2, "kavrel-decode: unknown language 'рус' (use en or ru)\n"))


if __name__ == "__main__":
    EXE, NATIVE = sys.argv.pop(1), sys.argv.pop(1)
    shared.run = wine_run
    unittest.main(verbosity=1)

#!/usr/bin/env python3
"""kavrel-decode driven as a user would, its output read back with Python's
own csv and json modules.    test_kavrel_decode.py PATH-TO-kavrel-decode"""
import csv
import io
import json
import os
import subprocess
import sys
import unittest

EXE = None
HEADER = ["input", "serial_number", "country_city", "company", "code_valid_date",
          "month", "year", "order_number", "error", "reason"]
NOT_USED = "It is not used"


def run(args, stdin=b"", **kw):
    """The program run with `args`; `stdin` holds the bytes to feed it, or
    is an open file descriptor. Replaced where the cases run elsewhere."""
    kw.setdefault("stdout", subprocess.PIPE)
    feed = {"input": stdin} if isinstance(stdin, bytes) else {"stdin": stdin}
    return subprocess.run([EXE, *args], stderr=subprocess.PIPE, timeout=60, **feed, **kw)


def csv_rows(args, stdin=b""):
    csv.field_size_limit(1 << 30)
    text = run(["--format", "csv", *args], stdin).stdout.decode("utf-8")  # strict UTF-8
    rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    assert rows[0] == HEADER and all(len(r) == 10 for r in rows), rows
    return rows[1:]


def json_records(args, stdin=b""):
    lines = run(["--format", "json", *args], stdin).stdout.decode("utf-8").split("\n")
    assert lines[-1] == ""
    return [json.loads(line) for line in lines[:-1]]  # strict: a raw control character fails


class ExitStatus(unittest.TestCase):
    def test_decoded_or_not(self):
        for args, stdin, status in (([], b"", 0), (["15700940", "1065100088"], b"", 0),
                                    ([], b"15700940\r\n1065100088", 0), (["15700940", "55700940"], b"", 1),
                                    ([], b"15700940\n\n", 1), (["15700940", ""], b"", 1),
                                    (["--", "--help"], b"", 1)):
            with self.subTest(args=args, stdin=stdin):
                self.assertEqual(run(args, stdin).returncode, status)

    def test_usage_errors(self):
        for args, message in (
                (["--nope"], "unknown option '--nope' (see --help)"),
                (["1", "-"], "unknown option '-' (see --help)"),
                (["--lang", "RUS"], "unknown language 'RUS' (use en or ru)"),
                (["--lang=de"], "unknown language 'de' (use en or ru)"),
                (["--format", "xml"], "unknown format 'xml' (use text, csv or json)"),
                (["--format"], "option '--format' needs a value"),
                (["--version=2"], "option '--version' takes no value"),
                (["--\x1b[2J"], "unknown option '--\ufffd[2J' (see --help)")):
            with self.subTest(args=args):
                p = run(args, b"15700940\n")
                self.assertEqual((p.returncode, p.stdout), (2, b""))
                self.assertEqual(p.stderr.decode("utf-8"), "kavrel-decode: " + message + "\n")

    def test_help_and_version(self):
        self.assertEqual(run(["--version"]).stdout, b"2.00\n")
        p = run(["--help", "--nope"])
        self.assertEqual(p.returncode, 0)
        self.assertTrue(p.stdout.startswith(b"Usage: kavrel-decode [--lang en|ru] [--format text|csv|json]"))

    def test_failed_output_or_input_is_trouble(self):
        with open("/dev/full", "wb") as full:
            p = run(["15700940"], stdout=full)
        self.assertEqual(p.returncode, 2)
        self.assertEqual(p.stderr, b"kavrel-decode: cannot write standard output: No space left on device\n")
        folder = os.open(".", os.O_RDONLY)  # opens, but reads fail
        try:
            p = run([], stdin=folder)
        finally:
            os.close(folder)
        self.assertEqual(p.returncode, 2)
        self.assertTrue(p.stderr.startswith(b"kavrel-decode: cannot read standard input: "))


class ByteOrderMark(unittest.TestCase):
    def test_before_the_results_only(self):
        for args in (["--format", "csv"], ["--format", "json"], ["--lang", "ru"]):
            with self.subTest(args=args):
                plain = run([*args, "15700940", "1570094"])
                marked = run(["--bom", *args, "15700940", "1570094"])
                self.assertEqual((marked.returncode, marked.stdout), (1, b"\xef\xbb\xbf" + plain.stdout))
        self.assertEqual(run(["--bom", "--format=csv"], b"").stdout, b"\xef\xbb\xbf" + ",".join(HEADER).encode() + b"\n")
        # Help and version are no results.
        self.assertEqual(run(["--bom", "--version"]).stdout, b"2.00\n")
        self.assertEqual(run(["--bom=yes"]).stderr, b"kavrel-decode: option '--bom' takes no value\n")


class Csv(unittest.TestCase):
    def test_quoting(self):
        out = run(["--format", "csv", "15700940"]).stdout
        self.assertEqual(out, (",".join(HEADER) + "\n15700940,15700940,\"Deutschland, Sindelfingen\","
                               "Bitzer Kuhlmaschinenbau GmbH,\"Till September, 1st, 2003\","
                               "October,1999,0940,false,\n").encode())
        inputs = ['a,b', 'say "hi"', '"', 'x\ry', ' 15700940', '', 'Ж,"Ж"']
        self.assertEqual([r[0] for r in csv_rows([], "\n".join(inputs).encode())], inputs)

    def test_reasons(self):
        cases = {"15700940": "", "": "length", "1570094015700940": "length", "55700940": "plant",
                 "1465100088": "plant", "15000940": "month", "10700940": "year", "1055100088": "year",
                 "00000000": "plant;month", "50700000": "plant;year"}
        rows = csv_rows([], "".join(k + "\n" for k in cases).encode())
        self.assertEqual({r[0]: (r[8], r[9]) for r in rows},
                         {k: ("true" if v else "false", v) for k, v in cases.items()})

    def test_only_the_line_end_is_removed(self):
        rows = csv_rows([], b"15700940\r\n 15700940\n15700940\r\r\n1570094\r")
        self.assertEqual([(r[0], r[9]) for r in rows],
                         [("15700940", ""), (" 15700940", "length"), ("15700940\r", "length"), ("1570094\r", "")])

    def test_a_line_of_megabytes_is_one_record(self):
        line = "1," * 1_500_000 + '"'
        rows = csv_rows([], line.encode() + b"\r\n15700940\n")
        self.assertEqual([r[0] for r in rows], [line, "15700940"])
        self.assertEqual(rows[0][1:], [NOT_USED] * 7 + ["true", "length"])


HOSTILE = [b'"q"', b"back\\slash\\", b"\\u0041", bytes(range(0, 10)) + bytes(range(11, 32)) + b"\x7f",
           b"\xff\xfe", b"\xc0\xaf", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\xe2\x82", b"\xe2\x82(",
           b"1570094\xe2\x82", b"\xf0\x9f\x98\x80\xd0\x96", b"\x00" * 10, b"a\rb", b"\xc2\x85\xe2\x80\xa8"]


class Json(unittest.TestCase):
    def test_valid_for_hostile_input(self):
        records = json_records([], b"\n".join(HOSTILE) + b"\n")
        # Python replaces malformed UTF-8 by the same rule: one U+FFFD for
        # each maximal malformed sequence.
        self.assertEqual([r["input"] for r in records], [h.decode("utf-8", errors="replace") for h in HOSTILE])
        args = ['a"b', "c\\d", "e\nf", "\t", "\x1b[2J"]
        self.assertEqual([r["input"] for r in json_records(args)], args)

    def test_fields(self):
        records = json_records(["1065100088", "00000000"])
        self.assertEqual(records[0], {
            "input": "1065100088", "serial_number": "1065100088", "country_city": "Deutschland, Rottenburg",
            "company": "Bitzer Kuhlmaschinenbau GmbH", "code_valid_date": "Since September, 1st, 2003",
            "month": "November", "year": "2003", "order_number": "00088", "error": False, "reason": []})
        self.assertEqual((records[1]["error"], records[1]["reason"]), (True, ["plant", "month"]))

    def test_russian(self):
        rec = json_records(["--lang", "ru", "1262200000"])[0]
        self.assertEqual([rec[k] for k in HEADER[2:7]], ["Португалия, Каштелу-Бранку",
                         "Bitzer Compressores para Frio, S.A.", "С 01 сентября 2003 года", "Февраль", "2002"])


class Text(unittest.TestCase):
    def test_russian_records(self):
        records = run(["--lang", "ru"], b"45051234\n\n").stdout.decode("utf-8").split("\n\n")
        self.assertEqual(records[0].split("\n"), [
            "Серийный номер : 45051234", "Страна, город : Китай (новый)",
            "Завод изготовитель : Bitzer Compressores Beijing ", "Год изготовления : 1996",
            "Месяц изготовления : Май", "Порядковый номер : 1234", "Дата действия кода : До 01 сентября 2003 года"])
        self.assertEqual(records[1].count("Не используется"), 7)
        self.assertTrue(records[1].endswith("\nОшибка ! Уточните серийный номер !\n"))

    def test_english_and_no_terminal_controls(self):
        text = run(["\x1b[2J1570"]).stdout.decode("utf-8")  # eight characters: shown as the serial number
        self.assertEqual(text.split("\n")[0], "Serial number : \ufffd[2J1570")
        self.assertEqual(text.split("\n")[4], "Mouth of manufacture : It is not used")
        self.assertTrue(text.endswith("\nError !  Specify serial number !\n"))


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=1)

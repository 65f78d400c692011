"""Bates numbers of whole jobs: in the BATES token of file names, in the registry after the job,
per page and per document, and unique across two jobs that print at once in two processes."""
import os
import re
import subprocess
import tempfile
import unittest
import uuid

from twprint_runner import TWPRINT, run_report, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
PAGE = os.path.join(ROOT, "examples", "page1.emf")
KEY = r"HKEY_CURRENT_USER\Software\Tarnwell Software LLC\{printer}\BatesNumbering\1"
NAMING = ("--dm", "FileGenerationMethod=7", "--dm", "ImageFileName=B_<<BATES>><<NONE>>.<<ORIGINAL>>")
JOB = ("--format", "0", "--dpi", "100,100", "--dm", "BatesNumberingEnabled=1", *NAMING)


def reg_import(printer, values):
    lines = ["Windows Registry Editor Version 5.00", "", "[" + KEY.format(printer=printer) + "]"]
    lines += [f'"{name}"="{value}"' for name, value in values.items()]
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, encoding="utf-16") as f:
        f.write("\r\n".join(lines) + "\r\n")
    try:
        subprocess.run(["wine", "reg", "import", win(f.name)], check=True, capture_output=True)
    finally:
        os.unlink(f.name)


def counter(printer):
    out = subprocess.run(["wine", "reg", "query", KEY.format(printer=printer), "/v", "Start with"],
                         capture_output=True, text=True).stdout
    match = re.search(r"Start with\s+REG_SZ\s+(\d+)", out)
    return int(match.group(1)) if match else None


def numbers(directory):
    return sorted(int(m.group(1)) for name in os.listdir(directory)
                  if (m := re.fullmatch(r"B_(\d+)\.bmp", name, re.IGNORECASE)))


class BatesNumbers(unittest.TestCase):
    def setUp(self):
        self.printer = "Bates" + uuid.uuid4().hex[:8]
        self.tmp = tempfile.TemporaryDirectory()
        reg_import(self.printer, {"Name": "Contracts", "Use prefix": "1", "Prefix": "AB", "Start with": "41",
                                  "Bates Number Length": "6", "Bates Padding Character": "0",
                                  "Font Facename": "Arial", "Position": "4"})

    def tearDown(self):
        subprocess.run(["wine", "reg", "delete", r"HKEY_CURRENT_USER\Software\Tarnwell Software LLC" + "\\" +
                        self.printer, "/f"], capture_output=True)
        self.tmp.cleanup()

    def out_dir(self, name):
        path = os.path.join(self.tmp.name, name)
        os.mkdir(path)
        return path

    def test_file_names_and_counter_per_page(self):
        out = self.out_dir("one")
        code, report, err = run_report("--printer", self.printer, "--out", out, *JOB, PAGE, PAGE, PAGE)
        self.assertEqual(code, 0, err)
        self.assertEqual(numbers(out), [41, 42, 43])
        self.assertTrue(os.path.exists(os.path.join(out, "B_000041.bmp")))
        self.assertEqual(counter(self.printer), 44)

    def test_counting_documents(self):
        reg_import(self.printer, {"Increase on each document": "1"})
        out = self.out_dir("doc")
        code, report, err = run_report("--printer", self.printer, "--out", out, *JOB, PAGE, PAGE, PAGE)
        self.assertEqual(code, 0, err)
        # The same number on every page: later files of the document are numbered apart by the
        # existing-file rule, so only the first name carries the bare number.
        self.assertIn(41, numbers(out))
        self.assertEqual(counter(self.printer), 42)

    def test_two_processes_at_once_share_no_number(self):
        outs = [self.out_dir("a"), self.out_dir("b")]
        procs = [subprocess.Popen(["wine", TWPRINT, "--printer", self.printer, "--port", f"BT{self.printer[5:]}{i}:",
                                   "--job-id", str(700 + i), "--out", outs[i], *JOB, *([PAGE] * 50)],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
                 for i in range(2)]
        for p in procs:
            _, err = p.communicate(timeout=900)
            self.assertEqual(p.returncode, 0, err)
        got = numbers(outs[0]) + numbers(outs[1])
        self.assertEqual(len(got), 100)
        self.assertEqual(sorted(got), list(range(41, 141)))  # no duplicate, no gap
        self.assertEqual(counter(self.printer), 141)


if __name__ == "__main__":
    unittest.main()

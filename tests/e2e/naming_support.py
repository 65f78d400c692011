"""Shared by the naming tests: a printer and an output directory of its own for each test, and
whole jobs through twprint with the status INI file in the test's directory."""
import ntpath
import os
import shutil
import stat
import subprocess
import tempfile
import unittest

from twprint_runner import host, read_ini, run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "examples", "page1.emf")
TIFF_G4 = "7"
BMP = "0"
MULTIPAGE = ("--dm", "IsMultipageImageEnabled=1")
KEEP = ("--dm", "IsKeepExistingFilesEnabled=1")
OVERWRITE = ("--dm", "OverwriteExistingFiles=1")


class NamingCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="naming-")
        self.out = self.path("out")
        os.makedirs(self.out)
        self.port = unique("TWN")
        self.printer = "Naming " + self.port[3:-1]
        self.status_ini = self.path("status.ini")
        # Cleanups run last, after the files made unwritable are released.
        self.addCleanup(self.remove_tree)

    def tearDown(self):
        run("ports", "delete", self.port)

    def remove_tree(self):
        for dirpath, dirnames, filenames in os.walk(self.tmp):
            for name in dirnames + filenames:
                os.chmod(os.path.join(dirpath, name), stat.S_IRWXU)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def job(self, *args, pages=1, doc="Invoice", out=None, fmt=TIFF_G4):
        """Prints `pages` pages; returns the report."""
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--doc", doc, "--format", fmt,
                                       "--out", self.out if out is None else out, "--ini", f"TwGroup.ini\\INI File={win(self.status_ini)}",
                                       *args, *([EMF] * pages))
        self.assertEqual(code, 0, f"twprint {args} exited {code}: {err!r}")
        self.assertIsNotNone(report, err)
        return report

    @staticmethod
    def names(report):
        return report["job"]["names"]

    @staticmethod
    def leaf(path):
        return ntpath.basename(path)

    def assert_in_out(self, path, out=None):
        self.assertEqual(os.path.normpath(os.path.dirname(host(path))), os.path.normpath(out or self.out), path)

    def started(self, report):
        return [op["result"] for op in report["job"]["operations"] if op["op"] == "StartDoc"]

    def status_entries(self):
        return read_ini(self.status_ini).get(self.printer, {})

    def group(self, report):
        return read_ini(report["group_file"])

    def printer_section(self, report):
        return self.group(report).get(self.printer, {})

    def make_file(self, name, content=b"old", directory=None):
        path = os.path.join(directory or self.out, name)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def make_unwritable(self, path):
        """Read-only, as Windows refuses to write it even to administrators; as root on Linux only
        an immutable file is refused, so the file is made that too."""
        os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        if os.geteuid() == 0 and subprocess.run(["chattr", "+i", path], capture_output=True).returncode != 0:
            self.skipTest("cannot make a file immutable here")
        self.addCleanup(subprocess.run, ["chattr", "-i", path], capture_output=True)

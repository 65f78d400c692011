"""twprint at scale: many installers adding ports at once, more pages than a command line holds,
and the source locations that error reports carry, which must not name the build machine."""
import os
import subprocess
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor

from twprint_runner import BIN, SCRATCH, TWPRINT, run, run_report, unique, read_ini

ROOT = os.path.abspath(os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", "..")))
EMF = os.path.join(ROOT, "examples", "page1.emf")


def port_names(stdout):
    return [line.split("\t")[0] for line in stdout.splitlines() if line]


class ConcurrentPortAdds(unittest.TestCase):
    def test_ports_added_by_many_processes_at_once_are_all_there(self):
        names = [unique(f"TWC{i:02d}") for i in range(16)]
        try:
            with ThreadPoolExecutor(len(names)) as pool:
                results = list(pool.map(lambda n: run("ports", "add", n), names))
            for name, (code, _, err) in zip(names, results):
                self.assertEqual(code, 0, f"{name}: {err}")
            code, out, _ = run("ports", "list")
            self.assertEqual(code, 0)
            listed = port_names(out)
            self.assertEqual([n for n in names if n not in listed], [])
        finally:
            for name in names:
                run("ports", "delete", name)


class PageList(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWL")

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def test_a_file_lists_more_pages_than_a_command_line_holds(self):
        # 200 paths of about 200 characters: beyond the 32767 characters of a command line.
        pages = os.path.join(self.tmp.name, "p" * 160)
        os.mkdir(pages)
        paths = []
        for i in range(200):
            path = os.path.join(pages, f"page-{i:04d}.emf")
            os.symlink(EMF, path)
            paths.append(path)
        listing = os.path.join(self.tmp.name, "pages.txt")
        with open(listing, "w", encoding="utf-8") as f:
            f.write("\r\n".join(paths[:-1]) + "\n\n" + paths[-1] + "\n")
        self.assertGreater(sum(len(p) + 1 for p in paths), 32767)
        out = tempfile.mkdtemp(dir=self.tmp.name)
        # Raw Group 4 pages: small files.
        code, report, err = run_report("--port", self.port, "--out", out, "--format", "15", "--dpi", "100",
                                       "--page-list", listing, timeout=1800)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        self.assertEqual(report["job"]["received_pages"], len(paths))
        self.assertEqual(len(report["job"]["output_files"]), len(paths))

    def test_a_page_list_that_cannot_be_read_or_names_nothing_is_refused(self):
        empty = os.path.join(self.tmp.name, "empty.txt")
        with open(empty, "w") as f:
            f.write("\n  \n")
        for listing, why in ((os.path.join(self.tmp.name, "missing.txt"), "cannot read"), (empty, "names no page")):
            code, _, err = run("--port", self.port, "--page-list", listing)
            self.assertEqual(code, 2, err)
            self.assertIn("--page-list", err)
            self.assertIn(why, err)

    def test_a_command_line_too_long_for_windows_is_explained(self):
        # What Wine cannot start, ./run twprint explains before it tries.
        args = [os.path.join(self.tmp.name, "x" * 90, f"page-{i:04d}.emf") for i in range(400)]
        proc = subprocess.run([os.path.join(ROOT, "run"), "twprint", *args], capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=300)
        self.assertEqual(proc.returncode, 2, proc.stderr)
        self.assertIn("32767", proc.stderr)
        self.assertIn("--page-list", proc.stderr)


class ErrorLocation(unittest.TestCase):
    """With "Debug" set in C:\\PrnDebug.ini a failed job's group file names the source line that
    reported the error: a path inside the repository, never the build machine's."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWX")
        prefix = os.environ.get("WINEPREFIX", os.path.join(BIN, "..", "wineprefix"))
        self.switches = os.path.join(prefix, "drive_c", "PrnDebug.ini")
        self.assertFalse(os.path.exists(self.switches), "a switch file is in the way")
        dump = "Z:" + os.path.join(self.tmp.name, "dump.edf").replace("/", "\\")
        with open(self.switches, "w", newline="") as f:
            f.write(f"[Setting]\r\nDebug=2\r\nFile={dump}\r\n")

    def tearDown(self):
        os.remove(self.switches)
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def test_error_location_is_relative_to_the_repository(self):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        # PDF is written by no writer here: the document fails at its start.
        code, report, err = run_report("--port", self.port, "--out", out, "--format", "36", EMF)
        self.assertEqual(code, 0, err)
        self.assertTrue(report["job"]["failed"], report["job"]["status"])
        group = read_ini(report["job"]["group_file"])
        locations = [v for section in group.values() for k, v in section.items() if k == "Error Location"]
        self.assertTrue(locations, group)
        build = os.path.basename(os.path.dirname(os.path.abspath(BIN)))
        for text in locations:
            self.assertRegex(text, r"^[A-Za-z]+/[^ :]+\.(cpp|h) line \d+$")
            for machine in (ROOT, ROOT.replace("/", "\\"), "/work/", build + "/", "Z:"):
                self.assertNotIn(machine, text)

    def test_no_binary_carries_the_source_directory(self):
        # The third-party libraries built under build/deps keep their own source names (symbol
        # tables, assertion texts); what must not show is a path to this project's own sources.
        needles = [(ROOT + "/" + folder).encode() for folder in ("portmonitor", "companions", "tools", "host")]
        for name in ("tarnmon.dll", "twprint.exe", "twinstall.exe", "TIFF32.DLL", "JPEG32.DLL", "TwOCRx.dll"):
            with open(os.path.join(BIN, name), "rb") as f:
                data = f.read()
            for needle in needles:
                self.assertNotIn(needle, data, name)


if __name__ == "__main__":
    unittest.main()

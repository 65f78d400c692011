"""Printer forwarding: a job with forwarding on leaves one record per page with the page's metafile
and one annotation metafile per copy; twforward.exe, reading the records as the forwarding program
would, prints each page from its metafiles onto a bitmap. Its pages must equal the monitor's own
pages of the same job, watermark and header included, within a stated tolerance; the temporary
metafiles stay until the forwarding program has printed them."""
import os
import subprocess
import tempfile
import unittest

from PIL import Image

from twprint_runner import BIN, SCRATCH, run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
PAGES = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2)]
TWFORWARD = os.path.join(BIN, "twforward.exe")
# The monitor reduces a page to black and white (coloured areas dithered), the forwarding program
# plays the same metafiles in colour: the two are compared as grey levels of 5 x 5 pixel cells. A
# cell differs when its levels are more than a quarter of the range apart; at most 0.1 % of the
# cells may (about 37 of a 100 dpi Letter page). A missing watermark bar alone changes about 100.
CELL = 5
CELL_LEVELS = 64
TOLERANCE = 0.001
HEADER_ROWS = 40


def cells(path):
    with Image.open(path) as im:
        grey = im.convert("L")
        return grey.resize((grey.size[0] // CELL, grey.size[1] // CELL), Image.BOX)


def differing_cells(a, b):
    assert a.size == b.size, (a.size, b.size)
    return sum(abs(x - y) > CELL_LEVELS for x, y in zip(a.getdata(), b.getdata())) / (a.size[0] * a.size[1])


def ink_rows(path):
    """The rows (from the top) holding dark pixels."""
    with Image.open(path) as im:
        grey = im.convert("L")
        width = grey.size[0]
        data = grey.getdata()
        return {i // width for i, p in enumerate(data) if p < 128}


def differing_rows(path_a, path_b):
    with Image.open(path_a) as a, Image.open(path_b) as b:
        ga, gb = a.convert("L"), b.convert("L")
        width = ga.size[0]
        return {i // width for i, (x, y) in enumerate(zip(ga.getdata(), gb.getdata())) if (x < 128) != (y < 128)}


def host_temp_path(windows_path):
    """A path of the Wine prefix's C: drive on this machine."""
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    assert windows_path[1:3] == ":\\", windows_path
    return os.path.join(prefix, "drive_" + windows_path[0].lower(), *windows_path[3:].split("\\"))


def values(record):
    return {v["name"]: v for v in record["values"]}


class PrinterForwarding(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.tmp.name, "out")
        self.forwarded = os.path.join(self.tmp.name, "forwarded")
        os.makedirs(self.out)
        os.makedirs(self.forwarded)
        self.port = unique("TWF")
        self.printer = "Fwd " + self.port[3:-1]
        # A solid bar: the page's own drawing lets the white of a picture hide the content
        # beneath it, the metafile drawing lets it show; a bar is the same on both.
        watermark = Image.new("L", (120, 20), 0)
        self.picture = os.path.join(self.tmp.name, "mark.bmp")
        watermark.save(self.picture)

    def tearDown(self):
        run("ports", "delete", self.port)
        subprocess.run(["wine", "reg", "delete", f"HKCU\\Software\\Tarnwell Software LLC\\{self.printer}", "/f"],
                       capture_output=True, stdin=subprocess.DEVNULL, cwd=SCRATCH)
        self.tmp.cleanup()

    def test_forwarded_pages_equal_the_monitors_pages(self):
        code, report, err = run_report(
            "--port", self.port, "--printer", self.printer, "--format", "0", "--dpi", "100,100", "--out", win(self.out),
            "--job-id", "31", "--doc", "Forwarded Report", "--dm", "PrinterForwardingEnabled=1", "--dm", "dmCopies=2",
            "--dm", "WatermarkImage=1", "--dm", f"PortraitWatermarkImage={win(self.picture)}",
            "--dm", "WatermarkPortraitPosition4=1", "--dm", "PortraitWatermarkBrightness=0",
            "--set", "Header Settings\\Header Enable=sz:1",
            "--set", "Header Settings\\Header Text=sz:FORWARDED COPY <<COPY>> PAGE <<PAGENUM>>",
            "--set", "Application Starter\\EXE Name=sz:Z:\\no\\such\\starter.exe",
            "--keep-settings", *PAGES)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        ppid = report["post_print"]["id"]
        self.assertIsNotNone(ppid)
        records = {r["key"].rsplit("\\", 1)[-1]: values(r) for r in report["post_print"]["records"]
                   if "\\Forwarding\\" in r["key"]}
        self.assertEqual(sorted(records), [f"{ppid}_0", f"{ppid}_1", f"{ppid}_2"])
        job = records[f"{ppid}_0"]
        self.assertEqual(job["Ready"]["data"], "YES")
        self.assertEqual(job["PAGENUMBER"]["data"], 2)
        self.assertEqual(job["Number of copies"]["data"], 2)
        self.assertEqual(job["DOCUMENT NAME"]["data"], "Forwarded Report")
        self.assertEqual(job["DOCUMENT NAME"]["bytes"], 260)
        self.assertTrue(job["REDIRECT INFO REGISTRY PATH"]["data"].endswith("\\Redirect Printing Settings"))
        temporary = []
        for n in (1, 2):
            page = records[f"{ppid}_{n}"]
            self.assertEqual(page["Ready"]["data"], "YES")
            self.assertEqual(page["DevModeSize"]["data"], 6879)
            self.assertEqual(page["DevMode"]["bytes"], 6879)
            self.assertEqual(page["Forwarding Under"]["data"], "")
            files = [page["Forwarding"]["data"], page["Forwarding Above 0"]["data"], page["Forwarding Above 1"]["data"]]
            self.assertNotIn("Forwarding Above 2", page)
            # GetTempFileName takes three characters of a prefix: "~tw" for the page and "~twa" alike.
            for f in files:
                self.assertTrue(f.rsplit("\\", 1)[-1].upper().startswith("~TW"), files)
            self.assertEqual(os.path.getsize(host_temp_path(files[0])), page["Size"]["data"])
            temporary += files
        # Left for the forwarding program.
        for path in temporary:
            self.assertTrue(os.path.exists(host_temp_path(path)), path)

        monitor_pages = [f["host_path"] for f in report["files"] if f["host_path"].lower().endswith(".bmp")]
        self.assertEqual(len(monitor_pages), 2)
        printer_key = self.printer[:31]
        first, second = os.path.join(self.forwarded, "copy1"), os.path.join(self.forwarded, "copy2")
        for copy, out in ((2, second), (1, first)):  # the first copy last: then the files go
            os.makedirs(out)
            proc = subprocess.run(["wine", TWFORWARD, "--printer-key", printer_key, "--id", str(ppid), "--out",
                                   win(out), "--copy", str(copy)] + (["--keep"] if copy == 2 else []),
                                  capture_output=True, text=True, stdin=subprocess.DEVNULL, cwd=SCRATCH, timeout=120)
            self.assertEqual(proc.returncode, 0, proc.stderr)
            self.assertIn("job ready=YES pages=2 copies=2", proc.stdout)
        for n, monitor_page in enumerate(monitor_pages, 1):
            forwarded = os.path.join(first, f"page{n}.bmp")
            share = differing_cells(cells(forwarded), cells(monitor_page))
            print(f"page {n}: {share * 100:.3f} % of the cells differ", flush=True)
            self.assertLessEqual(share, TOLERANCE, f"page {n}")
            # The header is on both: ink in the top rows.
            self.assertTrue(min(ink_rows(forwarded)) < HEADER_ROWS, f"page {n}")
            self.assertTrue(min(ink_rows(monitor_page)) < HEADER_ROWS, f"page {n}")
            # The second copy's header names its copy, and only the header differs.
            rows = differing_rows(forwarded, os.path.join(second, f"page{n}.bmp"))
            self.assertTrue(rows, f"page {n}")
            self.assertLess(max(rows), HEADER_ROWS, f"page {n}")
        for path in temporary:
            self.assertFalse(os.path.exists(host_temp_path(path)), path)

    def test_without_forwarding_no_page_records_and_the_job_record_says_so(self):
        code, report, err = run_report(
            "--port", self.port, "--printer", self.printer, "--format", "0", "--dpi", "100,100", "--out", win(self.out),
            "--job-id", "32", "--set", "Post Print Settings\\Open output folder=sz:yes",
            "--set", "Application Starter\\EXE Name=sz:Z:\\no\\such\\starter.exe", PAGES[0])
        self.assertEqual(code, 0, err)
        ppid = report["post_print"]["id"]
        records = {r["key"].rsplit("\\", 1)[-1]: values(r) for r in report["post_print"]["records"]
                   if "\\Forwarding\\" in r["key"]}
        self.assertEqual(list(records), [f"{ppid}_0"])
        self.assertEqual(records[f"{ppid}_0"]["Ready"]["data"], "No Redirect")

    def test_a_forwarding_log_that_cannot_be_written_is_reported(self):
        log = win(os.path.join(self.tmp.name, "no", "such", "dir", "forward.log"))
        code, report, err = run_report(
            "--port", self.port, "--printer", self.printer, "--format", "0", "--dpi", "100,100", "--out", win(self.out),
            "--job-id", "33", "--dm", "PrinterForwardingEnabled=1",
            "--set", "Redirect Printing Settings\\Enable Redirect Printing Log=sz:yes",
            "--set", f"Redirect Printing Settings\\Redirect Printing Log File=sz:{log}",
            "--set", "Application Starter\\EXE Name=sz:Z:\\no\\such\\starter.exe", PAGES[0])
        self.assertEqual(code, 0, err)
        warnings = [s for e in report["events"] if e["type"] == "warning" for s in e["strings"]]
        self.assertTrue(any(f"Cannot write log for printer redirection: {log}" in w for w in warnings),
                        report["events"])
        # The job itself prints and forwards its page; no forwarding program runs here to take the
        # page's metafiles, so the test removes them.
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        pages = [values(r) for r in report["post_print"]["records"] if r["key"].endswith("_1")]
        self.assertEqual(len(pages), 1)
        for name in ("Forwarding", "Forwarding Above 0"):
            if pages[0][name]["data"]:
                os.remove(host_temp_path(pages[0][name]["data"]))


if __name__ == "__main__":
    unittest.main()

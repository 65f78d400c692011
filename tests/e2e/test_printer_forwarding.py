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
# Share of a page's pixels that may differ between the monitor's page and the forwarded one: the
# two draw the same metafiles through different paths (bands into a 1-bit page against one
# playback into a colour bitmap, thresholded here), so glyph and line edges may fall one pixel
# apart. 0.5 % of a 100 dpi Letter page is about 4200 pixels; a missing header or watermark
# alone changes several times that.
TOLERANCE = 0.005


def ink(path):
    """The page as a set of ink pixels (dark below half grey), with its size."""
    with Image.open(path) as im:
        grey = im.convert("L")
        return grey.size, bytes(1 if p < 128 else 0 for p in grey.getdata())


def differing_share(a, b):
    (size_a, pa), (size_b, pb) = a, b
    assert size_a == size_b, (size_a, size_b)
    return sum(x != y for x, y in zip(pa, pb)) / len(pa)


def top_ink(page, rows):
    (width, _), pixels = page
    return sum(pixels[: width * rows])


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
        watermark = Image.new("L", (120, 60), 255)
        for x in range(120):
            for y in range(20, 40):
                watermark.putpixel((x, y), 0)
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
            self.assertTrue(os.path.basename(files[0]).upper().startswith("~TW"), files)
            self.assertTrue(os.path.basename(files[1]).upper().startswith("~TWA"), files)
            self.assertEqual(os.path.getsize(host_temp_path(files[0])), page["Size"]["data"])
            temporary += files
        # Left for the forwarding program.
        for path in temporary:
            self.assertTrue(os.path.exists(host_temp_path(path)), path)

        monitor_pages = [ink(f["host_path"]) for f in report["files"] if f["host_path"].lower().endswith(".bmp")]
        self.assertEqual(len(monitor_pages), 2)
        printer_key = self.printer[:31]
        for copy in (2, 1):  # the first copy last: the forwarding program then removes the files
            proc = subprocess.run(["wine", TWFORWARD, "--printer-key", printer_key, "--id", str(ppid), "--out",
                                   win(self.forwarded), "--copy", str(copy)] + (["--keep"] if copy == 2 else []),
                                  capture_output=True, text=True, stdin=subprocess.DEVNULL, cwd=SCRATCH, timeout=120)
            self.assertEqual(proc.returncode, 0, proc.stderr)
            self.assertIn("job ready=YES pages=2 copies=2", proc.stdout)
            for n, want in enumerate(monitor_pages, 1):
                got = ink(os.path.join(self.forwarded, f"page{n}.bmp"))
                share = differing_share(got, want)
                print(f"copy {copy} page {n}: {share * 100:.3f} % of the pixels differ", flush=True)
                if copy == 1:
                    self.assertLessEqual(share, TOLERANCE, f"page {n}")
                    # The header is there: ink in the top rows of both.
                    self.assertGreater(top_ink(got, 60), 0)
                    self.assertGreater(top_ink(want, 60), 0)
                else:
                    # The second copy's header names its copy: the pages differ there, and only a little.
                    self.assertGreater(share, 0.0, f"page {n}")
                    self.assertLessEqual(share, 2 * TOLERANCE, f"page {n}")
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


if __name__ == "__main__":
    unittest.main()

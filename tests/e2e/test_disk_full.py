"""A disk that fills up while a job prints: a small tmpfs mounted for the test. The pages written
before the failure stay readable, nothing half-written is left, and the job fails once with the
Windows error (112, not enough space) instead of internal errors."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
SAMPLE = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2, 3, 4)]
DISK_FULL = "Windows Error Code: 112"


def mount_tmpfs(directory, kib):
    """Mounts a tmpfs of `kib` KiB; the reason when it cannot be mounted."""
    if os.geteuid() != 0:
        return "not running as root"
    proc = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={kib}k", "tmpfs", directory],
                          capture_output=True, text=True)
    return None if proc.returncode == 0 else (proc.stderr.strip() or f"mount exited {proc.returncode}")


def tiff_pages(path):
    """(pages tiffinfo lists, its complaints) of a TIFF file."""
    proc = subprocess.run(["tiffinfo", path], capture_output=True, text=True)
    return proc.stdout.count("TIFF Directory at offset"), proc.stderr.strip()


def frames(path):
    """The pixel data of every frame Pillow reads from the file."""
    out = []
    with Image.open(path) as im:
        for i in range(getattr(im, "n_frames", 1)):
            im.seek(i)
            out.append(im.convert("1").tobytes())
    return out


class DiskFull(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWF")
        self.mounts = []

    def tearDown(self):
        for m in reversed(self.mounts):
            subprocess.run(["umount", m], capture_output=True)
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def small_disk(self, kib):
        directory = tempfile.mkdtemp(dir=self.tmp.name)
        why = mount_tmpfs(directory, kib)
        if why:
            # Loud on purpose: a skipped disk-full test must not read as a passed one.
            print(f"\n*** DISK-FULL TEST SKIPPED: cannot mount a {kib} KiB tmpfs: {why} ***", file=sys.stderr)
            self.skipTest(f"cannot mount tmpfs: {why}")
        self.mounts.append(directory)
        return directory

    def print_into(self, out, pages, *args):
        return run_report("--port", self.port, "--out", out, "--dpi", "204,196", *args, *pages)

    def check_one_disk_full_error(self, report):
        job = report["job"]
        self.assertTrue(job["failed"], job["status"])
        self.assertIn(DISK_FULL, job["status"])
        errors = [e for e in report["events"] if e["type"] == "error"]
        self.assertEqual(len(errors), 1, errors)
        self.assertIn(DISK_FULL, " ".join(errors[0]["strings"]))
        self.assertNotIn("Internal error", job["status"])

    def test_multipage_tiff_keeps_the_pages_written_before(self):
        pages = SAMPLE * 3
        tiff = ("--format", "7", "--dm", "IsMultipageImageEnabled=1")
        reference_dir = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = self.print_into(reference_dir, pages, *tiff)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        [reference] = [f["host_path"] for f in report["files"] if f["host_path"].endswith(".tif")]
        expected = frames(reference)
        self.assertEqual(len(expected), len(pages))

        # Room for about half of the document.
        out = self.small_disk(max(64, os.path.getsize(reference) // 2048))
        code, report, err = self.print_into(out, pages, *tiff)
        self.assertEqual(code, 0, err)
        self.check_one_disk_full_error(report)
        [written] = [f["host_path"] for f in report["files"] if f["host_path"].endswith(".tif")]
        listed, complaints = tiff_pages(written)
        self.assertEqual(complaints, "")
        self.assertGreaterEqual(listed, 1)
        self.assertLess(listed, len(pages))
        got = frames(written)
        self.assertEqual(len(got), listed)
        self.assertEqual(got, expected[:listed])

    def test_multipage_dcx_cuts_back_the_page_that_did_not_fit(self):
        pages = SAMPLE * 3
        dcx = ("--format", "2", "--dm", "IsMultipageImageEnabled=1")
        reference_dir = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = self.print_into(reference_dir, pages, *dcx)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        [reference] = {f["host_path"] for f in report["files"] if f["host_path"].lower().endswith(".dcx")}
        expected = frames(reference)
        self.assertEqual(len(expected), len(pages))

        out = self.small_disk(max(64, os.path.getsize(reference) // 2048))
        code, report, err = self.print_into(out, pages, *dcx)
        self.assertEqual(code, 0, err)
        self.check_one_disk_full_error(report)
        [written] = {f["host_path"] for f in report["files"] if f["host_path"].lower().endswith(".dcx")}
        with open(written, "rb") as f:
            data = f.read()
        slots = struct.unpack_from("<10024I", data, 0)
        self.assertEqual(slots[0], 0x3ADE68B1)
        listed = slots[1:].index(0)
        self.assertGreaterEqual(listed, 1)
        self.assertLess(listed, len(pages))
        self.assertEqual(frames(written), expected[:listed])
        # The page that did not fit is gone: the file ends where, in the whole file, the next
        # page begins.
        with open(reference, "rb") as f:
            ref_slots = struct.unpack_from("<10024I", f.read(40096), 0)
        self.assertEqual(slots[1:listed + 1], ref_slots[1:listed + 1])
        self.assertEqual(len(data), ref_slots[listed + 1])

    def test_bmp_leaves_only_whole_pages(self):
        # Two 475 KB pages fit, the third does not: nor does any later page, which would leave a gap.
        pages = SAMPLE + SAMPLE[:2]
        out = self.small_disk(1200)
        code, report, err = self.print_into(out, pages, "--format", "0")
        self.assertEqual(code, 0, err)
        self.check_one_disk_full_error(report)
        left = sorted(os.listdir(out))
        bmps = [n for n in left if n.lower().endswith(".bmp")]
        self.assertEqual(len(bmps), 2, left)
        for name in left:
            path = os.path.join(out, name)
            self.assertGreater(os.path.getsize(path), 0, f"empty file left: {name}")
        for name in bmps:
            path = os.path.join(out, name)
            with open(path, "rb") as f:
                self.assertEqual(struct.unpack("<2sI", f.read(6)), (b"BM", os.path.getsize(path)))
            with Image.open(path) as im:
                im.load()
                self.assertEqual(im.size, (1734, 2156))  # Letter at 204 x 196 dpi

    def test_fax_containers_leave_no_partial_page(self):
        pages = SAMPLE + SAMPLE[:2]
        for fmt in ("11", "15", "19"):  # CALS, raw Group 4, MO:DCA with IOCA
            with self.subTest(format=fmt):
                out = self.small_disk(40)  # less than one page
                code, report, err = self.print_into(out, pages, "--format", fmt)
                self.assertEqual(code, 0, err)
                self.check_one_disk_full_error(report)
                for name in os.listdir(out):
                    self.assertTrue(name.endswith(".grp"), f"a page file left behind: {name}")


if __name__ == "__main__":
    unittest.main()

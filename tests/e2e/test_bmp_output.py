"""Pages printed to BMP files: every corpus page at fax and 300 dpi, the page geometry rules,
fax width, forced resolution and pages per sheet; files read back by Pillow and by hand."""
import glob
import os
import struct
import tempfile
import unittest

from PIL import Image

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
CORPUS = sorted(glob.glob(os.path.join(ROOT, "..", "shared", "testdata", "emf", "*.emf")))
SAMPLE = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2)]
LETTER = (2159, 2794)  # tenths of a millimetre, the builder's default paper
FAX_OUTPUT = 0x10000
FORCE_RESOLUTION = 0x1000000
PAPER_FIELDS_OFF = 0x1  # dmFields with DM_ORIENTATION only: the page size comes from the EMF


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def emf_pixels(path):
    """The EMF's page size in device pixels, computed from its header in single precision."""
    with open(path, "rb") as f:
        head = f.read(108)
    size = struct.unpack_from("<I", head, 4)[0]
    left, top, right, bottom = struct.unpack_from("<4i", head, 24)
    dev_cx, dev_cy, mm_cx, mm_cy = struct.unpack_from("<4i", head, 72)
    um_cx, um_cy = (struct.unpack_from("<2i", head, 100) if size >= 108 else (mm_cx * 1000, mm_cy * 1000))

    def side(dev, um, lo, hi):
        if um <= 0:
            return 0
        per_mm = f32(f32(dev) / f32(f32(um) / f32(1000.0)))
        return int(f32(f32(per_mm * f32(hi - lo)) / f32(100.0)) + f32(0.5))
    return side(dev_cx, um_cx, left, right), side(dev_cy, um_cy, top, bottom)


def bmp_header(path):
    with open(path, "rb") as f:
        data = f.read(54)
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    width, height, planes, bits, compression, image = struct.unpack_from("<iiHHII", data, 18)
    return {"magic": magic, "size": size, "offset": offset, "width": width, "height": height, "bits": bits,
            "image": image, "file": os.path.getsize(path)}


class BmpOutput(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWB")

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def print_pages(self, pages, *args):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = run_report("--port", self.port, "--format", "0", "--out", out, *args, *pages)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        for f in report["files"]:
            self.assertTrue(f["exists"], f)
            self.assertTrue(f["host_path"].startswith(out), f)
        return report

    def check_file(self, entry, width, height, dpi):
        path = entry["host_path"]
        with Image.open(path) as im:
            self.assertEqual(im.mode, "1", path)
            self.assertEqual(im.size, (width, height), path)
            self.assertEqual(tuple(round(d) for d in im.info["dpi"]), dpi, path)
        h = bmp_header(path)
        self.assertEqual(h["magic"], b"BM")
        self.assertEqual(h["offset"], 62)  # 54 and a two-entry palette
        self.assertEqual(h["size"], h["file"])
        self.assertEqual(h["image"], (width + 31) // 32 * 4 * height)
        self.assertEqual((entry["width"], entry["height"], entry["bits_per_pixel"]), (width, height, 1))
        self.assertEqual((entry["x_dpi"], entry["y_dpi"]), dpi)

    def test_every_corpus_page_prints_at_fax_and_300_dpi(self):
        for xdpi, ydpi in ((204, 196), (300, 300)):
            with self.subTest(dpi=(xdpi, ydpi)):
                report = self.print_pages(CORPUS, "--dpi", f"{xdpi},{ydpi}")
                self.assertEqual(len(report["files"]), len(CORPUS))
                width = int(xdpi / 254.0 * LETTER[0] + 0.5)
                height = int(ydpi / 254.0 * LETTER[1] + 0.5)
                for entry in report["files"]:
                    self.check_file(entry, width, height, (xdpi, ydpi))
                self.assertFalse([e for e in report["events"] if e["type"] == "error"])

    def test_xml_with_bmp_writes_the_same_file_as_bmp(self):
        files = {}
        for code in ("0", "34"):
            out = tempfile.mkdtemp(dir=self.tmp.name)
            code_, report, err = run_report("--port", self.port, "--format", code, "--out", out, "--dpi", "100",
                                            SAMPLE[0])
            self.assertEqual(code_, 0, err)
            self.assertTrue(report["files"][0]["path"].endswith(".bmp"))
            with open(report["files"][0]["host_path"], "rb") as f:
                files[code] = f.read()
        self.assertEqual(files["0"], files["34"])

    def test_formats_without_a_writer_fail_the_document_with_a_reason(self):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = run_report("--port", self.port, "--format", "36", "--out", out, SAMPLE[0])
        self.assertEqual(code, 0, err)
        self.assertTrue(report["job"]["failed"])
        self.assertEqual(report["job"]["status"], "The output format PDF version 1.4 (36) cannot be written.")
        self.assertFalse([op for op in report["job"]["operations"] if op["op"] == "StartDoc" and op["result"]])
        # Only the group file, which keeps the reason for whoever reads it.
        self.assertEqual([f for f in os.listdir(out) if not f.endswith(".grp")], [])

    def test_without_paper_fields_the_page_takes_the_emf_size(self):
        pages = CORPUS[::6] + SAMPLE
        for xdpi, ydpi in ((204, 196), (300, 300)):
            with self.subTest(dpi=(xdpi, ydpi)):
                report = self.print_pages(pages, "--dpi", f"{xdpi},{ydpi}", "--dm", f"dmFields={PAPER_FIELDS_OFF}")
                self.assertEqual(len(report["files"]), len(pages))
                for page, entry in zip(pages, report["files"]):
                    cx, cy = emf_pixels(page)
                    # Recorded at the horizontal resolution: width unchanged, height to the vertical.
                    self.check_file(entry, int(xdpi * cx / xdpi), int(ydpi * cy / xdpi), (xdpi, ydpi))

    def test_portrait_fax_output_is_1728_wide_at_204_dpi(self):
        report = self.print_pages(SAMPLE, "--dpi", "300", "--dm", f"Flags={FAX_OUTPUT}")
        # The job puts a fax job on the fax resolution first: 11 inches at 196 dpi.
        for entry in report["files"]:
            self.check_file(entry, 1728, 2156, (204, 196))

    def test_forced_resolution_scales_the_page(self):
        # UserFlags 0 takes the job's own resolution: nothing changes.
        report = self.print_pages(SAMPLE[:1], "--dpi", "300", "--dm", f"Flags={FORCE_RESOLUTION}")
        self.check_file(report["files"][0], 2550, 3300, (300, 300))
        forced = (100 << 16) | 200  # 200 by 100 dpi
        report = self.print_pages(SAMPLE[:1], "--dpi", "300", "--dm", f"Flags={FORCE_RESOLUTION}",
                                  "--dm", f"UserFlags={forced}")
        self.check_file(report["files"][0], 2550 * 200 // 300, 100 * 3300 // 300, (200, 100))

    def test_raw_bmp_pages_of_the_page_size_come_out_unchanged(self):
        # A 1-bit page at 100 dpi on Letter: black left half, a black bar across the top.
        width, height = 850, 1100
        page = Image.new("1", (width, height), 1)
        page.paste(0, (0, 0, width // 2, height))
        page.paste(0, (0, 0, width, 40))
        source = os.path.join(self.tmp.name, "raw.bmp")
        page.save(source)
        report = self.print_pages([source], "--dpi", "100")
        self.assertIn("EndPageRaw", [o["op"] for o in report["job"]["operations"]])
        entry = report["files"][0]
        self.check_file(entry, width, height, (100, 100))
        with Image.open(entry["host_path"]) as out:
            self.assertEqual(list(out.convert("L").getdata()), list(page.convert("L").getdata()))

    def test_four_pages_per_sheet_with_six_pages_gives_two_sheets(self):
        pages = SAMPLE * 3
        report = self.print_pages(pages, "--dpi", "100", "--dm", "PagesPerSheet=4")
        self.assertEqual(report["job"]["output_pages"], 6)
        self.assertEqual(len(report["files"]), 2)
        for entry in report["files"]:
            self.check_file(entry, 850, 1100, (100, 100))
        # Sheet 1 holds four pages, sheet 2 two: the right half of sheet 2's lower row is blank.
        with Image.open(report["files"][0]["host_path"]) as full, Image.open(report["files"][1]["host_path"]) as half:
            def ink(im, box):
                return sum(1 for v in im.crop(box).convert("L").getdata() if v < 128)
            lower = (0, 600, 850, 1000)
            self.assertGreater(ink(full, lower), 1000)
            self.assertEqual(ink(half, lower), 0)
            self.assertGreater(ink(half, (0, 100, 850, 550)), 1000)


if __name__ == "__main__":
    unittest.main()

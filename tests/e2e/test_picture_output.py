"""Pages printed to PNG, GIF, PCX, DCX, JPEG, JPEG L*a*b, EMF and the HTML and XML wrappers,
read back by independent decoders (Pillow, ImageMagick, pngcheck, a headless Chromium) and
compared with the BMP of the same page."""
import glob
import math
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

from twprint_runner import run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
CORPUS = sorted(glob.glob(os.path.join(ROOT, "..", "shared", "testdata", "emf", "*.emf")))
SAMPLE = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2)]
PAGES = SAMPLE + CORPUS[::9]
DPI = "100"
IDENTIFY = "/usr/bin/identify"
CHROMIUM = shutil.which("chromium")
# JPEG of a bilevel page: the test accepts the ringing round the glyphs up to this.
MIN_JPEG_PSNR_DB = 20.0
# L*a*b back to sRGB by the formula below: the mean difference from the page, in grey levels.
MAX_LAB_MEAN_DIFFERENCE = 6.0
# EMF played by GDI against the monitor's raster of the same page, in cells of 4 x 4 pixels: the
# mean difference of their grey, and the share of cells more than a quarter of the scale apart.
PLAYBACK_CELL = 4
MAX_PLAYBACK_MEAN_DIFFERENCE = 4.0
MAX_PLAYBACK_CELLS_APART = 0.005
BIN = os.environ.get("TW_BIN", os.path.join(ROOT, "build", "bin"))


def run_program(name, *args):
    proc = subprocess.run(["wine", os.path.join(BIN, name), *args], capture_output=True, text=True, timeout=120,
                          stdin=subprocess.DEVNULL)
    return proc.returncode, proc.stdout, proc.stderr


def fnv1a(data):
    h = 0x811C9DC5
    for b in data:
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return h


def psnr(a, b):
    pa, pb = a.tobytes(), b.tobytes()
    mse = sum((x - y) ** 2 for x, y in zip(pa, pb)) / len(pa)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def lab_to_grey(pixel):
    """An L*a*b pixel as the JPEG library stores it (L*x255/100, a*+128, b*+128) in sRGB grey."""
    l8, a8, b8 = pixel
    L, a, b = l8 * 100 / 255, a8 - 128, b8 - 128
    fy = (L + 16) / 116
    fx, fz = fy + a / 500, fy - b / 200

    def finv(t):
        return t ** 3 if t > 6 / 29 else 3 * (6 / 29) ** 2 * (t - 4 / 29)
    x, y, z = 0.95047 * finv(fx), finv(fy), 1.08883 * finv(fz)
    rgb = (3.2406 * x - 1.5372 * y - 0.4986 * z, -0.9689 * x + 1.8758 * y + 0.0415 * z,
           0.0557 * x - 0.2040 * y + 1.0570 * z)

    def gamma(c):
        c = min(max(c, 0.0), 1.0)
        return 12.92 * c if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055
    r, g, bl = (gamma(c) * 255 for c in rgb)
    return 0.299 * r + 0.587 * g + 0.114 * bl


def jfif_density(path):
    with open(path, "rb") as f:
        data = f.read(64)
    at = data.find(b"JFIF\0")
    assert at > 0, path
    units, x, y = struct.unpack_from(">BHH", data, at + 7)
    return units, x, y


# Ink bounding boxes of a sheet's pages, played metafile against raster: pixels apart.
MAX_SHEET_BOX_DIFFERENCE = 5
EMR_EXTTEXTOUTW = 84
EMR_STRETCHDIBITS = 81


def half_ink_boxes(image):
    """The bounding boxes of everything not white in the left and right halves of a page."""
    w, h = image.size
    ink = image.point(lambda v: 255 if v < 230 else 0)
    return [ink.crop((0, 0, w // 2, h)).getbbox(), ink.crop((w // 2, 0, w, h)).getbbox()]


def record_kinds(path):
    """How many records of each type a metafile holds."""
    with open(path, "rb") as f:
        data = f.read()
    kinds, at = {}, 0
    while at + 8 <= len(data):
        kind, size = struct.unpack_from("<II", data, at)
        kinds[kind] = kinds.get(kind, 0) + 1
        at += max(size, 8)
    return kinds


def identify(path):
    out = subprocess.run([IDENTIFY, "-format", "%m %w %h\n", path], capture_output=True, text=True, check=True)
    return [line.split() for line in out.stdout.splitlines() if line.strip()]


class PictureOutput(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.port = unique("TWP")
        cls.bmp = [Image.open(e["host_path"]).convert("L") for e in cls.files_of(cls, "0", PAGES)]

    @classmethod
    def tearDownClass(cls):
        run("ports", "delete", cls.port)
        cls.tmp.cleanup()

    def files_of(self, code, pages, *args, fail=False):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        rc, report, err = run_report("--port", self.port, "--format", code, "--dpi", DPI, "--out", out, *args, *pages)
        assert rc == 0, err
        assert report["job"]["failed"] == fail, report["job"]["status"]
        return report if fail else report["files"]

    def test_png_gif_and_pcx_pages_equal_the_bmp(self):
        for code, ext, kind in (("24", ".png", "PNG"), ("32", ".png", "PNG"), ("25", ".gif", "GIF"),
                                ("31", ".gif", "GIF"), ("1", ".pcx", "PCX")):
            with self.subTest(code=code):
                files = self.files_of(code, PAGES)
                self.assertEqual(len(files), len(PAGES))
                for entry, bmp in zip(files, self.bmp):
                    path = entry["host_path"]
                    self.assertTrue(path.endswith(ext), path)
                    with Image.open(path) as im:
                        self.assertEqual(im.convert("L").tobytes(), bmp.tobytes(), path)
                    self.assertEqual(identify(path), [[kind, str(bmp.width), str(bmp.height)]])
                    if kind == "PNG":
                        check = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True)
                        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_multipage_dcx_holds_every_page_and_single_page_dcx_one_each(self):
        files = self.files_of("2", PAGES, "--dm", "IsMultipageImageEnabled=1")
        paths = sorted({e["host_path"] for e in files})
        self.assertEqual(len(paths), 1)
        with open(paths[0], "rb") as f:
            head = f.read(40096)
        offsets = struct.unpack_from(f"<{len(PAGES) + 2}I", head, 0)
        self.assertEqual(offsets[0], 0x3ADE68B1)
        self.assertEqual(offsets[1], 40096)
        self.assertEqual(list(offsets[1:-1]), sorted(offsets[1:-1]))
        self.assertEqual(offsets[-1], 0)
        with Image.open(paths[0]) as im:
            self.assertEqual(im.n_frames, len(PAGES))
            for n, bmp in enumerate(self.bmp):
                im.seek(n)
                self.assertEqual(im.convert("L").tobytes(), bmp.tobytes(), n)
        self.assertEqual(len(identify(paths[0])), len(PAGES))
        single = self.files_of("2", SAMPLE)
        self.assertEqual(len({e["host_path"] for e in single}), len(SAMPLE))

    def test_jpeg_is_jfif_with_the_page_density_and_close_to_the_page(self):
        for code in ("16", "33"):
            files = self.files_of(code, PAGES)
            for entry, bmp in zip(files, self.bmp):
                path = entry["host_path"]
                self.assertEqual(jfif_density(path), (1, 100, 100))
                with Image.open(path) as im:
                    self.assertEqual(im.format, "JPEG")
                    self.assertGreater(psnr(im.convert("L"), bmp), MIN_JPEG_PSNR_DB, path)

    def test_jpeg_lab_turned_back_into_srgb_is_the_page(self):
        files = self.files_of("17", SAMPLE)
        for entry, bmp in zip(files, self.bmp):
            with Image.open(entry["host_path"]) as im:
                lab = im.convert("RGB").resize((bmp.width // 4, bmp.height // 4), Image.NEAREST)
            grey = bmp.resize(lab.size, Image.NEAREST)
            diffs = [abs(lab_to_grey(p) - g) for p, g in zip(lab.getdata(), grey.getdata())]
            self.assertLess(sum(diffs) / len(diffs), MAX_LAB_MEAN_DIFFERENCE)

    def test_emf_pages_are_the_drivers_pages(self):
        files = self.files_of("18", PAGES)
        self.assertEqual(len(files), len(PAGES))
        for entry, page in zip(files, PAGES):
            with open(entry["host_path"], "rb") as f, open(page, "rb") as g:
                self.assertEqual(f.read(), g.read(), page)

    def test_emf_played_by_gdi_matches_the_raster_of_the_page(self):
        files = self.files_of("18", SAMPLE)
        for entry, bmp in zip(files, self.bmp):
            shot = os.path.join(self.tmp.name, "played.bmp")
            rc, _, err = run_program("twplayemf.exe", win(entry["host_path"]), str(bmp.width), str(bmp.height), win(shot))
            self.assertEqual(rc, 0, err)
            with Image.open(shot) as im:
                played = im.convert("L").reduce(PLAYBACK_CELL)
            # GDI plays greys as greys where the monitor dithers them, and draws strokes of another
            # weight: the two are compared as the average grey of small cells.
            raster = bmp.reduce(PLAYBACK_CELL)
            diffs = [abs(a - b) for a, b in zip(played.getdata(), raster.getdata())]
            self.assertLess(sum(diffs) / len(diffs), MAX_PLAYBACK_MEAN_DIFFERENCE, entry["host_path"])
            self.assertLess(sum(1 for d in diffs if d > 64) / len(diffs), MAX_PLAYBACK_CELLS_APART, entry["host_path"])

    def test_emf_with_pages_per_sheet_holds_the_pages_records(self):
        sheet = ("--dm", "PagesPerSheet=2")
        [raster] = self.files_of("0", SAMPLE, *sheet)
        [entry] = self.files_of("18", SAMPLE, *sheet)
        kinds = record_kinds(entry["host_path"])
        # The pages' own text records, not one picture of the sheet.
        self.assertGreaterEqual(kinds.get(EMR_EXTTEXTOUTW, 0), sum(record_kinds(p)[EMR_EXTTEXTOUTW] for p in SAMPLE))
        self.assertEqual(kinds.get(EMR_STRETCHDIBITS, 0), 0)
        with Image.open(raster["host_path"]) as im:
            bmp = im.convert("L")
        shot = os.path.join(self.tmp.name, "sheet.bmp")
        rc, _, err = run_program("twplayemf.exe", win(entry["host_path"]), str(bmp.width), str(bmp.height), win(shot))
        self.assertEqual(rc, 0, err)
        with Image.open(shot) as im:
            played = im.convert("L")
        # GDI plays the greys the raster dithers, so the pages are compared by where their ink
        # lies: each half of the sheet (one page) within a few pixels of the raster's.
        for got, want in zip(half_ink_boxes(played), half_ink_boxes(bmp)):
            self.assertIsNotNone(got)
            for a, b in zip(got, want):
                self.assertLessEqual(abs(a - b), MAX_SHEET_BOX_DIFFERENCE, (got, want))

    def test_emf_in_memory_reaches_the_client_as_the_page_bytes(self):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        rc, report, err = run_report("--port", self.port, "--format", "18", "--dpi", DPI, "--out", out, "--listen",
                                     "--dm", "OutputInMemory=1", *SAMPLE)
        self.assertEqual(rc, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        images = [m for m in report["messages"] if m.get("kind") == "memory_image" or m.get("channel") == "copydata"]
        expected = []
        for page in SAMPLE:
            with open(page, "rb") as f:
                expected.append(fnv1a(f.read()))
        for channel in ("pipe", "copydata"):
            got = [m["data_fnv1a"] for m in images if m["channel"] == channel]
            self.assertEqual(got, expected, channel)
        self.assertEqual([f for f in os.listdir(out) if not f.endswith(".grp")], [])

    def test_html_wrappers_write_picture_and_page(self):
        for code, ext in (("26", "gif"), ("27", "PNG"), ("28", "JPG"), ("29", "BMP")):
            with self.subTest(code=code):
                files = self.files_of(code, SAMPLE[:1])
                html = [e["host_path"] for e in files if e["host_path"].endswith(".htm")]
                self.assertEqual(len(html), 1, files)
                picture = html[0][:-3] + ext
                with open(html[0], "rb") as f:
                    text = f.read().decode("ascii")
                src = "file:///" + win(picture).replace("\\", "/").replace(":", "|")
                self.assertIn(f'<img src="{src}">', text)
                with Image.open(picture) as im:
                    self.assertEqual(im.size, self.bmp[0].size)

    @unittest.skipUnless(CHROMIUM, "no Chromium")
    def test_html_page_shows_the_picture_in_a_browser(self):
        # The page names its picture by its Windows path on Wine's Z: drive, the Linux root, as
        # file:///Z|/...: a browser on Windows reads "Z|" as the drive, one on Linux as a folder
        # "/Z|", which is made to lead to the root for the test.
        link = "/Z|"
        made = False
        if not os.path.exists(link):
            try:
                os.symlink("/", link)
                made = True
            except OSError:
                self.skipTest("cannot map the Z: drive for the browser")
        try:
            files = self.files_of("27", SAMPLE[:1])
            html = [e["host_path"] for e in files if e["host_path"].endswith(".htm")][0]
            shot = os.path.join(self.tmp.name, "shot.png")
            bmp = self.bmp[0]
            size = f"{bmp.width + 40},{bmp.height + 40}"
            subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                            "--allow-file-access-from-files", f"--screenshot={shot}", f"--window-size={size}",
                            "file://" + html], capture_output=True, timeout=120)
            with Image.open(shot) as im:
                # The body's default margin of 8 pixels, then the picture at its own size.
                shown = im.convert("L").crop((8, 8, 8 + bmp.width, 8 + bmp.height))
            self.assertGreater(psnr(shown, bmp), 40.0)
        finally:
            if made:
                os.remove(link)

    def test_missing_jpeg_library_fails_the_page_and_leaves_no_file(self):
        report = self.files_of("16", SAMPLE[:1], "--dm", "JPEGDllName=C:\\nowhere\\NOJPEG.DLL", fail=True)
        self.assertEqual(report["job"]["status"], "JPEG32.DLL cannot be loaded")
        self.assertFalse([f for f in report["files"] if f["exists"]])


if __name__ == "__main__":
    unittest.main()

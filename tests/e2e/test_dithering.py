"""Whole jobs reducing a colour photo page and a grey-text page to 1 bit with every Dithering code.

Each page is an EMF written here: one EMR_STRETCHDIBITS that covers a Letter page at 100 DPI
with a bitmap made by Pillow at half that size, so that the page the monitor renders has the
bitmap's mean grey. The BMP files the jobs produce are read by Pillow and by hand: bit depth,
palette, size, and the mean grey against the source's within what each method can keep.
"""
import glob
import os
import struct
import tempfile
import unittest

from PIL import Image, ImageDraw, ImageFont, ImageStat

from twprint_runner import run, run_report, unique

DPI = 100
PAGE_W, PAGE_H = 850, 1100          # Letter at 100 DPI
BITMAP_W, BITMAP_H = PAGE_W // 2, PAGE_H // 2
PAPER_UM = (215900, 279400)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

EMR_HEADER, EMR_EOF, EMR_STRETCHDIBITS = 1, 14, 81
SRCCOPY = 0x00CC0020

# Dithering code: (method, tolerance of the mean grey on the photo page, on the text page).
# Code 0 renders straight to black and white, where GDI keeps only white as white: a photo turns
# black and grey text bolder, so no mean is kept and only the file's form is checked. 4 and 6
# are thresholds, which keep dark and light apart but not the mean of a photo.
METHODS = {
    0: ("direct black and white", None, None),
    1: ("library default (Floyd-Steinberg)", 4, 4),
    2: ("library ordered (Bayer)", 4, 4),
    3: ("library Jarvis-Judice-Ninke", 4, 4),
    4: ("library threshold (Otsu)", 48, 20),
    5: ("Stucki error diffusion", 4, 5),
    6: ("fixed threshold", 32, 10),
}


def luminance_mean(image):
    """Mean of (30 R + 59 G + 11 B) / 100, the grey the reductions weigh colours by."""
    rgb = image.convert("RGB")
    r, g, b = ImageStat.Stat(rgb).mean
    return (30 * r + 59 * g + 11 * b) / 100


def photo_bitmap():
    img = Image.new("RGB", (BITMAP_W, BITMAP_H))
    px = img.load()
    for y in range(BITMAP_H):
        for x in range(BITMAP_W):
            ring = int(40 * (((x - 200) ** 2 + (y - 180) ** 2) ** 0.5 % 24) / 24)
            px[x, y] = (min(255, x * 255 // BITMAP_W + ring), y * 255 // BITMAP_H, 255 - (x + y) * 255 // (BITMAP_W + BITMAP_H))
    draw = ImageDraw.Draw(img)
    draw.ellipse((60, 300, 220, 460), fill=(230, 40, 40))
    draw.ellipse((240, 60, 400, 220), fill=(20, 140, 60))
    return img


def text_bitmap():
    img = Image.new("RGB", (BITMAP_W, BITMAP_H), (255, 255, 255))
    draw = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT, 14)
    for i in range(30):
        grey = 0 if i % 3 == 0 else 80 + 3 * i
        draw.text((20, 20 + i * 17), "The quick brown fox jumps over the lazy dog 0123456789", fill=(grey,) * 3, font=font)
    return img


def emf_with_bitmap(img):
    """An EMF of one EMR_STRETCHDIBITS stretching `img` over the whole page."""
    w, h = img.size
    stride = (w * 3 + 3) // 4 * 4
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = img.crop((0, y, w, y + 1)).tobytes("raw", "BGR")
        rows.append(row + b"\0" * (stride - len(row)))
    bits = b"".join(rows)
    bmi = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 0, 0, 0, 0)
    bounds = struct.pack("<4i", 0, 0, PAGE_W - 1, PAGE_H - 1)
    fixed = 8 + 16 + 4 * 14
    record = struct.pack("<II", EMR_STRETCHDIBITS, fixed + len(bmi) + len(bits)) + bounds + struct.pack(
        "<iiiiiiIIIIIIii", 0, 0, 0, 0, w, h, fixed, len(bmi), fixed + len(bmi), len(bits), 0, SRCCOPY, PAGE_W, PAGE_H)
    record += bmi + bits
    eof = struct.pack("<IIIII", EMR_EOF, 20, 0, 16, 20)
    header_size = 108
    total = header_size + len(record) + len(eof)
    frame = struct.pack("<4i", 0, 0, PAPER_UM[0] // 10 - 1, PAPER_UM[1] // 10 - 1)
    header = struct.pack("<II", EMR_HEADER, header_size) + bounds + frame + struct.pack(
        "<IIIIHHIIIiiiiIIIii", 0x464D4520, 0x10000, total, 3, 1, 0, 0, 0, 0,
        PAGE_W, PAGE_H, PAPER_UM[0] // 1000, PAPER_UM[1] // 1000, 0, 0, 0, PAPER_UM[0], PAPER_UM[1])
    assert len(header) == header_size
    return header + record + eof


def read_bmp_header(path):
    """Bit depth, size and palette of a BMP, read without Pillow."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"BM", "not a BMP file"
    offset = struct.unpack_from("<I", data, 10)[0]
    size, width, height, planes, bits, compression, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    entries = used or (1 << bits if bits <= 8 else 0)
    palette = [struct.unpack_from("<BBBB", data, 14 + size + 4 * i)[:3][::-1] for i in range(entries)]
    return {"bits": bits, "width": width, "height": abs(height), "compression": compression,
            "palette": palette, "offset": offset, "file_size": len(data)}


class Dithering(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.pages = {}
        for name, img in (("photo", photo_bitmap()), ("text", text_bitmap())):
            path = os.path.join(cls.tmp.name, name + ".emf")
            with open(path, "wb") as f:
                f.write(emf_with_bitmap(img))
            cls.pages[name] = (path, luminance_mean(img))
        cls.port = unique("TWD")

    @classmethod
    def tearDownClass(cls):
        run("ports", "delete", cls.port)
        cls.tmp.cleanup()

    def print_page(self, page, dithering):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = run_report("--port", self.port, "--format", "0", "--dpi", f"{DPI},{DPI}", "--paper", "1",
                                       "--color", "0", "--dither", str(dithering), "--out", out,
                                       "--doc", f"{page}-{dithering}", self.pages[page][0])
        self.assertEqual(code, 0, err)
        self.assertIsNotNone(report, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        bmps = glob.glob(os.path.join(out, "**", "*.bmp"), recursive=True) + \
            glob.glob(os.path.join(out, "**", "*.BMP"), recursive=True)
        if not report["files"] and not bmps:
            self.skipTest("twprint wrote no output file: page rendering and the BMP writer have not landed")
        self.assertEqual(len(bmps), 1, report["files"])
        return bmps[0]

    def check_page(self, page):
        source = self.pages[page][1]
        for dithering, (method, photo_tol, text_tol) in METHODS.items():
            with self.subTest(page=page, dithering=dithering, method=method):
                path = self.print_page(page, dithering)
                head = read_bmp_header(path)
                self.assertEqual(head["bits"], 1)
                self.assertEqual(head["compression"], 0)
                self.assertEqual(head["palette"], [(0, 0, 0), (255, 255, 255)])
                self.assertLessEqual(abs(head["width"] - PAGE_W), 2)
                self.assertLessEqual(abs(head["height"] - PAGE_H), 2)
                with Image.open(path) as img:
                    self.assertIn(img.mode, ("1", "P"))
                    self.assertEqual(img.size, (head["width"], head["height"]))
                    mean = luminance_mean(img)
                tolerance = photo_tol if page == "photo" else text_tol
                if tolerance is None:
                    continue
                self.assertLessEqual(abs(mean - source), tolerance,
                                     f"{method}: mean grey {mean:.1f}, source {source:.1f}")

    def test_photo_page_with_every_dithering_code(self):
        self.check_page("photo")

    def test_grey_text_page_with_every_dithering_code(self):
        self.check_page("text")

    def test_pages_are_what_their_means_say(self):
        # The two pages differ enough for the tolerances above to tell a method that lost
        # or inverted the page from one that kept it.
        photo, text = self.pages["photo"][1], self.pages["text"][1]
        self.assertTrue(90 < photo < 170, photo)
        self.assertGreater(text, 200)


if __name__ == "__main__":
    unittest.main()

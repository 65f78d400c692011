"""Raw-data pages as BMP readers read them: top-down rows, palettes implied by biClrUsed 0, and
the last incomplete pages-per-sheet sheet of raw pages; output BMPs compared pixel by pixel."""
import os
import struct
import tempfile
import unittest

from PIL import Image

from twprint_runner import run, run_report, unique

DPI = 50
WIDTH, HEIGHT = 425, 550  # Letter at 50 dpi: the raw page is the page, pixel for pixel


def ink(x, y):
    """The test picture: black where true. A bar across the top, a left column, a checker block."""
    return y < 19 or x < 31 or (150 <= x < 250 and 200 <= y < 350 and ((x // 10 + y // 10) % 2 == 0))


def pack(indexes, bits):
    """One row of palette indexes packed most significant first, padded to 32 bits."""
    per_byte = 8 // bits
    out = bytearray()
    for i in range(0, len(indexes), per_byte):
        byte = 0
        for j, index in enumerate(indexes[i:i + per_byte]):
            byte |= index << (8 - bits * (j + 1))
        out.append(byte)
    out.extend(b"\0" * (-len(out) % 4))
    return bytes(out)


def write_bmp(path, bits, top_down=False, clr_used=None):
    """A BMP of the test picture written by hand: `bits` 1, 4 or 8 with a palette whose first
    entry is black and last white (greys between); `clr_used` None writes biClrUsed 0."""
    entries = 1 << bits
    palette = b"".join(struct.pack("<BBBB", *(3 * [i * 255 // (entries - 1)]), 0) for i in range(entries))
    rows = [pack([0 if ink(x, y) else entries - 1 for x in range(WIDTH)], bits) for y in range(HEIGHT)]
    stored = rows if top_down else rows[::-1]
    bits_data = b"".join(stored)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, -HEIGHT if top_down else HEIGHT, 1, bits, 0, len(bits_data),
                       3937, 3937, 0 if clr_used is None else clr_used, 0)
    offset = 14 + len(info) + len(palette)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits_data), 0, 0, offset) + info + palette + bits_data)


def expected_picture():
    im = Image.new("1", (WIDTH, HEIGHT), 1)
    px = im.load()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if ink(x, y):
                px[x, y] = 0
    return im


class RawPages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.expected = [v != 0 for v in expected_picture().getdata()]

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWR")

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def print_pages(self, pages, *args):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = run_report("--port", self.port, "--format", "0", "--dpi", str(DPI), "--out", out, *args,
                                       *pages)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        return report

    def test_top_down_and_implied_palettes_come_out_as_the_page(self):
        cases = [("top-down 1-bit", 1, True, 2), ("1-bit biClrUsed 0", 1, False, None),
                 ("4-bit biClrUsed 0", 4, False, None), ("8-bit biClrUsed 0", 8, False, None),
                 ("top-down 8-bit biClrUsed 0", 8, True, None)]
        pages = []
        for i, (_, bits, top_down, clr_used) in enumerate(cases):
            path = os.path.join(self.tmp.name, f"page{i}.bmp")
            write_bmp(path, bits, top_down, clr_used)
            pages.append(path)
        report = self.print_pages(pages)
        self.assertEqual(report["job"]["output_pages"], len(cases))
        self.assertEqual(len(report["files"]), len(cases))
        for (name, *_), entry in zip(cases, report["files"]):
            with self.subTest(name), Image.open(entry["host_path"]) as out:
                self.assertEqual(out.size, (WIDTH, HEIGHT))
                got = [v != 0 for v in out.convert("1").getdata()]
                self.assertEqual(len(got), len(self.expected))
                self.assertEqual(sum(1 for a, b in zip(got, self.expected) if a != b), 0)

    def test_last_incomplete_sheet_of_raw_pages_with_stucki_dithering(self):
        # Four pages per sheet, five 1-bit raw pages, Dithering 5: the fifth page's sheet is
        # flushed at the end of the document and must come out like the first.
        path = os.path.join(self.tmp.name, "page.bmp")
        write_bmp(path, 1, clr_used=2)
        report = self.print_pages([path] * 5, "--dither", "5", "--dm", "PagesPerSheet=4")
        self.assertEqual(report["job"]["output_pages"], 5)
        self.assertEqual(len(report["files"]), 2)
        for entry in report["files"]:
            self.assertTrue(entry["exists"], entry)
            with Image.open(entry["host_path"]) as sheet:
                self.assertEqual(sheet.mode, "1")
                self.assertEqual(sheet.size, (WIDTH, HEIGHT))
        with Image.open(report["files"][1]["host_path"]) as last:
            # One page in the first cell: ink there, none in the second.
            black = [v for v in last.crop((50, 50, 200, 250)).getdata() if v == 0]
            self.assertGreater(len(black), 250)
            self.assertEqual([v for v in last.crop((225, 50, 375, 250)).getdata() if v == 0], [])


if __name__ == "__main__":
    unittest.main()

"""Barcodes through whole jobs: every kind and one-dimensional symbology stamped on a blank page
at the alignments and rotations, decoded from the BMP and TIFF output by an independent reader and
found where the placement arithmetic puts it; every value source; every error of a page written
as "Barcode Error" with the page still produced; and bad input that must neither crash nor hang."""
import glob
import os
import tempfile
import time
import unittest

import zxingcpp
from PIL import Image

from text_pages import text_page
from twprint_runner import read_ini, run_report, unique, win

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))

# The driver's defaults of the numbered parameters, as the README lists them.
DEFAULTS = {"BarcodeOneDParam1": 4, "BarcodeOneDParam2": 4, "BarcodeOneDParam3": 4, "BarcodeOneDParam4": 4,
            "BarcodeQRParam1": 2, "BarcodeQRParam2": 8, "BarcodeQRParam3": 8,
            "BarcodeDataMatrixParam1": 10, "BarcodeDataMatrixParam2": 1, "BarcodeDataMatrixParam3": 1,
            "BarcodeDataMatrixParam4": 2, "BarcodePDF417Param1": 9, "BarcodePDF417Param2": 0,
            "BarcodePDF417Param3": 0, "BarcodePDF417Param4": 4, "BarcodePDF417Param5": 48,
            "BarcodePDF417Param6": 1}

# (kind, symbology, value, reader format, quiet zone across and along in pixels at module m)
F = zxingcpp.BarcodeFormat
SYMBOLS = [
    ("0", "2", "QR-VALUE-0042", F.QRCode, lambda p: (8, 8)),
    ("1", "2", "DM 12345 XYZ", F.DataMatrix, lambda p: (20, 20)),
    ("2", "2", "PDF417 VALUE 77", F.PDF417, lambda p: (4, 4)),
    ("3", "0", "CODE39 VAL", F.Code39, lambda p: (16, 16)),
    ("3", "1", "Ext39 val", F.Code39, lambda p: (16, 16)),
    ("3", "2", "Code128-Value", F.Code128, lambda p: (16, 16)),
    ("3", "3", "400638133393", F.EAN13, lambda p: (16, 16)),
    ("3", "4", "03600029145", F.UPCA, lambda p: (16, 16)),
    ("3", "5", "1234567890", F.ITF, lambda p: (16, 16)),
    ("3", "6", "A40156B", F.Codabar, lambda p: (16, 16)),
    ("3", "7", "CODE93 VAL", F.Code93, lambda p: (16, 16)),
    ("3", "8", "9638507", F.EAN8, lambda p: (16, 16)),
    ("3", "9", "0123456", F.UPCE, lambda p: (16, 16)),
]
# What the reader gives back: retail codes with their check digits, Codabar without its start and stop.
# The reader shows Extended Code 39's pairs as they are ("+X" is "x").
DECODED = {"Ext39 val": "E+X+T39 +V+A+L", "A40156B": "40156", "400638133393": "4006381333931", "03600029145": "036000291452", "9638507": "96385074",
           "0123456": "01234565"}


def dm_args(values):
    args = []
    for name, value in values.items():
        args += ["--dm", f"{name}={value}"]
    return args


class Barcodes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.port = unique("TWB")
        cls.printer = "TW Barcodes " + cls.port[3:-1]
        d = cls.tmp.name
        cls.blank = os.path.join(d, "blank.emf")
        with open(cls.blank, "wb") as f:
            f.write(text_page([]))
        cls.invoice = os.path.join(d, "invoice.emf")
        with open(cls.invoice, "wb") as f:
            f.write(text_page([(150, 150, "ACME Supplies Ltd."), (150, 260, "INVOICE"),
                               (150, 360, "Invoice No: INV-2024-0815"), (150, 440, "Date: 2024-05-01"),
                               (150, 600, "Total due: 1,234.50 EUR")]))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def file(self, name, data):
        path = os.path.join(self.tmp.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def job(self, *args, pages=None, dpi="300", fmt="0", settings=(), **dm):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        values = dict(DEFAULTS, BarcodeEnabled=1)
        values.update(dm)
        sets = []
        for name, value in settings:
            sets += ["--set", f"Barcode Settings\\{name}=sz:{value}"]
        start = time.monotonic()
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", out, "--dpi", dpi,
                                       "--format", fmt, *dm_args(values), *sets, *args,
                                       *(pages or [self.blank]))
        self.assertEqual(code, 0, err)
        self.assertIsNotNone(report, err)
        images = sorted(glob.glob(os.path.join(out, "*.bmp")) + glob.glob(os.path.join(out, "*.tif")))
        groups = glob.glob(os.path.join(out, "*.grp"))
        self.assertEqual(len(groups), 1)
        return images, read_ini(win(groups[0])), time.monotonic() - start

    def decode(self, image, fmt=None):
        with Image.open(image) as im:
            page = im.convert("L")
        # The symbol with a margin of white: the reader misses small DataMatrix symbols on a whole
        # page. One symbol: its search for several trips an assertion of its own on
        # one-dimensional symbols (zxing-cpp 1.4).
        left, top, right, bottom = self.dark_box(page)
        margin = 60
        region = page.crop((max(0, left - margin), max(0, top - margin), min(page.width, right + margin),
                            min(page.height, bottom + margin)))
        found = zxingcpp.read_barcode(region, formats=fmt) if fmt else zxingcpp.read_barcode(region)
        return page, [found] if found else []

    def dark_box(self, page):
        box = page.point(lambda v: 255 if v < 128 else 0).getbbox()
        self.assertIsNotNone(box, "nothing drawn")
        return box  # left, top, right + 1, bottom + 1

    def test_every_symbol_at_the_alignments_and_rotations(self):
        units = {0: 1.0, 1: 1 / 254.0, 2: 1 / 100.0}
        for i, (kind, symbology, value, fmt, quiet) in enumerate(SYMBOLS):
            h, v, rotation, unit = i % 3, (i // 3) % 3, i % 4, i % 3
            fax, tiff = i % 2 == 0, (i // 2) % 2 == 0  # every pairing of resolution and format
            dpi, (xdpi, ydpi) = ("204,196", (204, 196)) if fax else ("300", (300, 300))
            xoff, yoff = 60 + 10 * i, 90 - 5 * i
            with self.subTest(kind=kind, symbology=symbology, h=h, v=v, rotation=rotation, fax=fax, tiff=tiff):
                images, group, _ = self.job(
                    dpi=dpi, fmt="7" if tiff else "0", settings=[("Value", value)], BarcodeKind=kind,
                    BarcodeSymbology=symbology, BarcodeHorizontalAlignment=h, BarcodeVerticalAlignment=v,
                    BarcodeXOffset=xoff, BarcodeYOffset=yoff, BarcodeRotation=rotation, BarcodeOffsetUnit=unit)
                self.assertEqual(len(images), 1)
                self.assertNotIn("Barcode Error", group["Page 1"])
                page, found = self.decode(images[0], fmt)
                self.assertEqual([r.text for r in found], [DECODED.get(value, value)])
                # Where it is: the dark box widened by the quiet zones is the symbol the placement
                # arithmetic placed, to within one module (8 pixels at the most).
                left, top, right, bottom = self.dark_box(page)
                qa, qb = quiet(None)
                qx, qy = (qb, qa) if rotation % 2 else (qa, qb)
                qy = qy * ydpi / xdpi
                w, hgt = right - left + 2 * qx, bottom - top + 2 * qy
                x = round(xoff * units[unit] * xdpi) if unit else xoff
                y = round(yoff * units[unit] * ydpi) if unit else yoff
                want_x = [x, x + round((page.width - w) / 2), page.width - x - w][h]
                want_y = [y, y + round((page.height - hgt) / 2), page.height - y - hgt][v]
                self.assertLessEqual(abs(left - qx - want_x), 8, (left, qx, want_x))
                self.assertLessEqual(abs(top - qy - want_y), 8, (top, qy, want_y))

    def test_value_sources(self):
        utf16 = self.file("value16.txt", "\ufeffGrüße aus Köln".encode("utf-16-le"))
        ansi = self.file("value.txt", "Café No 5\r\n".encode("cp1252"))
        pattern = self.file("invoice.re", "\ufeffInvoice No: (INV-\\d+-(\\d+))".encode("utf-16-le"))
        fmt = self.file("invoice.fmt", "\ufeff$1/$2".encode("utf-16-le"))
        cases = [
            ("QR, UTF-16 value file", dict(BarcodeKind=0, BarcodeValueSource=1), [("Value File", win(utf16))],
             [self.blank], "Grüße aus Köln"),
            ("PDF417, ANSI value file", dict(BarcodeKind=2, BarcodeValueSource=1), [("Value File", win(ansi))],
             [self.blank], "Café No 5"),
            ("Code 128, expression over the page", dict(BarcodeKind=3, BarcodeValueSource=2),
             [("RegExp File", win(pattern)), ("RegExp Format File", win(fmt))], [self.invoice],
             "INV-2024-0815/0815"),
            ("QR, the page text", dict(BarcodeKind=0, BarcodeValueSource=3, BarcodeHorizontalAlignment=2,
                                       BarcodeVerticalAlignment=2), [], [self.invoice], None),
        ]
        for name, dm, settings, pages, want in cases:
            with self.subTest(name):
                images, group, _ = self.job(pages=pages, settings=settings, BarcodeXOffset=40, BarcodeYOffset=40,
                                            **dm)
                self.assertNotIn("Barcode Error", group["Page 1"])
                _, found = self.decode(images[0])
                texts = [r.text for r in found]
                if want is None:
                    self.assertEqual(len(texts), 1, texts)
                    for word in ("ACME", "INVOICE", "INV-2024-0815", "1,234.50"):
                        self.assertIn(word, texts[0])
                else:
                    self.assertEqual(texts, [want])

    def test_errors_are_written_once_per_page_and_the_page_is_still_made(self):
        d = self.tmp.name
        stub = os.path.join(d, "stubs")
        os.makedirs(stub, exist_ok=True)
        # A library of the right name without the exports: any other DLL of ours will do.
        with open(os.path.join(BIN, "TwPlugIn.dll"), "rb") as src:
            self.file(os.path.join("stubs", "TuBwQRr.dll"), src.read())
        pattern = self.file("order.re", "Order (\\d+)".encode("cp1252"))
        missing = win(os.path.join(d, "no", "such.txt"))
        cases = [
            ("empty value", dict(BarcodeKind=0), [("Value", "")], "Invalid barcode value (Empty string)"),
            ("51-byte one-dimensional value", dict(BarcodeKind=3), [("Value", "7" * 51)], "Invalid barcode value"),
            ("missing value file", dict(BarcodeKind=0, BarcodeValueSource=1), [("Value File", missing)],
             f"Barcode value file not found ({missing})"),
            ("missing pattern file", dict(BarcodeKind=0, BarcodeValueSource=2), [("RegExp File", missing)],
             f"Regular expression file not found ({missing})"),
            ("no match", dict(BarcodeKind=0, BarcodeValueSource=2), [("RegExp File", win(pattern))],
             "Invalid barcode value (Regular expression does not match)"),
            ("missing library", dict(BarcodeKind=1), [("Value", "x"), ("Library Directory", win(os.path.join(d, "none")))],
             "Internal Error (Could not load DataMatrix dll)"),
            ("library without its exports", dict(BarcodeKind=0), [("Value", "x"), ("Library Directory", win(stub))],
             "Internal Error (Could not load barcode dll)"),
            ("larger than the page", dict(BarcodeKind=0, BarcodeQRParam2=60), [("Value", "y" * 300)],
             "Invalid barcode value (Barcode larger than the page)"),
        ]
        for name, dm, settings, error in cases:
            with self.subTest(name):
                images, group, _ = self.job(pages=[self.invoice, self.invoice], settings=settings, **dm)
                self.assertEqual(len(images), 2, "both pages are written")
                for page in ("Page 1", "Page 2"):
                    self.assertEqual(group[page].get("Barcode Error"), error)
                if name == "missing pattern file":
                    # The page's own text is then the value.
                    _, found = self.decode(images[0])
                    self.assertEqual(len(found), 1)
                    self.assertIn("INV-2024-0815", found[0].text)

    def test_bad_input_neither_crashes_nor_hangs(self):
        bad = self.file("bad.re", b"(unclosed [")
        runaway = self.file("runaway.re", b"(a+)+[bc]")
        long_page = self.file("long.emf", text_page([(50, 20 + 30 * i, "a" * 400) for i in range(100)], height=20))
        big = self.file("big.txt", b"9" * (10 * 1024 * 1024))
        broken = self.file("broken16.txt", b"\xff\xfe" + "ab".encode("utf-16-le") + b"\x00\xdc" + "cd".encode("utf-16-le"))
        cases = [
            ("invalid pattern", dict(BarcodeValueSource=2), [("RegExp File", win(bad))], [self.invoice],
             "Invalid barcode value (Invalid regular expression)"),
            ("catastrophic backtracking", dict(BarcodeValueSource=2), [("RegExp File", win(runaway))], [long_page],
             "Invalid barcode value (Regular expression match limit reached)"),
            ("10 MB value file", dict(BarcodeValueSource=1), [("Value File", win(big))], [self.blank],
             f"Invalid barcode value ({win(big)} is larger than 65536 bytes)"),
            ("invalid UTF-16 value file", dict(BarcodeValueSource=1), [("Value File", win(broken))], [self.blank],
             "Invalid barcode value (Unicode ANSI conversion failed)"),
        ]
        for name, dm, settings, pages, error in cases:
            with self.subTest(name):
                images, group, seconds = self.job(pages=pages, settings=settings, BarcodeKind=0, **dm)
                self.assertEqual(len(images), 1)
                self.assertEqual(group["Page 1"].get("Barcode Error"), error)
                # The match limits bound the runaway pattern; this only catches a hang.
                self.assertLess(seconds, 120)


if __name__ == "__main__":
    unittest.main()

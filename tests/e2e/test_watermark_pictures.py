"""Watermark pictures through whole jobs: the same picture as BMP, PNG (1, 8, 24 and 32 bits,
with and without alpha), JPEG (grey and colour) and TIFF (bilevel and colour) gives the same
page; each position code puts it where its arithmetic says, portrait and landscape, on the
first page only when asked; a picture that cannot be used leaves the page without it and says
why."""
import os
import struct
import tempfile
import unittest
import zlib

from PIL import Image

from twprint_runner import run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
PAGE = os.path.join(ROOT, "examples", "page1.emf")
BLOCK = 16  # JPEG's own block size: flat blocks come back flat


def pattern():
    """Black and white blocks, a picture no page content looks like."""
    im = Image.new("RGB", (12 * BLOCK, 8 * BLOCK), "white")
    px = im.load()
    for y in range(im.height):
        for x in range(im.width):
            if (x // BLOCK + y // BLOCK) % 2 == 0 or (x // BLOCK == 3 and y // BLOCK > 2):
                px[x, y] = (0, 0, 0)
    return im


def blank_emf(path, landscape=False):
    """An empty Letter page: a metafile header and its end record."""
    frame = (0, 0, 27940, 21590) if landscape else (0, 0, 21590, 27940)
    device = (1100, 850) if landscape else (850, 1100)
    mm = (279, 216) if landscape else (216, 279)
    header_size, eof_size = 108, 20
    header = struct.pack("<II4i4iIIIIHHIIIii ii III ii".replace(" ", ""), 1, header_size, 0, 0, -1, -1, *frame,
                         0x464D4520, 0x10000, header_size + eof_size, 2, 1, 0, 0, 0, 0, *device, *mm, 0, 0, 0,
                         frame[2] * 10, frame[3] * 10)
    eof = struct.pack("<IIIII", 14, eof_size, 0, 16, eof_size)
    with open(path, "wb") as f:
        f.write(header + eof)


def ink_box(report, index=0):
    """(left, top, right, bottom) of the black pixels of page `index`, and the page size."""
    files = [f["host_path"] for f in report["files"] if f["host_path"].lower().endswith(".bmp")]
    with Image.open(files[index]) as im:
        page = im.convert("L")
    inverted = page.point(lambda v: 255 - v)
    return inverted.getbbox(), page.size


def page_pixels(report):
    files = [f["host_path"] for f in report["files"] if f["host_path"].lower().endswith(".bmp")]
    assert len(files) == 1, report["files"]
    with Image.open(files[0]) as im:
        return im.convert("1").tobytes()


class WatermarkPictures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.port = unique("TWW")
        base = pattern()
        d = cls.tmp.name
        rgba = base.convert("RGBA")
        # Transparent where white: laid over white it is the same picture.
        rgba.putdata([(r, g, b, 0 if r == 255 else 255) for r, g, b, _ in rgba.getdata()])
        cls.pictures = {
            "bmp24": ("bmp", base), "bmp8": ("bmp", base.convert("L")), "bmp1": ("bmp", base.convert("1")),
            "png1": ("png", base.convert("1")), "png8": ("png", base.convert("P")), "png24": ("png", base),
            "png32": ("png", base.convert("RGBA")), "png32alpha": ("png", rgba),
            "jpggrey": ("jpg", base.convert("L")), "jpgcolour": ("jpg", base), "jpgjpeg": ("jpeg", base),
            "tifbilevel": ("tif", base.convert("1")), "tifcolour": ("tif", base),
        }
        cls.paths = {}
        for name, (ext, im) in cls.pictures.items():
            path = os.path.join(d, f"{name}.{ext}")
            im.save(path, quality=95) if ext.startswith("jp") else im.save(path)
            cls.paths[name] = path

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def job(self, picture, *extra):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        code, report, err = run_report("--port", self.port, "--format", "0", "--dpi", "100,100", "--out", out,
                                       "--dm", "WatermarkImage=1", "--dm", f"PortraitWatermarkImage={win(picture)}",
                                       "--dm", "WatermarkPortraitPosition4=1", "--dm", "PortraitWatermarkBrightness=0",
                                       *extra, PAGE)
        self.assertIsNotNone(report, err)
        return code, report

    def test_every_format_gives_the_same_page(self):
        _, plain = self.job(os.path.join(self.tmp.name, "none.bmp"))
        code, reference = self.job(self.paths["bmp24"])
        self.assertEqual(code, 0)
        self.assertNotEqual(page_pixels(reference), page_pixels(plain))
        want = page_pixels(reference)
        for name, path in self.paths.items():
            with self.subTest(name):
                code, report = self.job(path)
                self.assertEqual(code, 0, report.get("status"))
                got = page_pixels(report)
                differing = sum(bin(a ^ b).count("1") for a, b in zip(got, want))
                self.assertLessEqual(differing, 40 if name.startswith("jpg") else 0)

    def placed(self, *extra, pages=1, landscape=False):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        blank = os.path.join(self.tmp.name, "blank_l.emf" if landscape else "blank_p.emf")
        blank_emf(blank, landscape)
        code, report, err = run_report("--port", self.port, "--format", "0", "--dpi", "100,100", "--out", out,
                                       "--dm", "WatermarkImage=1",
                                       "--dm", f"PortraitWatermarkImage={win(self.paths['bmp24'])}",
                                       "--dm", f"LandscapeWatermarkImage={win(self.paths['bmp24'])}",
                                       "--dm", "PortraitWatermarkBrightness=0", "--dm", "LandscapeWatermarkBrightness=0",
                                       *(["--landscape"] if landscape else []), *extra, *([blank] * pages))
        self.assertIsNotNone(report, err)
        self.assertEqual(code, 0, err)
        return report

    def test_each_position_where_its_arithmetic_puts_it(self):
        w, h = self.pictures["bmp24"][1].size
        for landscape in (False, True):
            orientation = "Landscape" if landscape else "Portrait"
            for code in (1, 2, 4, 8, 16, 32, 64, 128):
                with self.subTest(orientation=orientation, code=code):
                    report = self.placed("--dm", f"Watermark{orientation}Position{code}=1", landscape=landscape)
                    box, (W, H) = ink_box(report)
                    self.assertEqual((W > H), landscape)
                    scaled = int(h * (W / w))
                    want = {1: (0, 0, W, H), 8: (0, 0, W, H),
                            2: (0, max(0, (H - scaled) // 2), W, min(H, max(0, (H - scaled) // 2) + scaled)),
                            32: (0, max(0, H - scaled), W, H), 128: (0, 0, W, min(H, scaled)),
                            4: ((W - w) // 2, (H - h) // 2, (W - w) // 2 + w, (H - h) // 2 + h),
                            16: ((W - w) // 2, H - h, (W - w) // 2 + w, H),
                            64: ((W - w) // 2, 0, (W - w) // 2 + w, h)}[code]
                    for got, expected in zip(box, want):
                        self.assertLessEqual(abs(got - expected), 1, (box, want))

    def test_first_page_only(self):
        report = self.placed("--dm", "WatermarkFirstPageOnly=1", pages=2)
        self.assertIsNotNone(ink_box(report, 0)[0])
        self.assertIsNone(ink_box(report, 1)[0])
        report = self.placed(pages=2)
        self.assertIsNotNone(ink_box(report, 1)[0])

    def test_bad_pictures_leave_the_page_and_say_why(self):
        _, plain_report = self.job(os.path.join(self.tmp.name, "absent.png"))
        bad = os.path.join(self.tmp.name, "bad.jpg")
        with open(bad, "wb") as f:
            f.write(b"\xff\xd8\xff\xe0" + b"\0" * 100)
        huge = os.path.join(self.tmp.name, "huge.png")
        with open(self.paths["png24"], "rb") as f:
            data = bytearray(f.read())
        data[16:24] = (100000).to_bytes(4, "big") * 2  # IHDR width and height, with its CRC made good
        data[29:33] = zlib.crc32(bytes(data[12:29])).to_bytes(4, "big")
        with open(huge, "wb") as f:
            f.write(data)
        cut = []
        for name in ("png24", "tifcolour"):
            with open(self.paths[name], "rb") as f:
                data = f.read()
            path = os.path.join(self.tmp.name, "cut_" + os.path.basename(self.paths[name]))
            with open(path, "wb") as f:
                f.write(data[:len(data) // 3])
            cut.append(path)
        for path in (bad, huge, os.path.join(self.tmp.name, "absent.png"), *cut):
            with self.subTest(os.path.basename(path)):
                _, report = self.job(path)
                self.assertEqual(page_pixels(report), page_pixels(plain_report))
                self.assertIn("Watermark picture cannot be loaded", str(report))


if __name__ == "__main__":
    unittest.main()

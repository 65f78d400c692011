"""Watermark pictures through whole jobs: the same picture as BMP, PNG (1, 8, 24 and 32 bits,
with and without alpha), JPEG (grey and colour) and TIFF (bilevel and colour) gives the same
page, and a picture that cannot be used leaves the page without it and says why."""
import os
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
        for path in (bad, huge, os.path.join(self.tmp.name, "absent.png")):
            with self.subTest(os.path.basename(path)):
                _, report = self.job(path)
                self.assertEqual(page_pixels(report), page_pixels(plain_report))
                self.assertIn("Watermark picture cannot be loaded", str(report))


if __name__ == "__main__":
    unittest.main()

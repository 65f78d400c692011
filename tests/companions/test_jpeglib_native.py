"""JPEG32.DLL's files read by Pillow on Linux: JFIF with density, grey as one component, and the
L*a*b file turned back into sRGB by this test's own CIELAB formula."""
import os
import subprocess
import tempfile
import unittest

from PIL import Image

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
DRIVER = os.path.join(BIN, "test_companions.exe")


def psnr(a, b):
    pa, pb = a.tobytes(), b.tobytes()
    mse = sum((x - y) ** 2 for x, y in zip(pa, pb)) / len(pa)
    return 99.0 if mse == 0 else 10 * __import__("math").log10(255 * 255 / mse)


def lab_to_srgb(l8, a8, b8):
    """Bytes L* x 255/100, a* + 128, b* + 128 (D65 white) to sRGB bytes."""
    L, a, b = l8 * 100.0 / 255.0, a8 - 128.0, b8 - 128.0
    fy = (L + 16) / 116
    fx, fz = fy + a / 500, fy - b / 200

    def finv(t):
        return t ** 3 if t ** 3 > 216 / 24389 else (116 * t - 16) / (24389 / 27)

    x, y, z = 0.95047 * finv(fx), finv(fy), 1.08883 * finv(fz)
    r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z
    g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z
    bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z

    def gamma(c):
        c = min(max(c, 0.0), 1.0)
        return 12.92 * c if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055

    return tuple(round(255 * gamma(c)) for c in (r, g, bl))


class JpegFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        env = dict(os.environ, TW_JPEGLIB_OUT="Z:" + cls.tmp.name.replace("/", "\\"))
        proc = subprocess.run(["wine", DRIVER, "--gtest_filter=JpegNativeFiles.*"], env=env, capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=300)
        if proc.returncode != 0:
            raise AssertionError(proc.stdout + proc.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def open(self, name):
        image = Image.open(os.path.join(self.tmp.name, name))
        image.load()
        return image

    def test_colour_is_jfif_with_density_and_close_to_the_page(self):
        image = self.open("colour.jpg")
        self.assertEqual(image.format, "JPEG")
        self.assertEqual(image.mode, "RGB")
        self.assertIn("jfif", image.info)
        self.assertEqual(image.info.get("dpi"), (300, 300))
        source = self.open("source.bmp").convert("RGB")
        self.assertEqual(image.size, source.size)
        self.assertGreater(psnr(image, source), 30.0)

    def test_grey_pages_are_one_component(self):
        image = self.open("grey.jpg")
        self.assertEqual(image.mode, "L")
        self.assertEqual(image.size, (200, 100))
        self.assertAlmostEqual(image.getpixel((150, 50)), 200, delta=4)

    def test_lab_decodes_to_the_page_through_cielab(self):
        image = self.open("lab.jpg")
        # An Adobe marker with transform 0: decoders hand the samples over untouched.
        self.assertEqual(image.mode, "RGB")
        self.assertNotIn("jfif", image.info)
        source = self.open("source.bmp").convert("RGB")
        worst, total, count = 0, 0, 0
        for y in range(5, 300, 37):
            for x in range(5, 400, 41):
                expected = source.getpixel((x, y))
                got = lab_to_srgb(*image.getpixel((x, y)))
                error = max(abs(e - g) for e, g in zip(expected, got))
                worst, total, count = max(worst, error), total + error, count + 1
        self.assertLess(total / count, 6, f"mean error {total / count}, worst {worst}")


if __name__ == "__main__":
    unittest.main()

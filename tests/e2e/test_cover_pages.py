"""Cover pages from the form filler through whole jobs: the application starter TuMAppTS.exe starts
the stand-in editor "Cover Page Filler.exe", which fills the template's fields and hands the pages
back; the cover pages go before (or are moved in front of) a three-page document in TIFF G4, BMP
and PNG. The filled text is found on the cover page by rendering the expected text with GDI in a
program of its own (twrendertext.exe). Then the editor that cancels, never answers, dies, or hands
over broken data, and the libraries that are missing or lack an entry point."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np
from PIL import Image, ImageChops, ImageDraw

from twprint_runner import BIN, run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
PAGES = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2, 3)]
STARTER = win(os.path.abspath(os.path.join(BIN, "TuMAppTS.exe")))
LIBRARIES = ["TwImg1x.dll", "TwAnnox.dll", "TwDibx.dll", "TwImg2x.dll", "TwImg3x.dll", "lcms2x.dll"]
EDITOR = "Cover Page Filler.exe"
JOB_ID = 11
DPI, WIDTH, HEIGHT = 200, 1700, 2200   # a Letter page at 200 dpi: template and output agree
FACE, POINTS = "Arial", 24
TIFF_G4 = ("--format", "7", "--dm", "IsMultipageImageEnabled=1")
# The frame every template page 0 carries, and the scanner specks of the "blank" page 1.
FRAME = (100, 100, 1600, 2100)
SPECKS = [(300, 400), (900, 1200), (1500, 1900), (850, 300), (400, 1800)]
# The editor's waits are cut short for the failure cases (a documented setting).
SHORT_WAIT = "4000"
# The document's pages printed without cover pages, made once.
REFERENCES = {}


def ink(img):
    """Dark pixels of an image as a boolean array."""
    return np.asarray(img.convert("L")) < 128


def rendered_text(text, tmp):
    """The expected text as GDI draws it: an ink array cut to its bounding box, and the offset of
    that box from the text's origin."""
    height = (POINTS * DPI + 36) // 72
    out = os.path.join(tmp, "text.bmp")
    proc = subprocess.run(["wine", os.path.join(BIN, "twrendertext.exe"), FACE, str(height), text, win(out)],
                          capture_output=True, timeout=60)
    assert proc.returncode == 0, proc.stderr
    with Image.open(out) as im:
        a = ink(im)
    ys, xs = np.nonzero(a)
    return a[ys.min():ys.max() + 1, xs.min():xs.max() + 1], (xs.min(), ys.min())


def column_runs(a):
    """The runs of columns of `a` that hold ink: its glyphs, or groups of touching glyphs."""
    runs, start = [], None
    for x, inked in enumerate(list(a.any(axis=0)) + [False]):
        if inked and start is None:
            start = x
        elif not inked and start is not None:
            runs.append((start, x))
            start = None
    return runs


def text_match(page, text, origin, tmp, slack=4):
    """How well the page shows `text` with its origin at `origin`, from 0 to 1: the ink found near
    there is cut to its bounding box, the rendered text is fitted to that box, and each of its
    glyph runs is compared (intersection over union of the ink) within `slack` pixels of its
    place. The page's raster path may draw the text at another resolution and stretch it, so the
    glyphs are a little wider or narrower than GDI draws them at the page's own."""
    ref, (bx, by) = rendered_text(text, tmp)
    h, w = ref.shape
    x0, y0 = origin[0] + bx - w // 10 - 10, origin[1] + by - h // 2
    near = ink(page)[max(y0, 0):y0 + 2 * h, max(x0, 0):x0 + w + w // 5 + 20]
    ys, xs = np.nonzero(near)
    if len(xs) == 0:
        return 0.0
    found = near[ys.min():ys.max() + 1, xs.min():xs.max() + 1]
    fitted = np.asarray(Image.fromarray(ref).resize((found.shape[1], found.shape[0]), Image.NEAREST))
    padded = np.zeros((found.shape[0] + 2 * slack, found.shape[1] + 2 * slack), bool)
    padded[slack:-slack, slack:-slack] = found
    common = total = 0
    for start, end in column_runs(fitted):
        glyphs = fitted[:, start:end]
        best = (0, np.count_nonzero(glyphs) + np.count_nonzero(found[:, start:end]))
        for dy in range(-slack, slack + 1):
            for dx in range(-slack, slack + 1):
                there = padded[slack + dy:slack + dy + glyphs.shape[0], slack + start + dx:slack + end + dx]
                both, either = np.count_nonzero(there & glyphs), np.count_nonzero(there | glyphs)
                if either and both * best[1] > best[0] * either:
                    best = (both, either)
        common += best[0]
        total += best[1]
    return common / total if total else 0.0


def tiff_pages(path):
    pages = []
    with Image.open(path) as im:
        for i in range(im.n_frames):
            im.seek(i)
            pages.append(im.convert("1").copy())
    return pages


def same_pixels(a, b):
    return a.size == b.size and ImageChops.difference(a.convert("L"), b.convert("L")).getbbox() is None


class CoverPageCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.shared = tempfile.TemporaryDirectory()
        cls.one_page = os.path.join(cls.shared.name, "one.tif")
        cls.two_pages = os.path.join(cls.shared.name, "two.tif")
        framed = Image.new("1", (WIDTH, HEIGHT), 1)
        ImageDraw.Draw(framed).rectangle(FRAME, outline=0, width=8)
        speckled = Image.new("1", (WIDTH, HEIGHT), 1)
        for xy in SPECKS:
            speckled.putpixel(xy, 0)
        framed.save(cls.one_page, compression="group4", dpi=(DPI, DPI))
        framed.save(cls.two_pages, compression="group4", dpi=(DPI, DPI), save_all=True, append_images=[speckled])

    @classmethod
    def tearDownClass(cls):
        cls.shared.cleanup()

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWC")
        self.printer = "Cover " + self.port[3:-1]
        self.out = os.path.join(self.tmp.name, "out")
        self.filler = os.path.join(self.tmp.name, "filler")
        os.makedirs(self.out)
        os.makedirs(self.filler)
        for name in LIBRARIES + [EDITOR]:
            os.link(os.path.join(BIN, name), os.path.join(self.filler, name))

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def script(self, action="submit", fields=(), **settings):
        lines = ["[Filler]", f"Action={action}", f"Log={win(os.path.join(self.tmp.name, 'filler.log'))}"]
        lines += [f"{k}={v}" for k, v in settings.items()]
        lines += ["[Fields]"] + [f"Text{i + 1}={f}" for i, f in enumerate(fields)]
        with open(os.path.join(self.filler, "Cover Page Filler.ini"), "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")

    def job(self, *args, template=None, before=False, wait=None, pages=PAGES, cover=True):
        settings = ["--set", f"Application Starter\\EXE Name=sz:{STARTER}",
                    "--set", f"Application Starter\\Log File=sz:{win(os.path.join(self.tmp.name, 'starter.log'))}",
                    "--set", "Application Starter\\Ready Timeout=dword:120",
                    "--set", "%d\\Windows Session ID=dword:1"]
        if cover:
            settings += ["--set", "Cover Page Settings\\Enable Cover Page=sz:1",
                         "--set", f"Cover Page Settings\\Cover Page Filler Directory=sz:{win(self.filler)}",
                         "--set", "Cover Page Settings\\Enable Default Cover Page=sz:1",
                         "--set", f"Cover Page Settings\\Default Cover Page=sz:{win(template or self.one_page)}",
                         "--set", f"Cover Page Settings\\Start Before Printing=sz:{1 if before else 0}"]
            if wait:
                settings += ["--set", f"Cover Page Settings\\Filler Wait Timeout=sz:{wait}"]
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", win(self.out),
                                       "--job-id", str(JOB_ID), "--dpi", str(DPI), "--wait-post-print", "60",
                                       *settings, *args, *pages)
        self.assertEqual(code, 0, f"twprint exited {code}: {err!r}")
        return report

    def files(self, report):
        return [f["host_path"] for f in report["files"] if f.get("exists")]

    def filler_log(self):
        path = os.path.join(self.tmp.name, "filler.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8-sig") as f:
            return f.read()

    def document_pages(self):
        """The three document pages without cover pages, once per test class."""
        if "tiff" not in REFERENCES:
            report = self.job(*TIFF_G4, cover=False)
            self.assertFalse(report["job"]["failed"], report["job"]["status"])
            REFERENCES["tiff"] = tiff_pages(self.files(report)[0])
            shutil.rmtree(self.out)
            os.makedirs(self.out)
        return REFERENCES["tiff"]

    def assertFinished(self, report):
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        self.assertEqual(report["job"]["status"], "Printing finished successfully")

    def assertFailedWith(self, report, message):
        self.assertTrue(report["job"]["failed"], report["job"]["status"])
        self.assertIn(message, report["job"]["status"])

    def assertDocumentKept(self, report):
        """The document's own pages survive a failed hand-off after printing."""
        files = self.files(report)
        self.assertEqual(len(files), 1, files)
        got = tiff_pages(files[0])
        self.assertEqual(len(got), 3)
        for page, want in zip(got, self.document_pages()):
            self.assertTrue(same_pixels(page, want))


class CoverPagesInFront(CoverPageCase):
    def test_one_cover_page_moves_in_front_of_the_document(self):
        self.script(fields=["0,300,500,24,Arial,To: Dana Whitfield, Accounts"])
        report = self.job(*TIFF_G4)
        self.assertFinished(report)
        files = self.files(report)
        self.assertEqual(len(files), 1, files)
        pages = tiff_pages(files[0])
        self.assertEqual(len(pages), 4)
        cover = pages[0]
        self.assertGreater(text_match(cover, "To: Dana Whitfield, Accounts", (300, 500), self.tmp.name), 0.75)
        # A text that is not there does not match: the measure can fail.
        self.assertLess(text_match(cover, "From: Harold Quimby, Sales", (300, 500), self.tmp.name), 0.5)
        # The template's frame is on the cover page.
        self.assertTrue(ink(cover)[FRAME[1] + 3, 1000] and ink(cover)[1000, FRAME[0] + 3])
        for got, want in zip(pages[1:], self.document_pages()):
            self.assertTrue(same_pixels(got, want))
        self.assertIn("the monitor took the pages", self.filler_log())

    def test_two_cover_pages_before_printing_skip_a_blank_template_page(self):
        self.script(fields=["0,250,400,24,Arial,Invoice 2231", "1,250,700,24,Arial,Second sheet"])
        report = self.job(*TIFF_G4, "--dm", "IsWriteTextEnabled=1", template=self.two_pages, before=True)
        self.assertFinished(report)
        tiffs = [f for f in self.files(report) if f.endswith(".tif")]
        self.assertEqual(len(tiffs), 1, self.files(report))
        pages = tiff_pages(tiffs[0])
        self.assertEqual(len(pages), 5)
        # The filled fields are the first pages of the text output.
        texts = report["job"]["page_text"]
        self.assertEqual(len(texts), 5)
        self.assertEqual((texts[0].strip(), texts[1].strip()), ("Invoice 2231", "Second sheet"))
        self.assertGreater(text_match(pages[0], "Invoice 2231", (250, 400), self.tmp.name), 0.75)
        self.assertGreater(text_match(pages[1], "Second sheet", (250, 700), self.tmp.name), 0.75)
        # The second template page is blank but for scanner specks: its bitmap is not drawn.
        second = ink(pages[1])
        self.assertFalse(any(second[y, x] for x, y in SPECKS))
        self.assertTrue(ink(pages[0])[FRAME[1] + 3, 1000])
        for got, want in zip(pages[2:], self.document_pages()):
            self.assertTrue(same_pixels(got, want))

    def test_bmp_and_png_cover_pages_are_files_of_their_own(self):
        self.script(fields=["0,300,500,24,Arial,Pages follow", "1,300,500,24,Arial,Last cover"])
        # Before printing the first cover page takes the document's first name, and the document's
        # first page gets one of its own; after printing every cover page is named after the pages.
        for fmt, ext, before in (("0", ".bmp", True), ("24", ".png", False)):
            with self.subTest(format=fmt):
                report = self.job("--format", fmt, template=self.two_pages, before=before)
                self.assertFinished(report)
                files = self.files(report)
                self.assertEqual(len(files), 5, files)
                self.assertTrue(all(f.lower().endswith(ext) for f in files), files)
                covers = []
                for path in files:
                    with Image.open(path) as im:
                        if any(text_match(im, t, (300, 500), self.tmp.name) > 0.75
                               for t in ("Pages follow", "Last cover")):
                            covers.append(path)
                self.assertEqual(len(covers), 2, files)
                shutil.rmtree(self.out)
                os.makedirs(self.out)


class FailedHandOffs(CoverPageCase):
    def test_editor_that_cancels_or_dies_or_never_answers(self):
        cases = [("cancel", {}, "406: Cover Page Filler closed without submitting cover page"),
                 ("exit", {}, "407: Error while waiting for Cover Page Filler. Wait result: 129"),
                 ("hang", {"HangTime": "15000"}, "407: Error while waiting for Cover Page Filler. Wait result: 258")]
        for action, settings, message in cases:
            with self.subTest(action=action):
                self.script(action, ["0,300,500,24,Arial,Never seen"], Delay="500", **settings)
                report = self.job(*TIFF_G4, wait=SHORT_WAIT)
                self.assertFailedWith(report, message)
                self.assertDocumentKept(report)
                shutil.rmtree(self.out)
                os.makedirs(self.out)

    def test_editor_that_hands_over_broken_data(self):
        cases = [("garbage", "410: Could not load cover page."),
                 ("zero", "410: Could not load cover page."),
                 ("cut", "410: Could not load cover page."),
                 ("smaller", "408: Could not open memory map ")]
        for action, message in cases:
            with self.subTest(action=action):
                self.script(action, ["0,300,500,24,Arial,Broken"])
                report = self.job(*TIFF_G4, wait=SHORT_WAIT)
                self.assertFailedWith(report, message)
                self.assertDocumentKept(report)
                shutil.rmtree(self.out)
                os.makedirs(self.out)

    def test_pages_without_fields_still_make_cover_pages(self):
        self.script()
        report = self.job(*TIFF_G4)
        self.assertFinished(report)
        self.assertEqual(len(tiff_pages(self.files(report)[0])), 4)
        warnings = [e for e in report["events"] if any("411: Could not load annotations" in t for t in e["strings"])]
        self.assertEqual(len(warnings), 1, report["events"])

    def test_a_mapping_larger_than_announced_is_read_as_announced(self):
        self.script("larger", ["0,300,500,24,Arial,Extra room"])
        report = self.job(*TIFF_G4)
        self.assertFinished(report)
        pages = tiff_pages(self.files(report)[0])
        self.assertEqual(len(pages), 4)
        self.assertGreater(text_match(pages[0], "Extra room", (300, 500), self.tmp.name), 0.75)


class MissingLibraries(CoverPageCase):
    def test_missing_library_or_export_and_unreadable_template(self):
        self.script()
        os.remove(os.path.join(self.filler, "TwImg1x.dll"))
        report = self.job(*TIFF_G4)
        self.assertFailedWith(report, f"402: Error loading DLL {win(self.filler)}\\TwImg1x.dll, Windows error 126")
        self.assertDocumentKept(report)

        # An annotation library without its entry points.
        os.link(os.path.join(BIN, "TwImg1x.dll"), os.path.join(self.filler, "TwImg1x.dll"))
        os.remove(os.path.join(self.filler, "TwAnnox.dll"))
        shutil.copy(os.path.join(BIN, "lcms2x.dll"), os.path.join(self.filler, "TwAnnox.dll"))
        shutil.rmtree(self.out)
        os.makedirs(self.out)
        report = self.job(*TIFF_G4)
        self.assertFailedWith(report, f"413: Error loading functions from DLL {win(self.filler)}\\TwAnnox.dll, "
                                      "Windows error 127")
        self.assertDocumentKept(report)

        # A template that is missing, and one that is no TIFF.
        missing = os.path.join(self.tmp.name, "missing.tif")
        shutil.rmtree(self.out)
        os.makedirs(self.out)
        os.remove(os.path.join(self.filler, "TwAnnox.dll"))
        os.link(os.path.join(BIN, "TwAnnox.dll"), os.path.join(self.filler, "TwAnnox.dll"))
        report = self.job(*TIFF_G4, template=missing)
        self.assertFailedWith(report, f"412: Could not load cover page template {win(missing)}")
        self.assertDocumentKept(report)
        bad = os.path.join(self.tmp.name, "bad.tif")
        with open(bad, "wb") as f:
            f.write(b"II*\0" + b"\xff" * 64)
        shutil.rmtree(self.out)
        os.makedirs(self.out)
        report = self.job(*TIFF_G4, template=bad)
        self.assertFailedWith(report, f"412: Could not load cover page template {win(bad)}")
        self.assertDocumentKept(report)


if __name__ == "__main__":
    unittest.main()

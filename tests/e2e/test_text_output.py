"""Whole jobs with text output through twprint: text files of pages whose text is known, in each
layout and encoding, markers read into the job and hidden from the page image, content-based
naming, text collected with image generation off, and the text handed to clients in memory."""
import glob
import os
import re
import tempfile
import unittest

from PIL import Image, ImageChops

from text_pages import glyph_map, renamed_font, text_page
from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
TESTDATA = os.path.join(ROOT, "..", "shared", "testdata", "emf")
if not os.path.isdir(TESTDATA):
    TESTDATA = "/work/shared/testdata/emf"
LETTER = os.path.join(ROOT, "examples", "page1.emf")
TIKA_PATH = os.path.join(TESTDATA, "poi__SimpleEMF_windows.emf")
CYRILLIC = os.path.join(TESTDATA, "libemf2svg__test-184.emf")
MONO_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"

# What the pages print, line by line, as their authors wrote it.
TIKA_LINES = ["C:\\Users\\tallison\\", "Idea Projects\\tika-", "asf2-git-1.x\\tika-", "parsers\\src\\test\\",
              "resources\\test-", "documents\\", "testPDF.pdf"]
LETTER_WORDS = ("Tarnwell Freight Ltd. 12 Harbour Road, Port Ellis Invoice 2026-0415 Pallet transport, "
                "14 units 1 820.00 Customs clearance 240.00 Insurance, 0.4 % 61.20 Storage, 3 days 135.00 "
                "Page 1 of 4").split()
BOMS = {1: b"\xef\xbb\xbf", 2: b"\xff\xfe", 3: b"\xfe\xff"}
CODECS = {0: "cp1252", 1: "utf-8", 2: "utf-16-le", 3: "utf-16-be"}


def in_order(words, text):
    """True when `words` occur in `text` one after the other."""
    at = 0
    for w in words:
        at = text.find(w, at)
        if at < 0:
            return False
        at += len(w)
    return True


class TextOutput(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWT")
        self.printer = "Text " + self.port[3:-1]

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def job(self, *args, pages, out=None):
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", out or self.tmp.name,
                                       "--dpi", "300", *args, *pages)
        self.assertEqual(code, 0, f"twprint {args} exited {code}: {err!r}")
        return report

    def out(self, pattern, directory=None):
        return sorted(glob.glob(os.path.join(directory or self.tmp.name, pattern)))

    def page(self, name, lines, **options):
        path = os.path.join(self.tmp.name, name)
        with open(path, "wb") as f:
            f.write(text_page(lines, **options))
        return path

    def text_file(self, encoding):
        (path,) = self.out("*.txt")
        with open(path, "rb") as f:
            raw = f.read()
        if encoding in BOMS:
            self.assertTrue(raw.startswith(BOMS[encoding]), raw[:4])
            self.assertEqual(raw.count(BOMS[encoding]), 1)
            raw = raw[len(BOMS[encoding]):]
        return raw.decode(CODECS[encoding])

    def test_known_page_in_every_encoding(self):
        for encoding in range(4):
            with self.subTest(encoding=encoding):
                for f in self.out("*"):
                    os.remove(f)
                report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", f"TextEncoding={encoding}", pages=[TIKA_PATH])
                self.assertEqual(self.text_file(encoding), "\r\n".join(TIKA_LINES) + "\r\n")
                self.assertEqual(report["job"]["page_text"], ["\r\n".join(TIKA_LINES) + "\r\n"])

    def test_layouts_and_line_breaks(self):
        # Layout 2 keeps the page's columns and blank lines; layout 1 with word coordinates
        # prefixes each word; "Line Breaks" 2 ends lines with LF alone.
        self.job("--dm", "IsWriteTextEnabled=1", "--dm", "AdvancedText=2", "--dm", "TextEncoding=1",
                 "--set", "Text Output Settings\\Line Breaks=dword:2", pages=[TIKA_PATH])
        grid = self.text_file(1)
        self.assertNotIn("\r", grid)
        self.assertEqual([line.strip() for line in grid.split("\n") if line.strip()], TIKA_LINES)
        self.assertGreater(grid.count("\n"), len(TIKA_LINES) - 2)
        for f in self.out("*"):
            os.remove(f)
        self.job("--dm", "IsWriteTextEnabled=1", "--dm", "AdvancedText=1", "--dm", "TextEncoding=1",
                 "--ini", "Text Output Settings\\Display Word Coordinates=1", pages=[TIKA_PATH])
        advanced = self.text_file(1).split("\r\n")
        self.assertRegex(advanced[0], r"^\[\[\d+,\d+,\d+,\d+\]\[\d+\]\[,,\]\[[^\]]+\]\]C")
        self.assertIn("]]tallison", advanced[0])

    def test_letter_words_in_order_and_page_headings(self):
        report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", "IsMultipageImageEnabled=1",
                          "--set", "Text Output Settings\\No Page Headers=sz:no", pages=[LETTER, TIKA_PATH])
        text = self.text_file(0)
        self.assertTrue(text.startswith("Page 1:\r\n"), text[:40])
        second = text.index("Page 2:\r\n")
        self.assertTrue(in_order(LETTER_WORDS, text[:second]), text[:second])
        self.assertTrue(text[second:].endswith("\r\n".join(TIKA_LINES) + "\r\n"))
        self.assertEqual(len(report["job"]["page_text"]), 2)

    def test_cyrillic_page_in_utf16(self):
        self.job("--dm", "IsWriteTextEnabled=1", "--dm", "TextEncoding=2", pages=[CYRILLIC])
        text = self.text_file(2)
        self.assertIn("АБВГДЕЖ", text)
        self.assertIn("Voici un texte en cyrillique", " ".join(text.split()))

    def test_right_to_left_text_in_logical_order(self):
        # "shalom olam" as the application wrote it, drawn from the right; then a Latin word.
        hebrew = "\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD"
        page = self.page("hebrew.emf", [(300, 300, hebrew), (300, 400, "Total 12")], face="DejaVu Sans")
        report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", "TextEncoding=1", pages=[page])
        self.assertEqual(self.text_file(1), hebrew + "\r\nTotal 12\r\n")
        self.assertEqual(report["job"]["page_text"], [hebrew + "\r\nTotal 12\r\n"])

    def test_markers_fill_fields_name_the_file_and_leave_the_image(self):
        marked = self.page("marked.emf", [(300, 300, "Invoice ##**Filename=invoice-77** for"),
                                          (300, 400, "##**EmailTo=ann@example.com**"),
                                          (300, 500, "Code ##~~12345~~ end ##**P1=first**")])
        plain = self.page("plain.emf", [(300, 300, "Invoice invoice-77 for"), (300, 400, "ann@example.com"),
                                        (300, 500, "Code  end first")])
        out_marked, out_plain = os.path.join(self.tmp.name, "m"), os.path.join(self.tmp.name, "p")
        os.mkdir(out_marked)
        os.mkdir(out_plain)
        report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", "FileGenerationMethod=9", pages=[marked],
                          out=out_marked)
        self.assertEqual(report["job"]["fields"], {"Filename": ["invoice-77"], "EmailTo": ["ann@example.com"],
                                                   "P1": ["first"]})
        self.assertEqual(report["job"]["page_text"], ["Invoice invoice-77 for\r\nann@example.com\r\nCode  end first\r\n"])
        images = self.out("*.tif", out_marked)
        self.assertEqual([os.path.basename(p) for p in images], ["invoice-77.tif"])
        self.job(pages=[plain], out=out_plain)
        (plain_image,) = self.out("*.tif", out_plain)
        a, b = Image.open(images[0]).convert("1"), Image.open(plain_image).convert("1")
        self.assertEqual(a.size, b.size)
        self.assertIsNone(ImageChops.difference(a, b).getbbox(), "the markers must not be drawn")

    def test_content_name_stays_in_the_output_directory(self):
        page = self.page("escape.emf", [(300, 300, "##**Filename=..\\..\\escaped**")])
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", self.tmp.name,
                                       "--dm", "FileGenerationMethod=9", page)
        self.assertTrue(report["job"]["failed"])
        self.assertEqual(self.out("*.tif"), [])
        self.assertFalse(os.path.exists(os.path.join(os.path.dirname(self.tmp.name), "escaped.tif")))

    def test_text_without_images(self):
        report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", "ImageGenerationDisabled=1", pages=[TIKA_PATH])
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        self.assertEqual(self.out("*.tif"), [])
        self.assertEqual(self.text_file(0), "\r\n".join(TIKA_LINES) + "\r\n")

    def test_text_in_memory_goes_to_the_client_as_message_10(self):
        report = self.job("--listen", "--dm", "IsWriteTextEnabled=1",
                          "--set", "Text Output Settings\\Generate In Memory=sz:yes", pages=[TIKA_PATH])
        texts = [m for m in report["messages"] if m.get("channel") == "pipe" and m.get("number") == 10]
        self.assertEqual(len(texts), 1)
        self.assertEqual(texts[0]["data_text"], "\r\n".join(TIKA_LINES) + "\r\n")
        self.assertEqual(self.out("*.txt"), [])

    def test_driver_text_runs_join_each_page_once(self):
        # The driver's text-out runs belong to the page they came with, not to every later page.
        report = self.job("--dm", "IsWriteTextEnabled=1", "--dm", "IsMultipageImageEnabled=1",
                          "--text-out", "100,100000,Driver note", pages=[TIKA_PATH, TIKA_PATH])
        texts = report["job"]["page_text"]
        self.assertEqual(len(texts), 2)
        for text in texts:
            self.assertEqual(text.count("Driver note"), 1, text)
            self.assertTrue(text.endswith("testPDF.pdf\r\nDriver note\r\n"), text)

    def test_pages_kept_as_metafiles_read_the_text_the_drawn_pages_read(self):
        # Metafile output keeps the page as it came, or turned: its text comes from its records.
        drawn = self.job("--dm", "IsWriteTextEnabled=1", pages=[TIKA_PATH])["job"]["page_text"]
        self.assertEqual(drawn, ["\r\n".join(TIKA_LINES) + "\r\n"])
        for turn in ([], ["--set", "Page Settings\\Rotation=sz:1"]):
            with self.subTest(turn=turn):
                for f in self.out("*"):
                    os.remove(f)
                report = self.job("--format", "18", "--dm", "IsWriteTextEnabled=1", *turn, pages=[TIKA_PATH])
                self.assertEqual(report["job"]["page_text"], drawn)
                self.assertEqual(self.text_file(0), drawn[0])
                self.assertEqual(len(self.out("*.emf")), 1)

    def test_metafile_pages_are_named_by_their_markers(self):
        # Naming by content without text output: the markers are read from the page's records.
        marked = self.page("marked.emf", [(300, 300, "Invoice ##**Filename=invoice-78** for")])
        for turn in ([], ["--set", "Page Settings\\Rotation=sz:3"]):
            with self.subTest(turn=turn):
                out = tempfile.mkdtemp(dir=self.tmp.name)
                report = self.job("--format", "18", "--dm", "FileGenerationMethod=9", *turn, pages=[marked], out=out)
                self.assertEqual([os.path.basename(p) for p in self.out("*.emf", out)], ["invoice-78.emf"])
                self.assertEqual(report["job"]["fields"], {"Filename": ["invoice-78"]})

    def test_a_page_with_its_own_font_gives_its_text(self):
        # The page carries a font the machine does not have and draws glyph numbers of it: only
        # that font turns them back into these words (other fonts number Cyrillic otherwise).
        font = renamed_font(MONO_FONT, "DejaVu Sans Mono", "TarnSpool QA Mon")
        lines = [(300, 300, "Счёт 2026 Гавань"), (300, 400, "Привет")]
        glyphs = glyph_map(font)
        embedded = self.page("embedded.emf", lines, face="TarnSpool QA Mon", font_file=font, glyph_map=glyphs)
        self.job("--dm", "IsWriteTextEnabled=1", "--dm", "TextEncoding=1", pages=[embedded])
        self.assertEqual(self.text_file(1), "Счёт 2026 Гавань\r\nПривет\r\n")
        # Without the font the same glyph numbers read as other characters.
        os.remove(self.out("*.txt")[0])
        bare = self.page("bare.emf", lines, face="TarnSpool QA Mon", glyph_map=glyphs)
        self.job("--dm", "IsWriteTextEnabled=1", "--dm", "TextEncoding=1", pages=[bare])
        self.assertNotIn("Привет", self.text_file(1))

    def test_word_coordinates_of_a_turned_landscape_page_lie_on_the_turned_page(self):
        page = self.page("wide.emf", [(300, 300, "Corner")], width_mm=279, height_mm=216)
        report = self.job("--landscape", "--dm", "IsRotatePaperEnabled=1", "--dm", "IsWriteTextEnabled=1",
                          "--dm", "AdvancedText=1", "--ini", "Text Output Settings\\Display Word Coordinates=1",
                          pages=[page])
        (image,) = report["files"][:1]
        self.assertLess(image["width"], image["height"])  # the page was turned
        left, top, right, bottom = map(int, re.match(r"^\[\[(\d+),(\d+),(\d+),(\d+)\]",
                                                     report["job"]["page_text"][0]).groups())
        # Near the top left of the landscape page is near the top right of the turned one.
        self.assertGreater(left, image["width"] // 2)
        self.assertLess(top, image["height"] // 4)
        self.assertLessEqual(right, image["width"])
        self.assertLess(left, right)
        self.assertLess(top, bottom)

    def test_unwritable_text_file_is_reported(self):
        # A directory in the way of the text file: the page fails and the user is told why.
        os.mkdir(os.path.join(self.tmp.name, "blocked000001.txt"))
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", self.tmp.name,
                                       "--doc", "blocked", "--dm", "IsWriteTextEnabled=1",
                                       "--dm", "FileGenerationMethod=6", TIKA_PATH)
        self.assertTrue(report["job"]["names"]["text"].endswith("blocked000001.txt"), report["job"]["names"])
        self.assertTrue(report["job"]["failed"])
        self.assertIn("Cannot write text file", report["job"]["status"])

if __name__ == "__main__":
    unittest.main()

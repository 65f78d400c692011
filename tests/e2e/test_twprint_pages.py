"""twprint printing EMF and BMP pages: the stream it builds, its replay, and its DEVMODE options."""
import os
import struct
import subprocess
import tempfile
import unittest

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF_DIR = os.path.join(ROOT, "..", "shared", "testdata", "emf")
EMF_A = os.path.join(EMF_DIR, "libemf2svg__test-007.emf")
EMF_B = os.path.join(EMF_DIR, "libemf2svg__test-023.emf")


def write_bmp(path, width=8, height=4):
    """A 1-bit BMP written by hand, independent of the code under test."""
    row = ((width + 31) // 32) * 4
    bits = b"\xAA" * row * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(bits), 2835, 2835, 2, 0)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + bits)


def operations(report):
    """The operations the commands drove, without the plug-in calls made inside them."""
    return [(op["op"], op["detail"], op["result"]) for op in report["job"]["operations"] if op["op"] != "Plugin"]


class Pages(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWP")

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def test_saved_stream_replays_to_the_same_operations(self):
        bmp = self.path("page.bmp")
        write_bmp(bmp)
        saved = self.path("saved.bin")
        code, first, err = run_report("--port", self.port, "--save-stream", saved, "--dm", "FileGenerationMethod=7",
                                      "--format", "0", EMF_A, bmp, EMF_B)
        self.assertEqual(code, 0, err)
        ops = operations(first)
        names = [o[0] for o in ops]
        self.assertEqual(names, ["SetDevMode", "StartDoc",
                                 "SetDevMode", "StartPage", "EndPage",
                                 "SetDevMode", "StartPage", "EndPageRaw",
                                 "SetDevMode", "StartPage", "EndPage", "EndDoc"])
        self.assertEqual(ops[4][1], str(os.path.getsize(EMF_A)))

        # Replayed in odd-sized chunks, the saved stream drives the job the same way.
        code, second, err = run_report("--stream", saved, "--chunk", "7", "--port", self.port)
        self.assertEqual(code, 0, err)
        self.assertEqual(operations(second), ops)

        code, out, err = run("dump", saved)
        self.assertEqual(code, 0, err)
        self.assertIn("PORT_CMD_END_PAGE_RAW", out)
        self.assertIn("FileGenerationMethod = 7", out)
        self.assertEqual(out.count("DEVMODE of PORT_CMD_START_PAGE"), 3)

    def test_devmode_options_reach_the_record(self):
        saved = self.path("opts.bin")
        code, _, err = run_report("--port", self.port, "--save-stream", saved, "--format", "4", "--dpi", "300,200",
                                  "--color", "3", "--dither", "2", "--paper", "2100x2970", "--landscape",
                                  "--out", "C:\\out", "--doc", "Invoice 7", EMF_A)
        self.assertEqual(code, 0, err)
        _, out, _ = run("dump", saved)
        for line in ("FileFormat = 4", "dmPrintQuality = 300", "dmYResolution = 200", "ColorModeFormat = 3",
                     "Dithering = 2", "dmPaperWidth = 2100", "dmPaperLength = 2970", "dmOrientation = 2",
                     "OutputDirectory = C:\\out"):
            self.assertIn(line, out)

    def test_bad_pages_and_options(self):
        code, _, err = run("--port", self.port, "--dm", "NoSuchField=1", EMF_A)
        self.assertEqual(code, 2)
        self.assertIn("NoSuchField", err)
        code, _, err = run("--port", self.port, "--dpi", "abc", EMF_A)
        self.assertEqual(code, 2)
        code, _, err = run("--port", self.port, self.path("missing.emf"))
        self.assertEqual(code, 1)
        self.assertIn("cannot read page", err)
        short = self.path("short.dm")
        with open(short, "wb") as f:
            f.write(b"\0" * 6878)
        code, _, err = run("--port", self.port, "--devmode", short, EMF_A)
        self.assertEqual(code, 2)


if __name__ == "__main__":
    unittest.main()

"""The job's troubleshooting dump: with the printer's "Debug Logging Enable", every page (EMF and
raw) goes into PrnDebug.edf in its "Debug Logging Directory", counted across jobs; the file is
parsed here by hand, independently of the monitor's reader."""
import os
import struct
import tempfile
import unittest

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
PAGES = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2)]
DEVMODE_SIZE = 6879


def write_bmp(path, width=40, height=12):
    row = ((width + 31) // 32) * 4
    bits = bytes((i * 7) & 0xFF for i in range(row * height))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(bits), 2835, 2835, 2, 0)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    offset = 14 + len(info) + len(palette)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + info + palette + bits)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def parse_edf(path):
    with open(path, "rb") as f:
        data = f.read()
    counter = struct.unpack_from("<I", data, 0)[0]
    pos, records = 4, []
    while pos < len(data):
        chars = struct.unpack_from("<I", data, pos)[0]
        name = data[pos + 4:pos + 4 + chars * 2].decode("utf-16-le").rstrip("\0")
        pos += 4 + chars * 2
        dm_size = struct.unpack_from("<I", data, pos)[0]
        devmode = data[pos + 4:pos + 4 + dm_size]
        pos += 4 + dm_size
        size = struct.unpack_from("<I", data, pos)[0]
        payload = data[pos + 4:pos + 4 + size]
        pos += 4 + size
        records.append((name, devmode, payload))
    return counter, records, pos == len(data)


class EdfDump(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWE")
        self.printer = "EdfPrinter" + self.port[3:-1]

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def print_pages(self, pages, *args):
        out = os.path.join(self.tmp.name, "out")
        os.makedirs(out, exist_ok=True)
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--format", "0", "--out", out,
                                       *args, *pages)
        self.assertEqual(code, 0, err)
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        return report

    def test_pages_are_dumped_and_counted_across_jobs(self):
        bmp = os.path.join(self.tmp.name, "raw.bmp")
        write_bmp(bmp)
        logs = os.path.join(self.tmp.name, "logs", "nested")  # created by the monitor
        settings = ["--set", r"Troubleshooting Settings\Debug Logging Enable=sz:1",
                    "--set", r"Troubleshooting Settings\Debug Logging Directory=sz:" + windows_path(logs)]
        self.print_pages(PAGES + [bmp], *settings)
        edf = os.path.join(logs, "PrnDebug.edf")
        counter, records, whole = parse_edf(edf)
        self.assertTrue(whole)
        self.assertEqual(counter, 3)
        self.assertEqual([r[0] for r in records], ["EMFFile_1.emf", "EMFFile_2.emf", "EMFFile_3.bmp"])
        for (name, devmode, payload), page in zip(records[:2], PAGES):
            with open(page, "rb") as f:
                self.assertEqual(payload, f.read(), name)
            self.assertEqual(len(devmode), DEVMODE_SIZE)
            self.assertEqual(devmode[:len(self.printer) * 2].decode("utf-16-le"), self.printer)
        with open(bmp, "rb") as f:
            original = f.read()
        raw = records[2][2]
        self.assertEqual(raw[:2], b"BM")
        self.assertEqual(struct.unpack_from("<I", raw, 2)[0], len(raw))
        self.assertEqual(struct.unpack_from("<I", raw, 10)[0], 54 + 8)
        self.assertEqual(raw[14:], original[14:])  # the driver's packed DIB, as sent

        # The next job appends, its counter going on from the last.
        self.print_pages(PAGES[:1], *settings)
        counter, records, whole = parse_edf(edf)
        self.assertTrue(whole)
        self.assertEqual(counter, 4)
        self.assertEqual(records[-1][0], "EMFFile_4.emf")

    def test_without_the_setting_nothing_is_dumped(self):
        logs = os.path.join(self.tmp.name, "logs")
        self.print_pages(PAGES[:1], "--set", r"Troubleshooting Settings\Debug Logging Enable=sz:0",
                         "--set", r"Troubleshooting Settings\Debug Logging Directory=sz:" + windows_path(logs))
        self.assertFalse(os.path.exists(os.path.join(logs, "PrnDebug.edf")))


if __name__ == "__main__":
    unittest.main()

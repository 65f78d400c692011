"""Pages printed to TIFF, raw CCITT, CALS and MO:DCA files through whole jobs, decoded by libtiff's
tools and Pillow and compared pixel for pixel with the BMP the same page gives."""
import os
import re
import struct
import subprocess
import tempfile
import unittest

from PIL import Image, ImageChops

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
SAMPLE = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2, 3)]
FLAG_CODES = [3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 30]
ALWAYS_MULTI = [42, 44, 46]
NEVER_MULTI = [43, 45, 47]
MULTI = ("--dm", "IsMultipageImageEnabled=1")


def tiffinfo(path):
    proc = subprocess.run(["tiffinfo", path], capture_output=True, text=True)
    assert proc.returncode == 0, proc.stderr
    return proc.stdout


def pages_of(path):
    """Every page of a TIFF, decoded by Pillow, as 8-bit grey (ink 0)."""
    out = []
    with Image.open(path) as im:
        for i in range(getattr(im, "n_frames", 1)):
            im.seek(i)
            out.append(im.convert("L"))
    return out


def same_pixels(a, b):
    return a.size == b.size and ImageChops.difference(a.convert("L"), b.convert("L")).getbbox() is None


def fax2tiff_page(args, ref, group4):
    """Decodes headerless CCITT data with fax2tiff; the page, without the one white row fax2tiff
    makes of a Group 4 end-of-facsimile block."""
    proc = subprocess.run(["fax2tiff", *args], capture_output=True, text=True)
    assert proc.returncode == 0, proc.stderr
    assert "bad" not in proc.stderr.lower(), proc.stderr
    page = pages_of(args[args.index("-o") + 1])[0]
    if group4 and page.size[1] == ref.size[1] + 1:
        assert page.crop((0, ref.size[1], ref.size[0], ref.size[1] + 1)).getextrema() == (255, 255)
        page = page.crop((0, 0) + ref.size)
    return page


class TiffOutput(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.port = unique("TWT")
        cls.bmp = {}

    @classmethod
    def tearDownClass(cls):
        run("ports", "delete", cls.port)
        cls.tmp.cleanup()

    def job(self, code, pages, *args, ok=True):
        out = tempfile.mkdtemp(dir=self.tmp.name)
        rc, report, err = run_report("--port", self.port, "--format", str(code), "--out", out, *args, *pages)
        self.assertEqual(rc, 0, err)
        if ok:
            self.assertFalse(report["job"]["failed"], report["job"]["status"])
            self.assertNotIn("Internal error", report["job"]["status"])
            for f in report["files"]:
                self.assertTrue(f["exists"], f)
        return report

    def reference(self, page, dpi, *args):
        key = (page, dpi, args)
        if key not in self.bmp:
            report = self.job(0, [page], "--dpi", dpi, *args)
            with Image.open(report["files"][0]["host_path"]) as im:
                self.bmp[key] = im.convert("L")
        return self.bmp[key]

    def decode_natively(self, path):
        info = tiffinfo(path)
        plain = path + ".plain.tif"
        proc = subprocess.run(["tiffcp", "-c", "none", path, plain], capture_output=True, text=True)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        return info, pages_of(plain)

    def test_every_tiff_code_single_page_matches_the_bmp(self):
        for code in FLAG_CODES + NEVER_MULTI + ALWAYS_MULTI:
            with self.subTest(code=code):
                report = self.job(code, SAMPLE[:2], "--dpi", "100")
                files = [f["host_path"] for f in report["files"]]
                self.assertTrue(all(p.endswith(".tif") for p in files), files)
                expected = [self.reference(p, "100") for p in SAMPLE[:2]]
                if code in ALWAYS_MULTI:
                    self.assertEqual(len(set(files)), 1)
                    info, decoded = self.decode_natively(files[0])
                else:
                    self.assertEqual(len(set(files)), 2)
                    decoded = []
                    for p in files:
                        info, one = self.decode_natively(p)
                        self.assertEqual(len(one), 1)
                        decoded += one
                self.assertEqual(len(decoded), 2)
                for got, want in zip(decoded, expected):
                    self.assertTrue(same_pixels(got, want), code)
                # Pillow on the file as written, too.
                self.assertTrue(same_pixels(pages_of(files[0])[0], expected[0]))
                if code != 30:
                    self.assertIn("min-is-white", info)
                    self.assertIn("Rows/Strip: 1100", info)

    def test_flag_codes_write_one_multi_page_file(self):
        for code in FLAG_CODES:
            with self.subTest(code=code):
                report = self.job(code, SAMPLE, "--dpi", "100", *MULTI)
                files = {f["host_path"] for f in report["files"]}
                self.assertEqual(len(files), 1)
                path = files.pop()
                info, decoded = self.decode_natively(path)
                self.assertEqual(len(decoded), 3)
                for got, page in zip(decoded, SAMPLE):
                    self.assertTrue(same_pixels(got, self.reference(page, "100")), code)
                # The report reads the same file: its facts agree with libtiff's.
                entry = report["files"][0]
                self.assertEqual((entry["format"], entry["pages"]), ("tiff", 3))
                self.assertEqual((entry["width"], entry["height"]), decoded[0].size)
                self.assertEqual((entry["x_dpi"], entry["y_dpi"]), (100, 100))
                compression = re.search(r"Compression Scheme: (.*)", info).group(1).strip()
                self.assertEqual(entry["compression"] == 4, compression == "CCITT Group 4", compression)

    def test_always_reopen_writes_the_same_document(self):
        # The file is opened for every page instead of being held: the same pages come out.
        reopen = ("--ini", "Default Settings\\Always Reopen TIFF File=1")
        report = self.job(21, SAMPLE, "--dpi", "100", *MULTI, *reopen)
        path = report["files"][0]["host_path"]
        info, decoded = self.decode_natively(path)
        self.assertEqual(len(decoded), 3)
        for got, page in zip(decoded, SAMPLE):
            self.assertTrue(same_pixels(got, self.reference(page, "100")))
        self.assertEqual(re.findall(r"Page Number: (\d+)-(\d+)", info), [("0", "3"), ("1", "3"), ("2", "3")])

    def test_ink_is_one_under_white_is_zero(self):
        report = self.job(3, SAMPLE[:1], "--dpi", "100")
        path = report["files"][0]["host_path"]
        info = tiffinfo(path)
        self.assertIn("Photometric Interpretation: min-is-white", info)
        with open(path, "rb") as f:
            data = f.read()
        ref = self.reference(SAMPLE[0], "100")
        # The uncompressed strip follows the 8-byte header; its first black pixel is a 1 bit.
        offset = int(re.search(r"(\d+)", subprocess.run(["tiffdump", path], capture_output=True,
                                                         text=True).stdout.split("StripOffsets")[1]).group(1))
        width = ref.size[0]
        for y in range(ref.size[1]):
            row = ref.crop((0, y, width, y + 1))
            if row.getextrema()[0] == 0:
                x = list(row.getdata()).index(0)
                byte = data[offset + y * ((width + 7) // 8) + x // 8]
                self.assertTrue(byte & (0x80 >> (x % 8)))
                break

    def test_dialogic_fill_order_and_page_numbers(self):
        report = self.job(21, SAMPLE, "--dpi", "100", *MULTI)
        path = report["files"][0]["host_path"]
        info = tiffinfo(path)
        self.assertEqual(info.count("FillOrder: lsb-to-msb"), 3)
        self.assertEqual(re.findall(r"Page Number: (\d+)-(\d+)", info), [("0", "3"), ("1", "3"), ("2", "3")])
        # Single pages number themselves, with their own number as the total.
        report = self.job(21, SAMPLE[:2], "--dpi", "100")
        self.assertEqual(re.findall(r"Page Number: (\d+)-(\d+)", tiffinfo(report["files"][1]["host_path"])),
                         [("1", "2")])

    def test_resolution_and_internet_tiff(self):
        report = self.job(7, SAMPLE[:1], "--dpi", "300", "--dm", "IsInternetTiffFormatEnabled=1")
        path = report["files"][0]["host_path"]
        info = tiffinfo(path)
        self.assertIn("Resolution: 300, 300 pixels/inch", info)
        self.assertIn("Subfile Type: multi-page document (2 = 0x2)", info)
        self.assertIn("Rows/Strip: 3300", info)
        dump = subprocess.run(["tiffdump", path], capture_output=True, text=True).stdout
        self.assertRegex(dump, r"XResolution \(282\) RATIONAL \(5\) 1<300>")
        self.assertTrue(same_pixels(pages_of(path)[0], self.reference(SAMPLE[0], "300")))
        plain = self.job(7, SAMPLE[:1], "--dpi", "300")
        self.assertNotIn("Subfile Type", tiffinfo(plain["files"][0]["host_path"]))

    def test_cisco_files_are_converted(self):
        for args in ((), MULTI):
            with self.subTest(multi=bool(args)):
                report = self.job(30, SAMPLE[:2], "--dpi", "204,196", *args)
                path = report["files"][-1]["host_path"]
                info = tiffinfo(path)
                self.assertIn("Compression Scheme: CCITT Group 3", info)
                self.assertIn("EOL padding", info)
                self.assertIn("Subfile Type: multi-page document", info)
                # The conversion numbers the pages of the file; the total is then the document's
                # page count, which for a single page file is the page's own number.
                numbers = [("0", "2"), ("1", "2")] if args else [("0", "2")]
                self.assertEqual(re.findall(r"Page Number: (\d+)-(\d+)", info), numbers)
                self.assertTrue(same_pixels(pages_of(path)[-1], self.reference(SAMPLE[1], "204,196")))

    def test_raw_ccitt_decodes_with_fax2tiff(self):
        options = {12: ["-1"], 13: ["-1", "-A"], 14: ["-2"], 15: ["-4"]}
        for code, opts in options.items():
            with self.subTest(code=code):
                report = self.job(code, SAMPLE[:1], "--dpi", "204,196")
                path = report["files"][0]["host_path"]
                self.assertTrue(path.endswith(".raw"))
                ref = self.reference(SAMPLE[0], "204,196")
                page = fax2tiff_page([*opts, "-M", "-X", str(ref.size[0]), "-o", path + ".tif", path], ref, code == 15)
                self.assertTrue(same_pixels(page, ref))

    def test_cals_header_and_group4_data(self):
        paper = ("--paper", "2195x2794")  # 1728 pixels across at 200 dpi
        report = self.job(11, SAMPLE[:1], "--dpi", "200", *paper)
        path = report["files"][0]["host_path"]
        self.assertTrue(path.endswith(".cg4"))
        with open(path, "rb") as f:
            data = f.read()
        header = data[:2048].decode("ascii")
        self.assertNotIn("\n", header)
        records = [header[i:i + 128] for i in range(0, 2048, 128)]
        ref = self.reference(SAMPLE[0], "200", *paper)
        self.assertEqual(ref.size[0], 1728)
        keys = ["srcdocid: ", "dstdocis: ", "txtfileid: ", "figid: ", "scrgph: ", "doccls: ", "rtype: ",
                "rorient: ", "rpelcnt: ", "rdensty: ", "notes: "]
        for record, key in zip(records, keys):
            self.assertTrue(record.startswith(key), record)
        self.assertEqual(records[6].rstrip(), "rtype: 1")
        self.assertEqual(records[7].rstrip(), "rorient: 000,270")
        self.assertEqual(records[8].rstrip(), "rpelcnt: %06d,%06d" % ref.size)
        self.assertEqual(records[9].rstrip(), "rdensty: 0200")
        self.assertEqual(records[11:], [" " * 128] * 5)
        body = path + ".g4"
        with open(body, "wb") as f:
            f.write(data[2048:])
        page = fax2tiff_page(["-4", "-M", "-X", str(ref.size[0]), "-o", path + ".tif", body], ref, True)
        self.assertTrue(same_pixels(page, ref))

    def test_ioca_structured_fields_parse(self):
        report = self.job(19, SAMPLE[:1], "--dpi", "200")
        path = report["files"][0]["host_path"]
        self.assertTrue(path.endswith(".mca"))
        with open(path, "rb") as f:
            data = f.read()
        fields, pos = [], 0
        while pos < len(data):
            self.assertEqual(data[pos], 0x5A, pos)
            length = struct.unpack_from(">H", data, pos + 1)[0]
            fields.append(data[pos + 3:pos + 6].hex().upper())
            pos += 1 + length
        self.assertEqual(pos, len(data))
        self.assertEqual(fields[:2], ["D3A8A8", "D3A8AF"])  # Begin Document, Begin Page
        self.assertEqual(fields[-3:], ["D3A9FB", "D3A9AF", "D3A9A8"])  # End Image, End Page, End Document
        self.assertGreater(fields.count("D3EEFB"), 2)  # Image Picture Data

    def test_first_page_failing_before_encoding_fails_every_later_page(self):
        bad = os.path.join(self.tmp.name, "bad.emf")
        with open(SAMPLE[0], "rb") as f:
            head = bytearray(f.read(108))
        struct.pack_into("<I", head, 48, 10 ** 9)  # the header claims far more bytes than it has
        with open(bad, "wb") as f:
            f.write(head)
        report = self.job(7, [bad, SAMPLE[1], SAMPLE[2]], "--dpi", "100", *MULTI, ok=False)
        self.assertTrue(report["job"]["failed"] or report["job"]["status"], report["job"])
        self.assertEqual(report["job"]["status"], "Internal error: 5.")
        page_ops = [o for o in report["job"]["operations"] if o["op"] == "EndPage"]
        self.assertEqual([o["result"] for o in page_ops], [False, False, False])


if __name__ == "__main__":
    unittest.main()

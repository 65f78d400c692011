"""TIFF32.DLL's output decoded by independent readers on Linux: libtiff's own tools (tiffinfo,
tiffcp to uncompressed), fax2tiff for the headerless CCITT streams and Pillow, pixel for pixel
against the bitmaps the pages were made from. The MO:DCA/IOCA file is parsed field by field."""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image, ImageChops

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
DRIVER = os.path.join(BIN, "test_tifflib.exe")

COMPRESSION_NAMES = {1: "None", 3: "CCITT Group 3", 4: "CCITT Group 4", 5: "LZW",
                     7: "JPEG", 32773: "PackBits"}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=300, **kw)


class NativeDecoding(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = cls.tmp.name
        env = dict(os.environ, TW_TIFFLIB_OUT=windows_path(cls.out))
        proc = run(["wine", DRIVER, "--gtest_filter=NativeFiles.*", "--gtest_brief=1"], env=env)
        if proc.returncode != 0:
            raise AssertionError("the file writer failed:\n" + proc.stdout + proc.stderr)
        with open(os.path.join(cls.out, "manifest.jsonl"), encoding="utf-8") as f:
            cls.cases = [json.loads(line) for line in f if line.strip()]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.out, name)

    def of_kind(self, kind):
        cases = [c for c in self.cases if c["kind"] == kind]
        self.assertTrue(cases, f"no {kind} files were written")
        return cases

    def assert_same_image(self, got, expected_name, lossy=False, what="", eofb_row=False):
        expected = Image.open(self.path(expected_name))
        if eofb_row and got.size == (expected.size[0], expected.size[1] + 1):
            # fax2tiff decodes a Group 4 stream's end-of-facsimile block as one more white row.
            extra = got.convert("L").crop((0, expected.size[1], expected.size[0], expected.size[1] + 1))
            self.assertEqual(extra.getextrema(), (255, 255), f"{what}: the row after the page is not white")
            got = got.crop((0, 0) + expected.size)
        self.assertEqual(got.size, expected.size, what)
        if expected.mode == "1" and not lossy:
            diff = ImageChops.difference(got.convert("L"), expected.convert("L"))
            self.assertIsNone(diff.getbbox(), f"{what}: pixels differ in {diff.getbbox()}")
            return
        diff = ImageChops.difference(got.convert("RGB"), expected.convert("RGB"))
        if not lossy:
            self.assertIsNone(diff.getbbox(), f"{what}: pixels differ in {diff.getbbox()}")
            return
        hist = diff.convert("L").histogram()
        total = sum(hist)
        mean = sum(i * n for i, n in enumerate(hist)) / total
        far = sum(hist[48:]) / total
        self.assertLess(mean, 6.0, f"{what}: mean difference {mean:.2f}")
        self.assertLess(far, 0.01, f"{what}: {far:.2%} of pixels far off")

    def pages_of(self, path):
        with Image.open(path) as im:
            count = im.n_frames
        pages = []
        for i in range(count):
            with Image.open(path) as im:
                im.seek(i)
                # Pillow keeps the palette of a palette page for the pages after it.
                if im.mode != "P":
                    im.palette = None
                im.load()
                pages.append((im.copy(), dict(im.tag_v2)))
        return pages

    def test_tiff_files_pass_tiffinfo_and_decode_to_their_bitmaps(self):
        for case in self.of_kind("tiff"):
            with self.subTest(file=case["file"]):
                path = self.path(case["file"])
                info = run(["tiffinfo", path])
                self.assertEqual(info.returncode, 0, info.stderr)
                self.assertEqual(info.stderr.strip(), "", "libtiff complains")
                schemes = [l.split(":", 1)[1].strip() for l in info.stdout.splitlines()
                           if "Compression Scheme" in l]
                self.assertEqual(len(schemes), len(case["pages"]))
                want = COMPRESSION_NAMES[case["compression"]]
                bilevel_pages = [p.endswith(".pbm") for p in case["pages"]]
                for scheme, bilevel in zip(schemes, bilevel_pages):
                    # JPEG requested on a bilevel page gives grey JPEG; the scheme is JPEG either way.
                    self.assertEqual(scheme, want)

                # Pillow on the file itself, then on libtiff's uncompressed copy.
                pages = self.pages_of(path)
                for i, (image, tags) in enumerate(pages):
                    self.assert_same_image(image, case["pages"][i], case.get("lossy", False), f"page {i}")
                    if case.get("pagenumbers"):
                        self.assertEqual(tuple(tags.get(297)), tuple(case["pagenumbers"][i]))
                    else:
                        self.assertNotIn(297, tags)
                    if "t4" in case and case["t4"] >= 0:
                        self.assertEqual(tags.get(292), case["t4"])
                    if "fillorder" in case:
                        self.assertEqual(tags.get(266, 1), case["fillorder"])
                    if case.get("subfiletype"):
                        self.assertEqual(tags.get(254), case["subfiletype"])
                    if "dpi" in case and bilevel_pages[i]:
                        self.assertEqual(round(float(tags.get(282))), case["dpi"][i])
                        self.assertEqual(tags.get(296), 2)
                plain = self.path(case["file"] + ".none.tif")
                cp = run(["tiffcp", "-c", "none", path, plain])
                self.assertEqual(cp.returncode, 0, cp.stderr)
                for i, (image, tags) in enumerate(self.pages_of(plain)):
                    self.assertEqual(tags.get(259), 1)
                    self.assert_same_image(image, case["pages"][i], case.get("lossy", False), f"tiffcp page {i}")

    def test_raw_ccitt_streams_decode_with_fax2tiff(self):
        for case in self.of_kind("raw"):
            with self.subTest(file=case["file"]):
                with open(self.path(case["file"]), "rb") as f:
                    data = f.read()[case["skip"]:]
                raw = self.path(case["file"] + ".data")
                with open(raw, "wb") as f:
                    f.write(data)
                args = ["fax2tiff", "-M", "-X", str(case["width"]), "-o", self.path(case["file"] + ".tif")]
                if case["scheme"] == 4:
                    args.append("-4")
                else:
                    args.append("-2" if case["t4"] & 1 else "-1")
                    if case["t4"] & 4:
                        args.append("-A")
                proc = run(args + [raw])
                self.assertEqual(proc.returncode, 0, proc.stderr)
                self.assertNotIn("bad", proc.stderr.lower())
                image = Image.open(self.path(case["file"] + ".tif"))
                self.assert_same_image(image, case["expect"], eofb_row=case["scheme"] == 4)

    def wrap_g4(self, data, width, height):
        """Bare Group 4 data as the one strip of a minimal TIFF, for Pillow's decoder."""
        entries = [(256, 4, width), (257, 4, height), (258, 3, 1), (259, 3, 4), (262, 3, 0),
                   (273, 4, 8), (277, 3, 1), (278, 4, height), (279, 4, len(data))]
        ifd = struct.pack("<H", len(entries))
        for tag, typ, value in entries:
            ifd += struct.pack("<HHI", tag, typ, 1) + (struct.pack("<HH", value, 0) if typ == 3 else struct.pack("<I", value))
        ifd += struct.pack("<I", 0)
        path = self.path("wrapped.tif")
        with open(path, "wb") as f:
            f.write(b"II*\x00" + struct.pack("<I", 8 + len(data)) + data + ifd)
        image = Image.open(path)
        image.load()
        return image

    def parse_fields(self, data):
        fields, at = [], 0
        while at < len(data):
            self.assertEqual(data[at], 0x5A, f"no carriage control at {at}")
            length = struct.unpack(">H", data[at + 1:at + 3])[0]
            self.assertGreaterEqual(length, 8)
            ident = data[at + 3:at + 6].hex().upper()
            fields.append((ident, data[at + 9:at + 1 + length]))
            at += 1 + length
        self.assertEqual(at, len(data), "the last field runs past the end")
        return fields

    def parse_ioca(self, segment):
        """Self-defining fields of the image segment: one-byte ids with a one-byte length,
        X'FE'-prefixed ids with a two-byte length."""
        params, image, at = [], b"", 0
        while at < len(segment):
            if segment[at] == 0xFE:
                code, length = 0xFE00 | segment[at + 1], struct.unpack(">H", segment[at + 2:at + 4])[0]
                value, at = segment[at + 4:at + 4 + length], at + 4 + length
            else:
                code, length = segment[at], segment[at + 1]
                value, at = segment[at + 2:at + 2 + length], at + 2 + length
            self.assertLessEqual(at, len(segment))
            if code == 0xFE92:
                image += value
            else:
                params.append((code, value))
        return params, image

    def test_ioca_fields_parse_and_the_mmr_data_decodes(self):
        for case in self.of_kind("ioca"):
            with open(self.path(case["file"]), "rb") as f:
                fields = self.parse_fields(f.read())
            ids = [i for i, _ in fields]
            structure = [i for i in ids if i != "D3EEFB"]
            self.assertEqual(structure, ["D3A8A8", "D3A8AF", "D3A8C9", "D3A6AF", "D3A9C9", "D3A8FB", "D3A8C7",
                                         "D3A66B", "D3AC6B", "D3A6FB", "D3A9C7", "D3A9FB", "D3A9AF", "D3A9A8"])
            first, last = ids.index("D3EEFB"), len(ids) - 1 - ids[::-1].index("D3EEFB")
            self.assertEqual(ids[first - 1], "D3A9C7")
            self.assertEqual(set(ids[first:last + 1]), {"D3EEFB"})
            names = dict(fields)
            self.assertEqual(names["D3A8A8"][:8], names["D3A9A8"][:8], "document begin and end names")
            self.assertEqual(names["D3A8AF"][:8], names["D3A9AF"][:8], "page begin and end names")
            w, h, units = case["width"], case["height"], case["units"]
            idd = names["D3A6FB"]
            self.assertEqual(struct.unpack(">BHHHH", idd[:9]), (0, units, units, w, h))
            self.assertEqual(idd[9:], bytes([0xF7, 2, 1, 0x0A]), "function set 10")
            pgd = names["D3A6AF"]
            self.assertEqual(int.from_bytes(pgd[6:9], "big"), w)
            self.assertEqual(int.from_bytes(pgd[9:12], "big"), h)

            segment = b"".join(d for i, d in fields if i == "D3EEFB")
            params, image = self.parse_ioca(segment)
            codes = [c for c, _ in params]
            self.assertEqual(codes, [0x70, 0x91, 0x94, 0x95, 0x96, 0x93, 0x71])
            p = dict(params)
            self.assertEqual(struct.unpack(">BHHHH", p[0x94]), (0, units, units, w, h))
            self.assertEqual(p[0x95], bytes([0x82, 0x01]), "MMR, RIDIC")
            self.assertEqual(p[0x96], bytes([1]), "one bit per pel")
            raw = self.path("ioca.mmr")
            with open(raw, "wb") as f:
                f.write(image)
            proc = run(["fax2tiff", "-M", "-4", "-X", str(w), "-o", self.path("ioca.tif"), raw])
            self.assertEqual(proc.returncode, 0, proc.stderr)
            self.assert_same_image(Image.open(self.path("ioca.tif")), case["expect"], what="IOCA image", eofb_row=True)
            self.assert_same_image(self.wrap_g4(image, w, h), case["expect"], what="IOCA image through Pillow")


if __name__ == "__main__":
    unittest.main(verbosity=2, argv=[sys.argv[0]])

"""Damaged command streams replayed through twprint: pages out of order, a stream cut short, a
header that is no command, a page without data, colour pages of the monochrome build, and a
page's own DEVMODE. Each job must end as failed with one story told everywhere (status, group
file, event log, client), keep the pages that did arrive and leave no empty file; each runs
with the plug-in companion and without it."""
import os
import struct
import tempfile
import unittest

from twprint_runner import host, read_ini, run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "examples", "page1.emf")
HEADER = struct.Struct("<IIII")
FLAG = 0x8000F22F
START_DOC, START_PAGE, END_PAGE, END_DOC = 1, 2, 3, 4
ORIENTATION = 76  # dmOrientation in the DEVMODE
PLUGIN_MODES = ((), ("--no-plugin",))
ERROR_EVENT = 0x66


def commands(stream):
    """[(type, header and data bytes)] of a whole stream."""
    out, pos = [], 0
    while pos < len(stream):
        flag, size, kind, data = HEADER.unpack_from(stream, pos)
        assert flag == FLAG and size == 16, pos
        out.append((kind, stream[pos:pos + 16 + data]))
        pos += 16 + data
    return out


def record(kind, data=b""):
    return HEADER.pack(FLAG, 16, kind, len(data)) + data


class StreamFaults(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.out = os.path.join(self.tmp.name, "out")
        os.mkdir(self.out)
        self.port = unique("TWF")
        self.printer = "Faults " + self.port[3:-1]

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def saved(self, *args, pages=2):
        """The commands of the stream twprint builds for `pages` pages."""
        path = os.path.join(self.tmp.name, "saved.stream")
        code, _, err = run("--port", self.port, "--printer", self.printer, "--out", self.out, "--save-stream", path,
                           "--format", "0", *args, *([EMF] * pages))
        self.assertEqual(code, 0, err)
        with open(path, "rb") as f:
            cmds = commands(f.read())
        self.clear_out()
        return cmds

    def clear_out(self):
        for name in os.listdir(self.out):
            os.remove(os.path.join(self.out, name))

    def replay(self, parts, *args):
        path = os.path.join(self.tmp.name, "replay.stream")
        with open(path, "wb") as f:
            f.write(b"".join(p if isinstance(p, bytes) else p[1] for p in parts))
        self.clear_out()
        code, report, err = run_report("--stream", path, "--port", self.port, "--printer", self.printer,
                                       "--chunk", "67108864", *args)
        self.assertEqual(code, 0, err)
        return report

    def group(self, report):
        return read_ini(report["group_file"])

    def assert_failed(self, report, text, pages):
        """The job failed for `text` and says so everywhere; the pages that arrived are there."""
        job = report["job"]
        self.assertTrue(job["failed"], job["status"])
        self.assertIn(text, job["status"])
        status = self.group(report)[self.printer]["Print status"]
        self.assertEqual(status, job["status"])
        errors = [e["strings"][10] for e in report["events"] if e["id"] == ERROR_EVENT]
        self.assertIn(job["status"], errors)
        self.assertEqual(job["output_pages"], pages)
        self.assertEqual(len(job["output_files"]), pages)
        self.assertEqual(self.group(report)[self.printer].get("Total number of pages", "0"), str(pages))
        for name in os.listdir(self.out):
            self.assertGreater(os.path.getsize(os.path.join(self.out, name)), 0, name)
        written = [f for f in report["files"] if f["exists"]]
        self.assertEqual(len(written), pages)

    def test_a_page_started_but_never_ended(self):
        sd, sp1, ep1, sp2, ep2, ed = self.saved()
        for mode in PLUGIN_MODES:
            with self.subTest(mode=mode):
                report = self.replay([sd, sp1, ep1, sp2, ed], *mode)
                self.assert_failed(report, "page 2 was started but never ended", 1)

    def test_end_page_without_start_page_and_a_second_end_page(self):
        sd, sp1, ep1, sp2, ep2, ed = self.saved()
        for mode in PLUGIN_MODES:
            with self.subTest(mode=mode):
                report = self.replay([sd, ep1, sp1, ep1, ep1, sp2, ep2, ed], *mode)
                self.assert_failed(report, "without PORT_CMD_START_PAGE", 2)
                dropped = [op for op in report["job"]["operations"] if op["op"] == "Dropped"]
                self.assertEqual([op["detail"] for op in dropped], ["PORT_CMD_END_PAGE"] * 2)
                self.assertEqual(len([e for e in report["events"] if e["id"] == ERROR_EVENT]), 2)

    def test_a_header_that_is_no_command_in_mid_stream(self):
        sd, sp1, ep1, sp2, ep2, ed = self.saved("--listen")
        for kind_field in (7, 0):
            bad = bytearray(sp2[1])
            struct.pack_into("<I", bad, 8, kind_field)
            for mode in PLUGIN_MODES:
                with self.subTest(type=kind_field, mode=mode):
                    report = self.replay([sd, sp1, ep1, bytes(bad), ep2, ed], "--listen", *mode)
                    # The rest of the buffer is gone, and the document it held never ends.
                    self.assert_failed(report, "ended without PORT_CMD_END_DOC", 1)
                    self.assertNotEqual(report["job"]["status"], "Printing started")
                    first = [m["text"] for m in report["messages"] if m.get("number") == 5]
                    self.assertEqual(len(first), 1)
                    self.assertIn("not a driver command", first[0])

    def test_a_stream_cut_after_a_tiff_start_page_leaves_no_empty_file(self):
        for multipage in ("0", "1"):
            sd, sp1, ep1, sp2, ep2, ed = self.saved("--format", "7", "--dm", "IsMultipageImageEnabled=" + multipage)
            for mode in PLUGIN_MODES:
                with self.subTest(multipage=multipage, mode=mode):
                    report = self.replay([sd, sp1], *mode)
                    self.assert_failed(report, "ended inside page 1", 0)
                    self.assertEqual([n for n in os.listdir(self.out) if not n.lower().endswith(".grp")], [])
                    report = self.replay([sd, sp1, ep1, sp2], *mode)
                    self.assert_failed(report, "ended inside page 2", 1)

    def test_an_end_page_of_zero_bytes(self):
        sd, sp1, ep1, sp2, ep2, ed = self.saved()
        for mode in PLUGIN_MODES:
            with self.subTest(mode=mode):
                report = self.replay([sd, sp1, record(END_PAGE), sp2, ep2, ed], *mode)
                self.assert_failed(report, "of page 1 carries no page data", 1)
                self.assertNotIn("aborted", self.group(report)[self.printer]["Print status"])

    def test_colour_pages_of_the_monochrome_build_fail_saying_why(self):
        for color in ("1", "2", "3"):
            for mode in PLUGIN_MODES:
                with self.subTest(color=color, mode=mode):
                    code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", self.out,
                                                   "--format", "0", "--color", color, "--listen", *mode, EMF)
                    self.assertEqual(code, 0, err)
                    job = report["job"]
                    self.assertTrue(job["failed"])
                    self.assertIn("Page 1 was not printed", job["status"])
                    self.assertIn("black-and-white", job["status"])
                    self.assertEqual(self.group(report)[self.printer]["Print status"], job["status"])
                    self.assertIn(job["status"], [e["strings"][10] for e in report["events"] if e["id"] == ERROR_EVENT])
                    self.assertEqual([m["text"] for m in report["messages"] if m.get("number") == 5], [job["status"]])
                    self.assertEqual([f for f in report["files"] if f["exists"]], [])
                    self.clear_out()

    def test_a_pages_own_devmode_reaches_the_writer(self):
        sd, sp1, ep1, sp2, ep2, ed = self.saved("--dpi", "100")
        landscape = bytearray(sp2[1])
        struct.pack_into("<h", landscape, 16 + ORIENTATION, 2)
        for mode in PLUGIN_MODES:
            with self.subTest(mode=mode):
                report = self.replay([sd, sp1, ep1, bytes(landscape), ep2, ed], *mode)
                self.assertFalse(report["job"]["failed"], report["job"]["status"])
                first, second = report["files"]
                self.assertLess(first["width"], first["height"])
                self.assertGreater(second["width"], second["height"])
                group = self.group(report)
                self.assertEqual(group["Page 1"]["Orientation"], "Portrait")
                self.assertEqual(group["Page 2"]["Orientation"], "Landscape")
                self.assertEqual(int(group["Page 2"]["Page width in pixels"]), second["width"])


if __name__ == "__main__":
    unittest.main()

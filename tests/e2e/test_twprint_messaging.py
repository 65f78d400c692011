"""Whole jobs with twprint as the listening client application: the messages of single-page,
multi-page and pages-per-sheet documents, the DEVMODE edit, the statistics record, and jobs
whose client is absent, never reads, or hangs up mid-record."""
import os
import tempfile
import time
import unittest

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "examples", "page1.emf")
# Short time-outs for the clients that fail: each failure may cost one of them.
FAST = ("--ini", "Default Settings\\Messaging Timeout=1500", "--ini", "Default Settings\\Messaging Timeout 2=500")


def pipe(report, *kinds):
    """The pipe messages of the given numbers (all but the DEVMODE offers when none are given)."""
    return [m for m in report["messages"] if m["channel"] == "pipe"
            and (m.get("number") in kinds if kinds else m.get("number") != 7)]


class Messaging(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWM")
        self.printer = "Messaging " + self.port[3:-1]

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def job(self, *args, pages=1):
        start = time.monotonic()
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", self.tmp.name,
                                       "--job-id", "7", "--format", "0", *args, *([EMF] * pages))
        self.elapsed = time.monotonic() - start
        self.assertEqual(code, 0, f"twprint {args} exited {code}: {err!r}")
        self.assertLessEqual(len(pipe(report, 5)), 1, "message 5 is sent once a job at most")
        return report

    def check_file_names(self, report, sheets):
        """Messages 2 and 3 of each sheet name the same file, the one the job named for it."""
        starts, ends = pipe(report, 2), pipe(report, 3)
        self.assertEqual([m["page"] for m in starts], list(range(1, sheets + 1)))
        self.assertEqual([m["page"] for m in ends], list(range(1, sheets + 1)))
        self.assertEqual([m["text"] for m in starts], [m["text"] for m in ends])
        for m in starts + ends:
            self.assertEqual(m["output_file"], m["text"])
        named = [n for n in report["job"]["output_files"] if n]
        if named:
            # One name per sheet: the group's pages share the name of its first page.
            self.assertEqual([m["text"] for m in ends], list(dict.fromkeys(named)))
        if report["files"]:
            paths = {f["path"].lower() for f in report["files"]}
            for m in ends:
                self.assertIn(m["text"].lower(), paths)

    def test_a_single_page(self):
        report = self.job("--listen", "--doc", "Letter")
        self.assertEqual([m["number"] for m in pipe(report)], [1, 2, 3, 4])
        # The DEVMODE is offered with the document's and with the page's record.
        self.assertEqual(len(pipe(report, 7)), 2)
        first, last = pipe(report, 1)[0], pipe(report, 4)[0]
        for m in pipe(report):
            self.assertEqual(m["document"], "Letter")
            self.assertEqual(m["printer"], self.printer)
            self.assertEqual(m["job_id"], 7)
            self.assertEqual(m["portrait"], 1)
            self.assertEqual(m["multipage"], 0)
            self.assertEqual(m["group_file"], report["job"]["group_file"])
        self.assertEqual(first["text"], report["job"]["group_file"])
        self.assertEqual(last["text"], report["job"]["group_file"])
        self.check_file_names(report, 1)
        self.assertEqual(report["job"]["message_capture_warning"], "")

    def test_several_pages(self):
        report = self.job("--listen", "--landscape", pages=3)
        self.assertEqual([m["number"] for m in pipe(report)], [1, 2, 3, 2, 3, 2, 3, 4])
        self.check_file_names(report, 3)
        self.assertTrue(all(m["portrait"] == 0 for m in pipe(report)))

    def test_pages_per_sheet(self):
        # Seven pages three to a sheet: sheets start at pages 1, 4 and 7; the last closes at the end.
        report = self.job("--listen", "--dm", "PagesPerSheet=3", pages=7)
        self.assertEqual([m["number"] for m in pipe(report)], [1, 2, 3, 2, 3, 2, 3, 4])
        self.check_file_names(report, 3)
        self.assertEqual(pipe(report, 4)[0]["page"], 3)

    def test_the_devmode_edit_changes_the_document(self):
        plain = self.job("--listen", pages=4)
        edited = self.job("--listen", "--edit-devmode", "PagesPerSheet=2", pages=4)
        self.assertEqual(len(pipe(plain, 2)), 4)
        # The client's record groups the pages two to a sheet: two files instead of four.
        self.assertEqual(len(pipe(edited, 2)), 2)
        self.check_file_names(edited, 2)
        self.assertEqual(pipe(edited, 7)[0]["devmode_PagesPerSheet"], 0)
        self.assertEqual(edited["messages"][-1]["devmode_PagesPerSheet"], 2)
        if plain["files"]:
            self.assertLess(len(edited["files"]), len(plain["files"]))

    def test_statistics_after_the_document(self):
        report = self.job("--listen", "--doc", "Stats", pages=2)
        stats = self.statistics_last(report)
        self.assertEqual((stats["header_marker"], stats["header_size"], stats["header_type"]),
                         (0x232323, 512, 0x40001000))
        self.assertEqual((stats["header_body_size"], stats["header_word1"], stats["header_trailer"]),
                         (7700, 1, 0x232323))
        self.assertEqual((stats["body_size"], stats["body_type"], stats["job_info_size"]), (7700, 0x40001000, 812))
        self.assertEqual(stats["job_id"], 7)
        self.assertEqual(stats["printer"], self.printer[:63])
        self.assertEqual(stats["status_text"], report["job"]["status"])
        self.assertEqual(stats["bytes_read"], 512 + 7700)
        if stats["user"]:
            self.assertEqual(stats["document"], "Stats")
        # The statistics go to the interface name alone; a named pipe of the driver's file wins.
        named = self.job("--listen", "--ini", "Statistics Pipe Settings\\Pipe name=TwStats" + self.port[3:-1])
        self.statistics_last(named)

    def statistics_last(self, report):
        # The listener serves the two pipes on threads of their own, so the document's last pipe
        # message may be recorded just after the statistics that the monitor sent after it;
        # every other message comes before them.
        channels = [m["channel"] for m in report["messages"]]
        self.assertEqual(channels.count("statistics"), 1, channels)
        at = channels.index("statistics")
        self.assertGreaterEqual(at, len(channels) - 2, channels)
        return report["messages"][at]

    def test_a_cancelled_job_tells_its_status_once(self):
        report = self.job("--listen", "--cancel-after", "1", "--chunk", "8192", pages=2)
        status = pipe(report, 5)
        self.assertEqual([m["text"] for m in status], ["Print job was aborted"])

    def test_messaging_disabled_leaves_the_devmode_offer_and_the_statistics(self):
        report = self.job("--listen", "--dm", "IsMessagingInterfaceEnabled=0", pages=2)
        self.assertEqual(pipe(report), [])
        self.assertEqual(len(pipe(report, 7)), 3)
        self.statistics_last(report)

    def test_a_client_that_takes_no_message_is_given_up_for_the_document(self):
        # A stalling client is reported once per connection: the monitor tries it once, and then
        # sends the document's later messages no more, instead of waiting for each of them.
        report = self.job(*FAST, "--listen-behaviour", "stall", pages=3)
        self.assertEqual(len([m for m in report["messages"] if m.get("stalled")]), 1, report["messages"])
        self.assertFalse(report["job"]["failed"])
        self.assertEqual(report["job"]["output_pages"], 3)
        self.assertTrue(report["job"]["message_capture_warning"])
        # A client that never reads: twelve messages once cost one wait each; now the document
        # costs one. The bound is three waits, far from either.
        wait = ("--ini", "Default Settings\\Messaging Timeout=6000", "--ini", "Default Settings\\Messaging Timeout 2=3000")
        self.job(*wait, pages=3)
        base = self.elapsed
        report = self.job(*wait, "--listen-behaviour", "never-read", pages=3)
        self.assertEqual(report["job"]["output_pages"], 3)
        self.assertLess(self.elapsed, base + 3 * 3)

    def test_clients_that_fail_cost_the_time_outs_only(self):
        baseline = self.job(*FAST, pages=2)
        base = self.elapsed
        self.assertEqual(baseline["messages"], [])
        # No client listening is no failure at all.
        self.assertEqual(baseline["job"]["message_capture_warning"], "")
        for behaviour in ("never-read", "disconnect", "no-answer", "short-answer"):
            with self.subTest(behaviour=behaviour):
                report = self.job(*FAST, "--listen-behaviour", behaviour, pages=2)
                self.assertFalse(report["job"]["failed"])
                self.assertEqual(report["job"]["status"], baseline["job"]["status"])
                self.assertEqual(report["job"]["output_pages"], 2)
                self.assertEqual(len(report["files"]), len(baseline["files"]))
                # Every page's file was written, as without a client (the unique names differ by run).
                self.assertEqual(len(report["job"]["output_files"]), len(baseline["job"]["output_files"]))
                self.assertTrue(all(f["exists"] for f in report["files"]), report["files"])
                # Ten messages, each bounded by a few waits of "Messaging Timeout 2" at most.
                self.assertLess(self.elapsed, base + 10 * 3 * 0.5 + 5)
                if behaviour != "no-answer":
                    self.assertNotEqual(report["job"]["message_capture_warning"], "")
        silent = self.job(*FAST, "--listen-behaviour", "no-answer", pages=1)
        self.assertEqual(silent["job"]["message_capture_warning"], "")
        short = self.job(*FAST, "--listen-behaviour", "short-answer", pages=1)
        self.assertEqual(short["job"]["message_capture_warning"],
                         "The received data has incorrect size. Expected a TarnwellDEVMODE structure. "
                         "(DEVMODE message)")


if __name__ == "__main__":
    unittest.main()

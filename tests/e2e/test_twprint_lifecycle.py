"""Whole documents through the job's lifecycle: the plug-in, the password, page selection, empty
documents, a job deleted while it prints, and the event log levels."""
import os
import struct
import tempfile
import unittest

from twprint_runner import BIN, run_report, run, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "examples", "page1.emf")
PLUGIN = os.path.join(BIN, "TwPlugIn.dll")
HEADER = struct.Struct("<IIII")
FLAG = 0x8000F22F
DEVMODE_SIZE = 6879


def ops(report, name):
    return [op for op in report["job"]["operations"] if op["op"] == name]


class Lifecycle(unittest.TestCase):
    # Options every job of the class runs with (the class below runs without the plug-in).
    EXTRA = ()

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWL")
        self.printer = "Lifecycle " + self.port[3:-1]

    def tearDown(self):
        run("ports", "delete", self.port)
        os.environ.pop("TW_PLUGIN_INI", None)
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def job(self, *args, pages=3):
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--format", "0", *self.EXTRA,
                                       *args, *([EMF] * pages))
        self.assertEqual(code, 0, f"twprint {args} exited {code}: {err!r}")
        return report

    def plugin_ini(self, **behaviour):
        ini = self.path("plugin.ini")
        with open(ini, "w") as f:
            f.write("[Behaviour]\n" + "".join(f"{k}={v}\n" for k, v in behaviour.items()))
        os.environ["TW_PLUGIN_INI"] = "Z:" + ini.replace("/", "\\")

    def test_a_declining_plugin_accepts_the_document_and_fails_its_pages(self):
        self.plugin_ini(DeclineDocument=1)
        report = self.job("--plugin", PLUGIN)
        self.assertTrue(report["job"]["declined_by_plugin"])
        self.assertEqual(report["job"]["plugin_calls"][0], {"fn": "TwStartDoc", "result": False})
        self.assertTrue(all(op["result"] for op in ops(report, "StartDoc")))
        self.assertEqual([op["result"] for op in ops(report, "StartPage")], [False, False, False])
        self.assertEqual(report["files"], [])
        self.assertTrue(report["spooler"]["job_cancelled"])

    def test_a_plugin_declining_one_page(self):
        self.plugin_ini(DeclineEndPage=2)
        report = self.job("--plugin", PLUGIN)
        calls = [(c["fn"], c["result"]) for c in report["job"]["plugin_calls"]]
        self.assertEqual(calls[:1], [("TwStartDoc", True)])
        self.assertIn(("TwEndPage", False), calls)
        self.assertEqual([op["result"] for op in ops(report, "EndPage")], [True, False, True])

    def test_password_must_be_in_the_document_name(self):
        report = self.job("--password", "s3cret", "--doc", "Invoice s3cret 7")
        self.assertTrue(all(op["result"] for op in ops(report, "StartPage")))
        report = self.job("--password", "s3cret", "--doc", "Invoice 7")
        self.assertEqual([op["result"] for op in ops(report, "StartPage")], [False] * 3)

    def test_abort_job_and_a_cancelled_save_as_fail_the_pages(self):
        report = self.job("--set", "%d\\Abort Job=dword:1", pages=2)
        self.assertEqual([op["detail"] for op in ops(report, "StartPage")], ["Save As cancelled"] * 2)
        self.assertTrue(report["spooler"]["job_cancelled"])
        # "Cancel was pressed" counts only for a job printed from session 0.
        cancel = ("--set", "Save As Option Settings\\%d\\Cancel was pressed=dword:1")
        report = self.job(*cancel, pages=1)
        self.assertTrue(all(op["result"] for op in ops(report, "StartPage")))
        report = self.job(*cancel, "--dm", "PrintedFromSession0=1", pages=1)
        self.assertEqual([op["result"] for op in ops(report, "StartPage")], [False])

    def test_page_selection_leaves_pages_out(self):
        report = self.job("--pages", "2,3", pages=4)
        self.assertEqual(report["job"]["received_pages"], 4)
        self.assertEqual(report["job"]["output_pages"], 2)
        self.assertEqual([op["detail"] for op in ops(report, "StartPage")], ["left out", "", "", "left out"])

    def test_a_document_without_pages_gets_one_empty_page(self):
        saved = self.path("one.stream")
        self.job("--save-stream", saved, pages=1)
        with open(saved, "rb") as f:
            start_doc = f.read(HEADER.size + DEVMODE_SIZE)
        empty = self.path("empty.stream")
        with open(empty, "wb") as f:
            f.write(start_doc + HEADER.pack(FLAG, 16, 4, 0))
        code, report, err = run_report("--stream", empty, "--port", self.port, "--printer", self.printer, *self.EXTRA)
        self.assertEqual(code, 0, err)
        self.assertEqual(report["job"]["output_pages"], 1)
        self.assertEqual([op["op"] for op in report["job"]["operations"] if op["op"] != "Plugin"],
                         ["SetDevMode", "StartDoc", "StartPage", "EndPage", "EndDoc"])

    def test_a_job_deleted_while_printing_is_aborted(self):
        report = self.job("--cancel-after", "1", "--chunk", "8192")
        names = [op["op"] for op in report["job"]["operations"]]
        self.assertIn("AbortDoc", names)
        self.assertNotIn("EndDoc", names[names.index("AbortDoc"):])
        self.assertIn("Print job was aborted", report["job"]["status_messages"])
        aborted = [e for e in report["events"] if e["id"] == 0x65]
        self.assertEqual(len(aborted), 1)
        self.assertEqual(aborted[0]["type"], "warning")
        self.assertEqual(aborted[0]["strings"][0], self.printer)

    def test_event_logging_levels(self):
        for level, want in ((0, set()), (1, set()), (2, set()), (3, {0x64})):
            report = self.job("--ini", f"Troubleshooting Settings\\Event Logging Level={level}", pages=1)
            self.assertEqual({e["id"] for e in report["events"]}, want, (level, report["events"]))
        for level, want in ((0, set()), (1, set()), (2, {0x65}), (3, {0x65})):
            report = self.job("--ini", f"Troubleshooting Settings\\Event Logging Level={level}", "--cancel-after",
                              "1", "--chunk", "8192", pages=1)
            self.assertEqual({e["id"] for e in report["events"]}, want, level)


class LifecycleWithoutPlugin(Lifecycle):
    """The same documents on a printer that names no plug-in: the tests that need one name it."""
    EXTRA = ("--no-plugin",)

    def test_no_plugin_means_no_plugin_calls(self):
        report = self.job(pages=1)
        self.assertEqual(report["job"]["plugin_calls"], [])
        self.assertFalse(report["job"]["failed"])


if __name__ == "__main__":
    unittest.main()

"""twprint's first form: ports through the Xcv functions and raw streams through a port."""
import os
import tempfile
import unittest

from twprint_runner import run, run_report, unique


def port_names(stdout):
    return [line.split("\t")[0] for line in stdout.splitlines() if line]


class Ports(unittest.TestCase):
    def test_add_list_delete_round_trip(self):
        name = unique("TWE")
        code, out, err = run("ports", "add", name)
        self.assertEqual(code, 0, err)
        code, out, _ = run("ports", "list")
        self.assertEqual(code, 0)
        self.assertIn(name, port_names(out))
        line = next(l for l in out.splitlines() if l.startswith(name))
        self.assertEqual(line.split("\t")[1:], ["Tarnwell Monitor", "Tarnwell Port"])

        # The same name in another case is a duplicate.
        code, _, err = run("ports", "add", name.lower())
        self.assertEqual(code, 1)
        self.assertIn("exists", err)

        code, _, err = run("ports", "delete", name.lower())
        self.assertEqual(code, 0, err)
        _, out, _ = run("ports", "list")
        self.assertNotIn(name, port_names(out))
        code, _, _ = run("ports", "delete", name)
        self.assertEqual(code, 1)

    def test_bad_arguments_get_one_line_and_usage(self):
        for args in ([], ["ports"], ["ports", "add"], ["--stream"], ["--chunk", "0", "--stream", "x"],
                     ["--bogus"], ["--job-id", "abc", "--stream", "x"], ["--parallel", "page.emf"],
                     ["--listen", "--stream", "a", "--stream", "b"], ["--page-list"]):
            code, _, err = run(*args)
            self.assertEqual(code, 2, args)
            self.assertTrue(err.startswith("twprint: "), err)
            self.assertIn("usage:", err)


class Streams(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWS")

    def tearDown(self):
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def stream_file(self, data):
        path = os.path.join(self.tmp.name, "stream.bin")
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_writes_in_chunks_and_reports_every_call(self):
        path = self.stream_file(b"0123456789")
        code, report, err = run_report("--stream", path, "--chunk", "3", "--port", self.port, "--job-id", "42")
        self.assertEqual(code, 0, err)
        fns = [c["fn"] for c in report["calls"]]
        self.assertEqual(fns[0], "InitializePrintMonitor2")
        start = fns.index("OpenPort")
        self.assertEqual(fns[start:], ["OpenPort", "StartDocPort", "WritePort", "WritePort", "WritePort",
                                       "WritePort", "EndDocPort", "ClosePort"])
        writes = [c["written"] for c in report["calls"] if c["fn"] == "WritePort"]
        self.assertEqual(writes, [3, 3, 3, 1])
        self.assertTrue(all(c["result"] for c in report["calls"]))
        # The finished job leaves the spooler's queue.
        self.assertTrue(report["spooler"]["job_deleted"])
        for key in ("job", "files", "events", "messages"):
            self.assertIn(key, report)
        self.assertIn("failed", report["job"])

    def test_missing_stream_file_cannot_run(self):
        code, _, err = run("--stream", os.path.join(self.tmp.name, "none.bin"), "--port", self.port)
        self.assertEqual(code, 1)
        self.assertIn("cannot read stream file", err)


if __name__ == "__main__":
    unittest.main()

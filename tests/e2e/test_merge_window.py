"""Jobs held by the merge utility (twmerge.exe) in the merge window: released in the order of its
job table, with the format and name the table gives; an entry marked abort; a merge utility that
exits while jobs wait; and shared memory that the merge utility left unusable (garbage, records
past the end, a name without terminator, a mapping too small, a mutex abandoned): those jobs
print alone and say why."""
import json
import os
import subprocess
import tempfile
import time
import unittest

from twprint_runner import BIN, SCRATCH, TWPRINT, run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2, 3)]
TWMERGE = os.path.join(BIN, "twmerge.exe")
MERGE_UTILITY = "Filename Generation Settings\\Merge Utility=sz:" + win(os.path.abspath(TWMERGE))
JOB_ID = 60
TIFF_G4, BMP = "7", "0"


class MergeUtility:
    """twmerge.exe running while the jobs print; its table is in place once it says "ready"."""

    def __init__(self, printer, *args):
        self.proc = subprocess.Popen(["wine", TWMERGE, "--printer", printer, *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True, cwd=SCRATCH)
        line = self.proc.stdout.readline()
        if not line.startswith("ready"):
            self.proc.kill()
            raise AssertionError(f"twmerge did not start: {line!r} {self.proc.stderr.read()!r}")

    def finish(self, timeout=120):
        out, err = self.proc.communicate(timeout=timeout)
        return self.proc.returncode, out.splitlines(), err


def warnings(job):
    return [s for e in job["events"] if e["type"] == "warning" for s in e["strings"]]


class MergeWindowCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.port = unique("TWM")
        cls.printer = "Merge " + cls.port[3:-1]
        # One captured stream per page: TIFF Group 4 with the merge window on.
        cls.streams = []
        scratch = os.path.join(cls.tmp.name, "scratch")
        os.mkdir(scratch)
        for n, page in enumerate(EMF):
            stream = os.path.join(cls.tmp.name, f"job{n}.tws")
            code, _, err = run("--port", cls.port, "--printer", cls.printer, "--out", win(scratch), "--format", TIFF_G4,
                               "--dm", "MergeWindowEnabled=1", "--save-stream", stream, page)
            assert code == 0, err
            cls.streams.append(stream)

    @classmethod
    def tearDownClass(cls):
        for i in range(len(cls.streams) + 1):
            run("ports", "delete", f"{cls.port[:-1]}{i}:")
        cls.tmp.cleanup()

    def setUp(self):
        self.out = tempfile.mkdtemp(dir=self.tmp.name)

    def print_jobs(self, count):
        """The first `count` streams as jobs JOB_ID, JOB_ID + 1, ... all at once; their reports."""
        args = [a for s in self.streams[:count] for a in ("--stream", s)]
        started = time.monotonic()
        code, report, err = run_report(*args, "--parallel", "--port", self.port, "--printer", self.printer,
                                       "--job-id", str(JOB_ID), "--set", MERGE_UTILITY, timeout=240)
        self.assertEqual(code, 0, err)
        self.elapsed = time.monotonic() - started
        return report["jobs"]

    def print_one(self):
        """Job JOB_ID alone. Its output goes to files, not pipes: a merge utility still running
        would keep Wine's helper processes, and with them any pipe they inherited, alive."""
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "report.json")
            started = time.monotonic()
            proc = subprocess.run(["wine", TWPRINT, "--stream", self.streams[0], "--port", self.port, "--printer",
                                   self.printer, "--job-id", str(JOB_ID), "--set", MERGE_UTILITY, "--report", path],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  cwd=SCRATCH, timeout=240)
            self.elapsed = time.monotonic() - started
            self.assertEqual(proc.returncode, 0)
            with open(path, encoding="utf-8") as f:
                return json.load(f)

    def name(self, stem):
        """The name the table gives: a page format numbers its file's pages after it."""
        return os.path.join(self.out, stem + ".bmp")

    def written(self, stem):
        return os.path.join(self.out, stem + "000001.bmp")

    def files(self, job):
        return [f["host_path"] for f in job["files"] if f["exists"]]


class MergeOrder(MergeWindowCase):
    def test_three_jobs_come_out_in_table_order_with_the_tables_format_and_names(self):
        # Job 60 is third, 61 first, 62 second; the table asks for BMP, the jobs for TIFF.
        utility = MergeUtility(self.printer,
                               "--entry", f"{JOB_ID}:2:{BMP}:{win(self.name('third'))}",
                               "--entry", f"{JOB_ID + 1}:0:{BMP}:{win(self.name('first'))}",
                               "--entry", f"{JOB_ID + 2}:1:{BMP}:{win(self.name('second'))}",
                               "--ready", "all", "--wait-done", "90000")
        jobs = self.print_jobs(3)
        code, lines, err = utility.finish()
        self.assertEqual(code, 0, (lines, err))
        self.assertEqual([l for l in lines if l.startswith("done")],
                         [f"done {JOB_ID + 1}", f"done {JOB_ID + 2}", f"done {JOB_ID}"])
        # Every entry done, with the job's page count as its counter.
        self.assertEqual(lines[-1], f"table {JOB_ID}:3:1 {JOB_ID + 1}:3:1 {JOB_ID + 2}:3:1")
        for job, stem in zip(jobs, ("third", "first", "second")):
            self.assertFalse(job["job"]["failed"], job["job"]["status"])
            self.assertEqual(self.files(job), [self.written(stem)])
            self.assertFalse(warnings(job))
        with open(self.written("first"), "rb") as f:
            self.assertEqual(f.read(2), b"BM")
        times = [os.stat(self.written(s)).st_mtime_ns for s in ("first", "second", "third")]
        self.assertEqual(times, sorted(times))
        print(f"three merged jobs: {self.elapsed:.1f} s", flush=True)

    def test_two_jobs_and_an_entry_marked_abort(self):
        utility = MergeUtility(self.printer,
                               "--entry", f"{JOB_ID}:1:{BMP}:{win(self.name('second'))}",
                               "--entry", f"{JOB_ID + 1}:0:{BMP}:{win(self.name('first'))}",
                               "--ready", "all", "--abort", str(JOB_ID + 1), "--wait-done", "90000")
        jobs = self.print_jobs(2)
        code, lines, err = utility.finish()
        self.assertEqual(code, 0, (lines, err))
        # The aborted job wrote nothing: the only file is the other job's.
        self.assertTrue(any("aborted job" in w for w in warnings(jobs[1])), jobs[1]["events"])
        self.assertFalse(jobs[0]["job"]["failed"], jobs[0]["job"]["status"])
        self.assertEqual(self.files(jobs[0]), [self.written("second")])
        self.assertEqual([n for n in os.listdir(self.out) if n.endswith(".bmp")], ["second000001.bmp"])
        self.assertEqual(lines[-1], f"table {JOB_ID}:3:1 {JOB_ID + 1}:1:0")

    def test_a_merge_utility_that_exits_lets_the_waiting_jobs_print_alone(self):
        # Entered, never made ready; the merge utility ends after two seconds.
        utility = MergeUtility(self.printer,
                               "--entry", f"{JOB_ID}:0:{BMP}:{win(self.name('never'))}",
                               "--entry", f"{JOB_ID + 1}:1:{BMP}:{win(self.name('never2'))}",
                               "--sleep", "2000")
        jobs = self.print_jobs(2)
        code, lines, err = utility.finish()
        self.assertEqual(code, 0, (lines, err))
        for job in jobs:
            self.assertFalse(job["job"]["failed"], job["job"]["status"])
            files = self.files(job)
            self.assertEqual(len(files), 1)
            self.assertTrue(files[0].lower().endswith(".tif"), files)
            self.assertTrue(any("has ended" in w for w in warnings(job)), job["events"])
        self.assertEqual(os.listdir(self.out), [])
        # Well inside the 60 rounds of one second the job may wait.
        self.assertLess(self.elapsed, 45)


class MergeBadInput(MergeWindowCase):
    """One job each, against a merge utility whose shared memory the job cannot use."""

    def check_prints_alone(self, reason, *utility_args):
        utility = MergeUtility(self.printer, "--entry", f"{JOB_ID}:0:{BMP}:{win(self.name('merged'))}",
                               "--ready", "all", *utility_args, "--sleep", "60000")
        try:
            report = self.print_one()
        finally:
            utility.proc.kill()
            utility.proc.communicate()
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        files = self.files(report)
        self.assertEqual(len(files), 1, report["files"])
        self.assertTrue(files[0].lower().endswith(".tif"), files)
        self.assertTrue(any(reason in w for w in warnings(report)), (reason, report["events"]))
        # Refused at once: no round of waiting, no retry of the opening.
        self.assertLess(self.elapsed, 30, reason)

    def test_garbage_after_the_magic(self):
        self.check_prints_alone("Merge table: ", "--garbage", "7")

    def test_an_entry_that_runs_past_the_mapping(self):
        self.check_prints_alone("runs past the end of the table", "--beyond")

    def test_a_name_without_terminator(self):
        self.check_prints_alone("has no terminator", "--unterminated", str(JOB_ID))

    def test_a_mapping_too_small(self):
        self.check_prints_alone("SetDevMode: Failed to open map: SharedMemory: MapViewOfFile failed",
                                "--size", "65536")

    def test_a_mutex_abandoned_by_a_crashed_merge_utility(self):
        self.check_prints_alone("Could not lock mutex. (Result: 128)", "--abandon")


if __name__ == "__main__":
    unittest.main()

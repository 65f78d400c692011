"""Jobs of one printer printing at once on threads of one process, each on its own port, all into
one directory with unique names: EMF and raw pages, BMP files and multi-page TIFF files. Every
round must give every job exactly the pages it gets when the jobs print one at a time.

TW_PARALLEL_ROUNDS sets the number of rounds (3 by default; bench/parallel_jobs.sh runs 20)."""
import os
import shutil
from concurrent.futures import ThreadPoolExecutor
import tempfile
import time
import unittest

from PIL import Image

from twprint_runner import run, run_report, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = [os.path.join(ROOT, "examples", f"page{n}.emf") for n in (1, 2, 3, 4)]
ROUNDS = int(os.environ.get("TW_PARALLEL_ROUNDS", "3"))
BMP = ("--format", "0")
TIFF = ("--format", "7", "--dm", "IsMultipageImageEnabled=1")


def pixels(path):
    """Every page of an image file as (size, 1-bit pixel bytes)."""
    out = []
    with Image.open(path) as im:
        for i in range(getattr(im, "n_frames", 1)):
            im.seek(i)
            page = im.convert("1")
            out.append((page.size, page.tobytes()))
    return out


def job_pages(job_report):
    """The pixel content of a job's output files, in page order."""
    pages = []
    for f in job_report["files"]:
        if f["host_path"].lower().endswith((".bmp", ".tif")):
            assert f["exists"], f
            pages += pixels(f["host_path"])
    return pages


class ParallelJobs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, "out")
        os.mkdir(cls.out)
        cls.port = unique("TWQ")[:-1]
        # Raw pages: the BMP files of two EMF pages.
        raw_dir = tempfile.mkdtemp(dir=cls.tmp.name)
        code, report, err = run_report("--port", cls.port + "0:", "--out", raw_dir, *BMP, *EMF[:2])
        assert code == 0 and not report["job"]["failed"], err
        raw = [f["host_path"] for f in report["files"]]
        # Eight jobs: EMF and raw pages, to BMP and to one multi-page TIFF each.
        kinds = [(BMP, EMF[:2]), (TIFF, EMF[1:4]), (BMP, raw), (TIFF, raw + raw[:1]),
                 (BMP, EMF[2:]), (TIFF, EMF[:1] + EMF[3:]), (BMP, raw[1:] + EMF[:1]), (TIFF, EMF[2:3] + raw)]
        cls.streams = []
        for i, (fmt, pages) in enumerate(kinds):
            stream = os.path.join(cls.tmp.name, f"job{i + 1}.tws")
            code, _, err = run("--port", cls.port + "0:", "--out", cls.out, "--save-stream", stream, *fmt, *pages)
            assert code == 0, err
            cls.streams.append(stream)
        cls.clear_output()

    @classmethod
    def tearDownClass(cls):
        for i in range(len(cls.streams) + 1):
            run("ports", "delete", f"{cls.port}{i}:")
        cls.tmp.cleanup()

    @classmethod
    def clear_output(cls):
        shutil.rmtree(cls.out)
        os.mkdir(cls.out)

    def print_streams(self, *extra):
        args = []
        for s in self.streams:
            args += ["--stream", s]
        code, report, err = run_report(*args, "--port", self.port + ":", "--job-id", "40", *extra, timeout=900)
        self.assertEqual(code, 0, err)
        jobs = report["jobs"]
        self.assertEqual(len(jobs), len(self.streams))
        for n, job in enumerate(jobs):
            self.assertFalse(job["job"]["failed"], (n, job["job"]["status"], job["events"]))
            ports = {c["fn"] for c in job["calls"]}
            self.assertIn("StartDocPort", ports)
        return jobs

    def test_jobs_at_once_print_what_they_print_one_at_a_time(self):
        one_at_a_time = [job_pages(j) for j in self.print_streams()]
        files = sorted(os.listdir(self.out))
        self.clear_output()
        for pages, kind in zip(one_at_a_time, ("bmp", "tiff") * 4):
            self.assertGreaterEqual(len(pages), 2, kind)
        for r in range(ROUNDS):
            started = time.monotonic()
            jobs = self.print_streams("--parallel")
            at_once = [job_pages(j) for j in jobs]
            for n, (want, got) in enumerate(zip(one_at_a_time, at_once)):
                self.assertEqual(len(got), len(want), f"round {r + 1}, job {n + 1}")
                self.assertTrue(got == want, f"round {r + 1}, job {n + 1}: other pages")
            # No job took another's file: as many files as when the jobs printed one at a time.
            self.assertEqual(len(os.listdir(self.out)), len(files), f"round {r + 1}")
            # Each report holds its own job: its own id and events of its own thread only.
            self.assertEqual(len({j["job"]["names"]["image"] for j in jobs}), len(jobs))
            self.clear_output()
            print(f"round {r + 1}/{ROUNDS}: {time.monotonic() - started:.1f} s", flush=True)


class ProcessesAtOnce(unittest.TestCase):
    """Eight twprint processes printing into one directory at the same moment: the system makes up
    the same unique name for two of them when one has just given it up."""

    def test_no_job_overwrites_another_jobs_page(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "out")
            os.mkdir(out)
            port = unique("TWP")[:-1]
            reference = {}
            for page in EMF[:2]:
                code, report, err = run_report("--port", port + "0:", "--out", tmp, *BMP, page)
                self.assertEqual(code, 0, err)
                reference[page] = job_pages(report)
            jobs = [[EMF[i % 2], EMF[(i + 1) % 2]] for i in range(8)]
            try:
                for r in range(max(1, ROUNDS * 2 // 3)):
                    with ThreadPoolExecutor(len(jobs)) as pool:
                        results = list(pool.map(
                            lambda i: run_report("--port", f"{port}{i + 1}:", "--job-id", str(i + 1), "--out", out,
                                                 *BMP, *jobs[i]), range(len(jobs))))
                    for i, (code, report, err) in enumerate(results):
                        self.assertEqual(code, 0, err)
                        self.assertFalse(report["job"]["failed"], report["job"]["status"])
                        want = [p for page in jobs[i] for p in reference[page]]
                        self.assertTrue(job_pages(report) == want, f"round {r + 1}, job {i + 1}: other pages")
                    names = [n for n in os.listdir(out) if n.lower().endswith(".bmp")]
                    self.assertEqual(len(names), 2 * len(jobs), f"round {r + 1}")
                    shutil.rmtree(out)
                    os.mkdir(out)
            finally:
                for i in range(len(jobs) + 1):
                    run("ports", "delete", f"{port}{i}:")


if __name__ == "__main__":
    unittest.main()

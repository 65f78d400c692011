"""Runs twprint.exe under Wine for the end-to-end tests and reads its JSON report."""
import atexit
import json
import os
import shutil
import subprocess
import sys
import tempfile
import uuid

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
TWPRINT = os.path.join(BIN, "twprint.exe")


# twprint writes its output into the directory it was started in unless told otherwise: a
# scratch directory of this test process, removed when it ends.
SCRATCH = tempfile.mkdtemp(prefix="twprint-")
atexit.register(shutil.rmtree, SCRATCH, True)


def run_wine(program, *args, timeout=300, cwd=None):
    """Runs a Windows program under Wine; returns the completed process."""
    proc = subprocess.run(["wine", program, *args], capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL, cwd=cwd)
    if proc.returncode == 1 and not proc.stdout and not proc.stderr:
        # Our programs and Wine's own name every failure on stderr, and a crash makes Wine say so
        # there: exit 1 with nothing said is Wine failing to start the program (seen with eight
        # started at the same moment on a server that had just come up). Started once more,
        # said out loud.
        print(f"twprint_runner: Wine did not start {program} (exit 1, no output); starting it again",
              file=sys.stderr)
        proc = subprocess.run(["wine", program, *args], capture_output=True, text=True, timeout=timeout,
                              stdin=subprocess.DEVNULL, cwd=cwd)
    return proc


def run(*args, timeout=300):
    """Runs twprint with the given arguments; returns (exit code, stdout, stderr)."""
    proc = run_wine(TWPRINT, *args, timeout=timeout, cwd=SCRATCH)
    return proc.returncode, proc.stdout, proc.stderr


def run_report(*args, timeout=300):
    """Runs twprint with --report into a temporary file; returns (exit code, report dict or None)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "report.json")
        code, _, err = run(*args, "--report", path, timeout=timeout)
        if not os.path.exists(path):
            return code, None, err
        with open(path, encoding="utf-8") as f:
            return code, json.load(f), err


def unique(prefix):
    return f"{prefix}{uuid.uuid4().hex[:8].upper()}:"


def win(path):
    """A Linux path as twprint under Wine sees it (through the Z: drive)."""
    return "Z:" + path.replace("/", "\\")


def host(path):
    """A Z: path of a report back as a Linux path."""
    assert path[:2].upper() == "Z:", path
    return path[2:].replace("\\", "/")


def read_ini(path):
    """An INI file as the Windows INI functions read it: {section: {key: value}}."""
    code, out, err = run("ini", path)
    if code != 0:
        raise AssertionError(f"twprint ini {path} exited {code}: {err!r}")
    return json.loads(out)

"""Runs twprint.exe under Wine for the end-to-end tests and reads its JSON report."""
import json
import os
import subprocess
import tempfile
import uuid

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
TWPRINT = os.path.join(BIN, "twprint.exe")


def run(*args, timeout=300):
    """Runs twprint with the given arguments; returns (exit code, stdout, stderr)."""
    proc = subprocess.run(["wine", TWPRINT, *args], capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL)
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

"""twprint's --set, --ini and --keep-settings: where the settings land and that a run leaves
the registry and the data file as it found them."""
import os
import re
import subprocess
import tempfile
import unittest
import uuid

from twprint_runner import run, run_report, run_wine, unique

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "..", "shared", "testdata", "emf", "libemf2svg__test-007.emf")
VENDOR = "HKCU\\Software\\Tarnwell Software LLC"
DEVICE_NAME_CHARS = 31  # the DEVMODE's device name field holds 32 characters with the terminator

VALUE_LINE = re.compile(r"^ {4}(.+?) {4}(REG_[A-Z_]+)(?: {4}(.*))?$")


def reg(*args):
    proc = run_wine("reg", *args, timeout=120)
    return proc.returncode, proc.stdout


def reg_value(key, name):
    """(type, data as reg shows it) of a value, or None when it is missing."""
    code, out = reg("query", key, "/v", name)
    if code != 0:
        return None
    for line in out.splitlines():
        m = VALUE_LINE.match(line.rstrip("\r"))
        if m and m.group(1) == name:
            return m.group(2), (m.group(3) or "")
    return None


def reg_export(key):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "export.reg")
        reg("export", key, "Z:" + path.replace("/", "\\"), "/y")
        with open(path, "rb") as f:
            return f.read().decode("utf-16")


def key_exists(key):
    return reg("query", key)[0] == 0


def printer_name(prefix):
    # The unique part first: it must lie within the characters the registry name keeps.
    return f"{uuid.uuid4().hex[:8]}-{prefix}"


def kept_data_file(stderr):
    """The Linux path of the data file a --keep-settings run names on stderr."""
    m = re.search(r"driver data file kept: (.+)", stderr)
    if not m:
        return None
    proc = subprocess.run(["winepath", "-u", m.group(1).strip()], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=120)
    return proc.stdout.strip()


def ini_text(path):
    with open(path, "rb") as f:
        data = f.read()
    return data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("latin-1")


class Settings(unittest.TestCase):
    def setUp(self):
        self.port = unique("TWS")
        self.keys = []
        self.files = []

    def tearDown(self):
        for key in self.keys:
            reg("delete", key, "/f")
        for path in self.files:
            if path and os.path.exists(path):
                os.remove(path)
        run("ports", "delete", self.port)

    def printer_key(self, printer):
        key = f"{VENDOR}\\{printer[:DEVICE_NAME_CHARS]}"
        self.keys.append(key)
        return key

    def print_with(self, printer, *args):
        return run_report("--port", self.port, "--printer", printer, *args, EMF)

    def test_kept_values_land_where_the_monitor_looks(self):
        # Longer than the device name field: the key is named after the first 31 characters.
        printer = printer_name("Settings-printer-with-a-long-name")
        key = self.printer_key(printer)
        code, report, err = self.print_with(
            printer, "--job-id", "7", "--keep-settings",
            "--set", "Save As Option Settings\\%d\\File Format=dword:4",
            "--set", "\\Printer ID=dword:-1",
            "--set", "Page Settings\\Rotation=sz:a=b\\c",
            "--set", "Page Settings\\x=y=dword:0x10",
            "--set", "Watermark\\Blob=binary:01 02,ff",
            "--set", "Start Application\\Path=expand_sz:%TEMP%\\app",
            "--set", "Big=qword:-2")
        self.assertEqual(code, 0, err)
        self.assertIsNotNone(report)
        self.assertFalse(key_exists(f"{VENDOR}\\{printer}"))
        self.assertEqual(reg_value(f"{key}\\Save As Option Settings\\7", "File Format"), ("REG_DWORD", "0x4"))
        self.assertEqual(reg_value(key, "Printer ID"), ("REG_DWORD", "0xffffffff"))
        self.assertEqual(reg_value(f"{key}\\Page Settings", "Rotation"), ("REG_SZ", "a=b\\c"))
        self.assertEqual(reg_value(f"{key}\\Page Settings", "x=y"), ("REG_DWORD", "0x10"))
        self.assertEqual(reg_value(f"{key}\\Watermark", "Blob"), ("REG_BINARY", "0102FF"))
        self.assertEqual(reg_value(f"{key}\\Start Application", "Path"), ("REG_EXPAND_SZ", "%TEMP%\\app"))
        # Wine's "reg query" prints no QWORD data; its export does.
        self.assertIn('"Big"=hex(b):fe,ff,ff,ff,ff,ff,ff,ff', reg_export(key))

    def test_the_key_follows_the_jobs_devmode(self):
        # A printer id with a "Printer name" entry names the key, as the monitor resolves it.
        printer_id = str(uuid.uuid4().int % 900000 + 100000)
        mapped = printer_name("Settings mapped")
        ids_key = f"{VENDOR}\\PrinterIDs\\{printer_id}"
        self.keys.append(ids_key)
        mapped_key = self.printer_key(mapped)
        reg("add", ids_key, "/v", "Printer name", "/t", "REG_SZ", "/d", mapped, "/f")
        printer = printer_name("Settings by id")
        own_key = self.printer_key(printer)
        with tempfile.TemporaryDirectory() as tmp:
            stream = os.path.join(tmp, "job.bin")
            code, _, err = self.print_with(printer, "--dm", f"PrinterId={printer_id}", "--keep-settings",
                                           "--save-stream", stream, "--set", "Page Settings\\Rotation=sz:90")
            self.assertEqual(code, 0, err)
            self.assertEqual(reg_value(f"{mapped_key}\\Page Settings", "Rotation"), ("REG_SZ", "90"))
            self.assertFalse(key_exists(own_key))

            # A replayed stream names the key through its own DEVMODE, not through --printer.
            reg("delete", ids_key, "/f")
            other = printer_name("Settings replay")
            other_key = self.printer_key(other)
            code, _, err = run("--stream", stream, "--port", self.port, "--printer", other, "--keep-settings",
                               "--set", "Page Settings\\Rotation=sz:180")
            self.assertEqual(code, 0, err)
            self.assertEqual(reg_value(f"{own_key}\\Page Settings", "Rotation"), ("REG_SZ", "180"))
            self.assertFalse(key_exists(other_key))

    def test_a_run_leaves_the_registry_as_it_found_it(self):
        # A printer key with settings of its own: the old data comes back, new values go.
        printer = printer_name("Settings restore")
        key = self.printer_key(printer)
        reg("add", f"{key}\\Page Settings", "/v", "Rotation", "/t", "REG_SZ", "/d", "90", "/f")
        code, _, err = self.print_with(
            printer,
            "--set", "Page Settings\\Rotation=dword:180",
            "--set", "Page Settings\\Rotation=sz:270",
            "--set", "Page Settings\\Antialiasing=dword:1",
            "--set", "OCR\\Deep\\Enabled=sz:1")
        self.assertEqual(code, 0, err)
        self.assertEqual(reg_value(f"{key}\\Page Settings", "Rotation"), ("REG_SZ", "90"))
        self.assertIsNone(reg_value(f"{key}\\Page Settings", "Antialiasing"))
        self.assertFalse(key_exists(f"{key}\\OCR"))
        self.assertTrue(key_exists(f"{key}\\Page Settings"))

        # A printer that had no key: nothing of it is left, whatever the run wrote beneath it.
        fresh = printer_name("Settings fresh")
        fresh_key = self.printer_key(fresh)
        code, _, err = self.print_with(fresh, "--set", "%d\\Abort Job=dword:0", "--set", "Printer ID=dword:9")
        self.assertEqual(code, 0, err)
        self.assertFalse(key_exists(fresh_key))

    def test_a_failed_run_undoes_what_it_wrote(self):
        printer = printer_name("Settings failed")
        key = self.printer_key(printer)
        reg("add", key, "/v", "Printer ID", "/t", "REG_DWORD", "/d", "5", "/f")
        # The registry refuses a key name of more than 255 characters, after the first two values.
        code, _, err = self.print_with(
            printer,
            "--set", "Printer ID=dword:6",
            "--set", "Header Settings\\Header Enable=sz:1",
            "--set", "x" * 300 + "\\V=dword:1")
        self.assertEqual(code, 1)
        self.assertIn("cannot create registry key", err)
        self.assertEqual(reg_value(key, "Printer ID"), ("REG_DWORD", "0x5"))
        self.assertFalse(key_exists(f"{key}\\Header Settings"))

        # A report that cannot be written fails the run after the job, with the settings in place.
        code, _, err = run("--port", self.port, "--printer", printer, "--set", "Printer ID=dword:6",
                           "--set", "OCR\\Enabled=sz:1", "--report", "/no/such/dir/report.json", EMF)
        self.assertEqual(code, 1)
        self.assertIn("cannot write report", err)
        self.assertEqual(reg_value(key, "Printer ID"), ("REG_DWORD", "0x5"))
        self.assertFalse(key_exists(f"{key}\\OCR"))

    def test_data_file_is_written_kept_and_restored(self):
        printer = printer_name("Settings ini")
        self.printer_key(printer)  # whatever the monitor writes there itself
        code, _, err = self.print_with(
            printer, "--job-id", "3", "--keep-settings",
            "--ini", "Default Settings\\Uppercase Extensions=1",
            "--ini", "Default Settings\\Plugin Filename=C:\\x=y.dll",
            "--ini", "Text Output Settings\\Line Adjustment=90")
        self.assertEqual(code, 0, err)
        path = kept_data_file(err)
        self.files.append(path)
        self.assertTrue(path and os.path.exists(path), err)
        self.assertIn(re.sub(r"[^0-9A-Za-z]", "_", printer), os.path.basename(path))
        text = ini_text(path)
        default = text.index("[Default Settings]")
        self.assertIn("Uppercase Extensions=1", text[default:])
        self.assertIn("Plugin Filename=C:\\x=y.dll", text[default:])
        self.assertIn("Line Adjustment=90", text[text.index("[Text Output Settings]"):])
        with open(path, "rb") as f:
            kept = f.read()

        # Without --keep-settings the file that was there gets its bytes back.
        code, _, err = self.print_with(printer, "--job-id", "3", "--ini", "Default Settings\\Uppercase Extensions=0")
        self.assertEqual(code, 0, err)
        self.assertNotIn("kept", err)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), kept)

        # And a file that was not there is gone.
        os.remove(path)
        code, _, err = self.print_with(printer, "--job-id", "3", "--ini", "Default Settings\\Uppercase Extensions=0")
        self.assertEqual(code, 0, err)
        self.assertFalse(os.path.exists(path))

    def test_bad_forms(self):
        printer = printer_name("Settings bad")
        key = self.printer_key(printer)
        bad = [
            ("--set", "Page Settings\\Rotation"),           # no TYPE:DATA
            ("--set", "Page Settings\\Rotation=word:1"),    # unknown type
            ("--set", "Page Settings\\Rotation=dword:abc"),
            ("--set", "Page Settings\\Rotation=dword:0x100000000"),
            ("--set", "Page Settings\\Rotation=dword:-2147483649"),
            ("--set", "Page Settings\\Rotation=dword:"),
            ("--set", "Page Settings\\=dword:1"),           # no value name
            ("--set", "Page\\\\Settings\\Rotation=dword:1"),  # empty key name
            ("--set", "Watermark\\Blob=binary:0g"),
            ("--set", "Watermark\\Blob=binary:012"),
            ("--ini", "Uppercase Extensions=1"),            # no section
            ("--ini", "Default Settings\\=1"),
            ("--ini", "\\Key=1"),
            ("--ini", "Default Settings\\Key"),
            ("--ini", "Default]\\Key=1"),
            ("--ini", "Default Settings\\Key=a\nb"),
            ("--set",),                                     # no value at all
        ]
        for args in bad:
            with self.subTest(args=args):
                code, _, err = run("--port", self.port, "--printer", printer, "--set", "Printer ID=dword:1",
                                   EMF, *args)
                self.assertEqual(code, 2, err)
                lines = err.splitlines()
                self.assertTrue(lines[0].startswith("twprint: "), err)
                self.assertIn("usage:", lines[1])
        # Nothing was written before the arguments were refused.
        self.assertFalse(key_exists(key))


if __name__ == "__main__":
    unittest.main()

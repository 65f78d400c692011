"""The monitor inside Wine's own spooler (winspool -> localspl), installed by twinstall.

Every step is a new Wine process in a fresh prefix, so each one loads the monitor through the
spooler again: a monitor that kept the spooler's MONITORINIT block, or wrote its ports through
the spooler's unimplemented registry functions, fails in the second process.
"""
import os
import shutil
import subprocess
import tempfile
import unittest

BIN = os.environ.get("TW_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
TWINSTALL = os.path.join(BIN, "twinstall.exe")
HOLDFILE = os.path.join(BIN, "twholdfile.exe")
MONITOR = "Tarnwell Monitor M"


class WineSpooler(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="twspool-")
        cls.prefix = os.path.join(cls.work, "prefix")
        cls.env = dict(os.environ, WINEPREFIX=cls.prefix, WINEARCH="win64", WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["wineboot", "-i"], env=cls.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
        cls.system32 = os.path.join(cls.prefix, "drive_c", "windows", "system32")
        assert os.path.isdir(cls.system32), "the fresh prefix has no system32"

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, capture_output=True, timeout=60)
        subprocess.run(["wineserver", "-w"], env=cls.env, capture_output=True, timeout=60)
        shutil.rmtree(cls.work, True)

    def twinstall(self, *args, env=None):
        proc = subprocess.run(["wine", TWINSTALL, *args], env=env or self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=300)
        return proc.returncode, proc.stdout, proc.stderr

    def status(self):
        code, out, err = self.twinstall("status")
        self.assertEqual(code, 0, err)
        ports = {}
        for line in out.splitlines():
            if line.startswith("port "):
                name, rest = line[5:].split(": ", 1)
                ports[name] = rest
        return out, ports

    def test_install_ports_uninstall_in_new_processes(self):
        code, out, err = self.twinstall("install", "--port", "TWSP1:")
        self.assertEqual(code, 0, out + err)
        self.assertIn(f"monitor {MONITOR}: installed", out)
        self.assertTrue(os.path.exists(os.path.join(self.system32, "tarnmon.dll")))
        self.assertTrue(os.path.exists(os.path.join(self.system32, "TIFF32.DLL")))

        # A second process loads the monitor through the spooler again and adds a port.
        code, out, err = self.twinstall("install", "--port", "TWSP2:", "--port", "TWSP1:")
        self.assertEqual(code, 0, out + err)
        self.assertIn("already installed", out)
        self.assertIn("port TWSP1:: already there", out)
        self.assertIn("port TWSP2:: added", out)

        for _ in range(2):
            out, ports = self.status()
            self.assertIn(f"monitor {MONITOR}: installed (tarnmon.dll", out)
            self.assertEqual(sorted(ports), ["TWSP1:", "TWSP2:"])
            for rest in ports.values():
                self.assertEqual(rest, f'monitor "{MONITOR}", description "Tarnwell Port"')

        code, out, err = self.twinstall("uninstall")
        self.assertEqual(code, 0, out + err)
        self.assertIn("port TWSP1:: deleted", out)
        self.assertIn("port TWSP2:: deleted", out)
        self.assertIn(f"monitor {MONITOR}: removed", out)
        self.assertFalse(os.path.exists(os.path.join(self.system32, "tarnmon.dll")))
        self.assertFalse(os.path.exists(os.path.join(self.system32, "TIFF32.DLL")))
        out, ports = self.status()
        self.assertIn(f"monitor {MONITOR}: not installed", out)
        self.assertEqual(ports, {})

        # Uninstalling twice says so and succeeds; installing again starts clean.
        code, out, err = self.twinstall("uninstall")
        self.assertEqual(code, 0, err)
        self.assertIn("not installed", out)
        code, out, err = self.twinstall("install", "--port", "TWSP3:")
        self.assertEqual(code, 0, out + err)
        _, ports = self.status()
        self.assertEqual(sorted(ports), ["TWSP3:"])
        code, out, err = self.twinstall("uninstall")
        self.assertEqual(code, 0, out + err)

    def test_a_file_in_use_is_reported_and_kept_on_record(self):
        code, out, err = self.twinstall("install")
        self.assertEqual(code, 0, out + err)
        installed = os.path.join(self.system32, "tarnmon.dll")
        # A newer build of the monitor while the old one is held, as a running spooler holds it.
        newer = os.path.join(self.work, "newer")
        os.makedirs(newer, exist_ok=True)
        shutil.copy(os.path.join(BIN, "tarnmon.dll"), newer)
        with open(os.path.join(newer, "tarnmon.dll"), "ab") as f:
            f.write(b"\0" * 16)
        holder = subprocess.Popen(["wine", HOLDFILE, "C:\\windows\\system32\\tarnmon.dll"], env=self.env,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            self.assertEqual(holder.stdout.readline().strip(), "held")
            code, out, err = self.twinstall("install", "--source", "Z:" + newer.replace("/", "\\"))
            self.assertEqual(code, 1, out)
            self.assertIn("tarnmon.dll: the file is in use (error 32)", err)
            code, out, err = self.twinstall("uninstall")
            self.assertEqual(code, 1, out)
            self.assertIn("in use", err)
            self.assertTrue(os.path.exists(installed))
            self.assertFalse(os.path.exists(os.path.join(self.system32, "TIFF32.DLL")))
        finally:
            holder.stdin.close()
            holder.wait(timeout=60)
        # The file left behind stays on record: the next uninstall removes it.
        out, _ = self.status()
        self.assertIn("tarnmon.dll: ", out)
        code, out, err = self.twinstall("uninstall")
        self.assertEqual(code, 0, out + err)
        self.assertIn("tarnmon.dll: removed", out)
        self.assertFalse(os.path.exists(installed))

    def test_errors_are_explained(self):
        # Without the local print provider winspool answers as Windows does when the spooler
        # service is stopped.
        stopped = dict(self.env, WINEDLLOVERRIDES="mscoree,mshtml=;localspl=d")
        code, out, err = self.twinstall("status", env=stopped)
        self.assertEqual(code, 1)
        self.assertIn("print spooler is not running (error 1722)", err)
        code, out, err = self.twinstall("install", "--port", "TWX:", env=stopped)
        self.assertEqual(code, 1)
        self.assertIn("not running", err)
        self.assertFalse(os.path.exists(os.path.join(self.system32, "tarnmon.dll")))

        # A source without the monitor is refused before anything is registered.
        empty = os.path.join(self.work, "empty")
        os.makedirs(empty, exist_ok=True)
        code, out, err = self.twinstall("install", "--source", "Z:" + empty.replace("/", "\\"))
        self.assertEqual(code, 1)
        self.assertIn("tarnmon.dll", err)
        _, ports = self.status()
        self.assertEqual(ports, {})

        code, _, err = self.twinstall("install", "--bogus", "x")
        self.assertEqual(code, 2)
        self.assertIn("usage", err)


if __name__ == "__main__":
    unittest.main()

"""Output names against what is on the disk: existing files under each existing-file action,
read-only files, missing and unwritable directories, and names at the length limit."""
import os
import unittest

from naming_support import BMP, KEEP, MULTIPAGE, OVERWRITE, NamingCase
from twprint_runner import host, win

METHOD6 = ("--dm", "FileGenerationMethod=6")


def no_internal_error(report):
    texts = report["job"]["status_messages"] + [s for e in report["events"] for s in e["strings"]]
    return not any("Internal error" in t for t in texts)


class ExistingFiles(NamingCase):
    def test_a_multipage_file_that_exists(self):
        old = self.make_file("Invoice.tif")
        # Action 2 (the default): the old file stays and the new one is numbered.
        report = self.job(*METHOD6, *MULTIPAGE, pages=2)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice (1).tif")
        self.make_file("Invoice (1).tif")
        report = self.job(*METHOD6, *MULTIPAGE)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice (2).tif")
        with open(old, "rb") as f:
            self.assertEqual(f.read(), b"old")
        # Action 0 appends to the file as it is; action 1 removes it before the first page.
        report = self.job(*METHOD6, *MULTIPAGE, *KEEP)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice.tif")
        with open(old, "rb") as f:
            self.assertEqual(f.read(), b"old")
        report = self.job(*METHOD6, *MULTIPAGE, *OVERWRITE)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice.tif")
        # The old bytes are gone: the file holds the new document alone.
        with open(old, "rb") as f:
            self.assertIn(f.read(4), (b"II*\0", b"MM\0*"))
        self.assertEqual(report["job"]["status_messages"], [])

    def test_one_file_per_page_numbers_only_the_page_that_collides(self):
        self.make_file("Invoice000001.bmp")
        report = self.job(*METHOD6, pages=2, fmt=BMP)
        self.assertEqual([self.leaf(f["path"]) for f in report["files"]], ["Invoice000001 (1).bmp", "Invoice000002.bmp"])
        # The group file follows the first page's name.
        self.assertEqual(self.leaf(report["group_file"]), "Invoice000001 (1).grp")

    def test_an_empty_multipage_file_is_not_left_behind(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--cancel-after", "1", "--chunk", "8192", pages=3)
        self.assertIn("AbortDoc", [op["op"] for op in report["job"]["operations"]])
        self.assertFalse(os.path.exists(host(self.names(report)["image"])))
        self.assertTrue(os.path.exists(host(report["group_file"])))


class ReadOnlyFiles(NamingCase):
    def expect_refusal(self, report, path, prefix="Cannot write file: "):
        want = (f'25: {prefix}"{win(path)}". File already exists but cannot be opened for writing. '
                f'Windows error code: 5')
        self.assertEqual(report["job"]["status_messages"], [want])
        self.assertEqual(report["job"]["status"], want)
        self.assertTrue(no_internal_error(report))
        self.assertEqual([e["id"] for e in report["events"] if e["type"] == "error"], [0x66])
        # The group file keeps the reason: the end of the document does not cover it with success.
        self.assertEqual(self.printer_section(report)["Print status"], want)

    def test_appending_to_and_overwriting_a_read_only_file(self):
        path = self.make_file("Invoice.tif")
        self.make_unwritable(path)
        for action in (KEEP, OVERWRITE):
            with self.subTest(action=action):
                report = self.job(*METHOD6, *MULTIPAGE, *action)
                self.expect_refusal(report, path)
        page = self.make_file("Invoice000001.bmp")
        self.make_unwritable(page)
        # The name is checked when it is given, before the writer could name its format.
        report = self.job(*METHOD6, *KEEP, fmt=BMP)
        self.expect_refusal(report, page)
        # Numbering steps around it.
        report = self.job(*METHOD6, fmt=BMP)
        self.assertEqual(report["job"]["status_messages"], [])


class Directories(NamingCase):
    def test_a_missing_output_directory_fails_the_document(self):
        missing = self.path("missing")
        for method in ("0", "6", "7"):
            with self.subTest(method=method):
                report = self.job("--dm", f"FileGenerationMethod={method}", out=missing)
                self.assertEqual(self.started(report), [False])
                want = f'25: Cannot access output directory: "{win(missing)}\\". Directory not found.'
                self.assertEqual(report["job"]["status_messages"], [want])
                self.assertEqual(report["files"], [])
        report = self.job(out="")
        self.assertEqual(self.started(report), [False])
        self.assertEqual(report["job"]["status_messages"],
                         ["25: Cannot access output directory: . Directory name not specified."])

    def test_an_unwritable_output_directory(self):
        target = "/sys/kernel"
        try:
            open(os.path.join(target, "tw-probe"), "w").close()
            self.skipTest("the directory accepts files here")
        except PermissionError:
            pass
        except OSError:
            self.skipTest("no unwritable directory to print into")
        report = self.job(*METHOD6, fmt=BMP, out=target)
        self.assertEqual(self.started(report), [False])
        self.assertEqual(report["job"]["status_messages"],
                         [f'25: Could not create file. Please check the access rights of the directory: '
                          f'"{win(target)}\\". Windows Error Code: 5'])
        report = self.job(*METHOD6, *MULTIPAGE, out=target)
        self.assertEqual(self.started(report), [False])
        self.assertEqual(report["job"]["status_messages"],
                         [f'25: Cannot write file: "{win(target)}\\". Access Denied to Directory. Windows Error Code: 5'])


class LengthLimit(NamingCase):
    def test_names_of_259_characters_are_taken_and_longer_ones_refused(self):
        prefix = len(win(self.out)) + 1  # the directory and its backslash
        fits = "n" * (259 - prefix - len(".tif"))
        report = self.job(*METHOD6, *MULTIPAGE, doc=fits)
        image = self.names(report)["image"]
        self.assertEqual(len(image), 259)
        self.assertEqual(self.leaf(image), fits + ".tif")
        self.assertEqual(report["job"]["status_messages"], [])
        self.assertTrue(os.path.exists(host(report["group_file"])))

        too_long = fits + "n"
        report = self.job(*METHOD6, *MULTIPAGE, doc=too_long)
        refused = win(os.path.join(self.out, too_long + ".tif"))
        self.assertEqual(self.status_entries()["Print status"], f"Filename is longer than 260 characters: {refused}")
        # The user is told, and the document goes to a name made up in the same directory.
        self.assertEqual(report["job"]["status_messages"],
                         [f'25: Could not create file. Cannot access directory: "{win(self.out)}\\". Windows Error Code: 206'])
        self.assertRegex(self.leaf(self.names(report)["image"]), r"^AAA[0-9A-Fa-f]{1,4}\.tif$")
        self.assert_in_out(self.names(report)["image"])
        self.assertTrue(report["job"]["failed"])


if __name__ == "__main__":
    unittest.main()

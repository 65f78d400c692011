"""Where each naming method puts a document and what it calls it, through whole jobs."""
import os
import re
import tempfile
import unittest

from naming_support import BMP, MULTIPAGE, NamingCase
from twprint_runner import host, win


class NamingMethods(NamingCase):
    def registry_source(self, **values):
        """A name-source key below the printer's settings; returns the key path for the record."""
        sets = []
        for name, value in values.items():
            sets += ["--set", f"Naming\\{name.replace('_', ' ')}=sz:{value}"]
        return sets, f"HKEY_CURRENT_USER\\SOFTWARE\\Tarnwell Software LLC\\{self.printer}\\Naming"

    def ini_source(self, sections):
        path = self.path("names.ini")
        with open(path, "w", newline="\r\n") as f:
            for section, entries in sections.items():
                f.write(f"[{section}]\n" + "".join(f"{k}={v}\n" for k, v in entries.items()))
        return win(path)

    def test_unique_names_from_the_record(self):
        report = self.job("--dm", "FileGenerationMethod=0", "--dm", "FileNamePrefix=inv", "--dm", "FileExtension=tif",
                          *MULTIPAGE, pages=3)
        names = self.names(report)
        self.assertRegex(self.leaf(names["image"]), r"^inv[0-9A-Fa-f]{1,4}\.tif$")
        self.assert_in_out(names["image"])
        self.assertEqual(names["group"], names["image"][:-3] + "grp")
        self.assertTrue(os.path.exists(host(names["group"])))
        self.assertEqual([f["path"] for f in report["files"]], [names["image"]])
        # One file per page: each page gets a name of its own with its page number.
        report = self.job("--dm", "FileNamePrefix=pg", "--dm", "FileExtension=bmp", pages=2, fmt=BMP)
        leaves = [self.leaf(f["path"]) for f in report["files"]]
        self.assertEqual(len(leaves), 2)
        for page, leaf in enumerate(leaves, 1):
            self.assertRegex(leaf, rf"^pg[0-9A-Fa-f]{{1,4}}00000{page}\.bmp$")

    def test_unique_names_from_the_registry_and_an_ini_file(self):
        other = self.path("regout")
        os.makedirs(other)
        sets, key = self.registry_source(Output_Directory=win(other), File_Name_Prefix="reg", File_Name_extension="abc")
        report = self.job("--dm", "FileGenerationMethod=1", "--dm", f"NameSource={key}", *sets, *MULTIPAGE)
        self.assertRegex(self.leaf(self.names(report)["image"]), r"^reg[0-9A-Fa-f]{1,4}\.abc$")
        self.assert_in_out(self.names(report)["image"], other)
        # A missing key gives the defaults: the record's directory, no prefix, its extension.
        report = self.job("--dm", "FileGenerationMethod=1", "--dm", f"NameSource={key}\\Missing", *MULTIPAGE)
        self.assert_in_out(self.names(report)["image"])

        # A prefix of more than eight characters gives way to "AAA".
        source = self.ini_source({self.printer: {"Output Directory": win(other), "File Name Prefix": "longprefix9",
                                                 "File Name extension": "xyz"}})
        report = self.job("--dm", "FileGenerationMethod=2", "--dm", f"NameSource={source}", *MULTIPAGE)
        self.assertRegex(self.leaf(self.names(report)["image"]), r"^AAA[0-9A-Fa-f]{1,4}\.xyz$")
        self.assert_in_out(self.names(report)["image"], other)

    def test_explicit_names(self):
        sub = self.path("out", "fixed")
        os.makedirs(sub)
        report = self.job("--dm", "FileGenerationMethod=3", "--dm", f"ImageFileName={win(sub)}\\report.tif", *MULTIPAGE)
        self.assertEqual(host(self.names(report)["image"]), os.path.join(sub, "report.tif"))
        # Without a directory the name goes to the record's; without an extension it gets the format's.
        report = self.job("--dm", "FileGenerationMethod=3", "--dm", "ImageFileName=plain", *MULTIPAGE)
        self.assertEqual(host(self.names(report)["image"]), os.path.join(self.out, "plain.tif"))
        sets, key = self.registry_source(File_Name=f"{win(sub)}\\fromreg.tif")
        report = self.job("--dm", "FileGenerationMethod=4", "--dm", f"NameSource={key}", *sets, *MULTIPAGE)
        self.assertEqual(host(self.names(report)["image"]), os.path.join(sub, "fromreg.tif"))
        source = self.ini_source({self.printer: {"File Name": "fromini"}})
        report = self.job("--dm", "FileGenerationMethod=5", "--dm", f"NameSource={source}", pages=2, fmt=BMP)
        self.assertEqual([self.leaf(f["path"]) for f in report["files"]], ["fromini000001.bmp", "fromini000002.bmp"])

    def test_an_explicit_name_with_a_bad_character_fails_the_document(self):
        report = self.job("--dm", "FileGenerationMethod=3", "--dm", "ImageFileName=a?b.tif")
        self.assertEqual(self.started(report), [False])
        self.assertTrue(report["job"]["status"].startswith("253: Invalid character in the file name."),
                        report["job"]["status"])

    def test_names_from_the_document(self):
        report = self.job("--dm", "FileGenerationMethod=6", *MULTIPAGE, doc="Report.final.docx", pages=2)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Report.final.tif")
        report = self.job("--dm", "FileGenerationMethod=6", doc="a:b?c", fmt=BMP)
        self.assertEqual(self.leaf(self.names(report)["image"]), "abc000001.bmp")
        self.assertEqual(self.leaf(self.names(report)["group"]), "abc000001.grp")
        report = self.job("--dm", "FileGenerationMethod=9", *MULTIPAGE, doc="Microsoft Word - Letter.docx")
        self.assertEqual(self.leaf(self.names(report)["image"]), "Letter.tif")
        # Method 8 looks for the directory in the name source, the printer's section first.
        other = self.path("ini8")
        os.makedirs(other)
        source = self.ini_source({"Default Settings": {"OutputDirectory": win(other)}})
        report = self.job("--dm", "FileGenerationMethod=8", "--dm", f"NameSource={source}", *MULTIPAGE)
        self.assertEqual(host(self.names(report)["image"]), os.path.join(other, "Invoice.tif"))

    def test_document_titles_never_leave_the_output_directory(self):
        titles = {"..\\..\\evil": "....evil.tif", "C:\\Windows\\system32\\evil": "evil.tif", "/etc/passwd": "etcpasswd.tif",
                  "CON": "_CON.tif", "nul.report": "_nul.report.tif", "..": "..tif", "a\tb": "ab.tif"}
        for method in (6, 8, 9, 7):
            for title, leaf in titles.items():
                with self.subTest(method=method, title=title):
                    # A directory of its own: the files of earlier titles would be numbered around.
                    out = tempfile.mkdtemp(dir=self.tmp)
                    report = self.job("--dm", f"FileGenerationMethod={method}", *MULTIPAGE, doc=title, out=out)
                    image = self.names(report)["image"]
                    self.assert_in_out(image, out)
                    if method == 7:
                        self.assertFalse(re.match(r"(?i)^(con|nul)\.", self.leaf(image)), image)
                        self.assertFalse(any(ord(c) < 32 for c in image), image)
                    else:
                        self.assertEqual(self.leaf(image), leaf)

    def test_save_as_answers_name_the_output(self):
        answers = ("--dm", "PrintedFromSession0=1", "--set", f"Save As Option Settings\\%d\\Output Path=sz:{win(self.out)}",
                   "--set", "Save As Option Settings\\%d\\Filename=sz:chosen.tif",
                   "--set", "Save As Option Settings\\%d\\Save each page as separate file=dword:0")
        report = self.job(*answers, *MULTIPAGE)
        self.assertEqual(host(self.names(report)["image"]), os.path.join(self.out, "chosen.tif"))
        # A dialog that left no folder fails the document, and says so.
        report = self.job("--dm", "PrintedFromSession0=1", *MULTIPAGE)
        self.assertEqual(self.started(report), [False])
        self.assertEqual(report["job"]["status"],
                         "GenerateFilenames: Save As option is enabled but error reading the output folder.")

    def test_directory_tokens(self):
        os.makedirs(self.path("Sales"))
        report = self.job("--set", "EnvVars\\Dept=sz:Sales", *MULTIPAGE, out=self.path("<<Dept>>"))
        self.assert_in_out(self.names(report)["image"], self.path("Sales"))
        # A token nobody knows sends the output to the temporary directory.
        doc = "Tokens" + self.port[3:-1]
        report = self.job("--dm", "FileGenerationMethod=6", *MULTIPAGE, doc=doc, out=self.path("<<TWNoSuchToken>>"))
        image = self.names(report)["image"]
        self.assertEqual(self.leaf(image), doc + ".tif")
        self.assertTrue(image.upper().startswith("C:\\") and "\\TEMP\\" in image.upper(), image)
        prefix = os.environ.get("WINEPREFIX", os.path.join(os.path.dirname(__file__), "..", "..", "build", "wineprefix"))
        group = os.path.join(prefix, "drive_c", *ntpath_parts(self.names(report)["group"]))
        if os.path.exists(group):
            os.remove(group)


def ntpath_parts(path):
    return path[3:].split("\\")


if __name__ == "__main__":
    unittest.main()

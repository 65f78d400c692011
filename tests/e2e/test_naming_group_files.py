"""Group files and the status INI file, read back key by key through the Windows INI functions."""
import os
import unittest

from naming_support import BMP, KEEP, MULTIPAGE, NamingCase
from twprint_runner import host, read_ini

METHOD6 = ("--dm", "FileGenerationMethod=6")
PAGE_KEYS = {"Orientation": "Portrait", "Page width in pixels": "1734", "Page height in pixels": "2156",
             "X DPI": "204", "Y DPI": "196"}


class GroupFiles(NamingCase):
    def test_a_multipage_document(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--dm", "dmCopies=3", pages=3, doc="Quarterly")
        image = self.names(report)["image"]
        self.assertEqual(report["group_file"], image[:-3] + "grp")
        group = self.group(report)
        self.assertEqual(list(group), [self.printer, "Page 1", "Page 2", "Page 3"])
        self.assertEqual(group[self.printer], {
            "Image Format": "TIFF Group 4", "Append Image Enabled": "Yes", "Bits Per Pixel": "1",
            "Document name": "Quarterly", "Number of Copies": "3", "Total number of pages": "3",
            "Print status": "Printing finished successfully"})
        for page in (1, 2, 3):
            self.assertEqual(group[f"Page {page}"], {"FileName": image, **PAGE_KEYS})
        status = self.status_entries()
        self.assertEqual(status["Group File"], report["group_file"])
        self.assertEqual(status["Last Output File"], image)

    def test_a_single_page_document_per_file(self):
        report = self.job(*METHOD6, "--landscape", "--dm", "IsWriteTextEnabled=1", "--dm", "IsMailMergeEnabled=1",
                          "--ini", "Default Settings\\Write Number of Copies to Group File=0", pages=2, fmt=BMP)
        group = self.group(report)
        # The page images first, then the other files the job wrote: here the pages' text files.
        listed = [self.leaf(f["path"]) for f in report["files"]]
        self.assertEqual(listed, ["Invoice000001.bmp", "Invoice000002.bmp", "Invoice000001.txt", "Invoice000002.txt"])
        files = [f["path"] for f in report["files"] if f["path"].endswith(".bmp")]
        self.assertNotIn("Number of Copies", group[self.printer])
        self.assertEqual(group[self.printer]["Append Image Enabled"], "No")
        self.assertEqual(group[self.printer]["Total number of pages"], "2")
        for page, name in enumerate(files, 1):
            section = group[f"Page {page}"]
            self.assertEqual(section["FileName"], name)
            self.assertEqual(section["TextFileName"], name[:-3] + "txt")
            self.assertEqual(section["MailMergeFileName"], name[:-3] + "mrg")
            self.assertEqual(section["Orientation"], "Landscape")
        self.assertEqual(self.status_entries()["Last Output File"], files[-1])
        # The first page's names are kept for the hand-off after the document.
        self.assertEqual(self.names(report)["first_image"], files[0])
        self.assertEqual(self.names(report)["first_text"], files[0][:-3] + "txt")
        self.assertEqual(self.names(report)["text"], files[1][:-3] + "txt")

    def test_fax_pages_report_the_fax_geometry(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--dm", "IsFaxOutputEnabled=1", "--dm", "FaxResolutionMode2=1")
        page = self.group(report)["Page 1"]
        self.assertEqual((page["Page width in pixels"], page["X DPI"], page["Y DPI"]), ("1728", "204", "98"))

    def test_a_disabled_group_file_is_not_written(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--dm", "IsGroupFileDisabled=1")
        self.assertFalse(os.path.exists(host(report["group_file"])))
        self.assertEqual([n for n in os.listdir(self.out) if n.endswith(".grp")], [])

    def test_utf16_group_files(self):
        title = "Grüße ✓ 東京"
        report = self.job(*METHOD6, *MULTIPAGE, "--ini", "Default Settings\\UNICODE Group File=1", doc=title)
        with open(host(report["group_file"]), "rb") as f:
            self.assertEqual(f.read(2), b"\xff\xfe")
        self.assertEqual(self.printer_section(report)["Document name"], title)

    def test_upload_group_files_when_the_group_file_is_disabled(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--dm", "IsGroupFileDisabled=1",
                          "--set", "Post Print Settings\\HTTP upload=sz:yes", pages=2, doc="Upload ✓")
        upload = self.names(report)["http_group"]
        self.assertTrue(upload)
        self.addCleanup(remove_wine_file, upload)
        self.assertFalse(os.path.exists(host(report["group_file"])))
        group = read_ini(upload)
        self.assertEqual(group[self.printer]["Temporary"], "1")
        self.assertEqual(group[self.printer]["Document name"], "Upload ✓")
        self.assertEqual(group[self.printer]["Total number of pages"], "2")
        self.assertEqual(group["Page 2"]["FileName"], self.names(report)["image"])
        # With the group file on, an upload makes it UTF-16 too.
        report = self.job(*METHOD6, *MULTIPAGE, "--set", "Post Print Settings\\HTTP upload=sz:yes", doc="Both")
        self.addCleanup(remove_wine_file, self.names(report)["http_group"])
        with open(host(report["group_file"]), "rb") as f:
            self.assertEqual(f.read(2), b"\xff\xfe")

    def test_a_cancelled_document(self):
        report = self.job(*METHOD6, *MULTIPAGE, "--cancel-after", "2", "--chunk", "8192", pages=3)
        self.assertTrue(report["spooler"]["job_deleted"] or report["spooler"]["job_cancelled"])
        self.assertEqual(self.printer_section(report)["Print status"], "Print job was aborted")

    def test_a_failed_document_keeps_its_error(self):
        # The target cannot be written: the error stays the status to the end of the document.
        path = self.make_file("Invoice.tif")
        self.make_unwritable(path)
        report = self.job(*METHOD6, *MULTIPAGE, *KEEP, pages=2)
        section = self.printer_section(report)
        self.assertTrue(section["Print status"].startswith("25: Cannot write file: "), section)
        # No page reached the file, so none is counted.
        self.assertNotIn("Total number of pages", section)
        self.assertTrue(report["job"]["failed"])


def remove_wine_file(path):
    prefix = os.environ.get("WINEPREFIX", os.path.join(os.path.dirname(__file__), "..", "..", "build", "wineprefix"))
    if path[:3].upper() == "C:\\":
        local = os.path.join(prefix, "drive_c", *path[3:].split("\\"))
        if os.path.exists(local):
            os.remove(local)


if __name__ == "__main__":
    unittest.main()

"""Names from templates (naming method 7) through whole jobs."""
import os
import tempfile
import unittest

from naming_support import BMP, MULTIPAGE, NamingCase

TEMPLATE = ("--dm", "FileGenerationMethod=7")


class Templates(NamingCase):
    def test_the_default_template_and_collisions(self):
        report = self.job(*TEMPLATE, *MULTIPAGE, pages=2)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice.tif")
        self.assertEqual(self.leaf(report["group_file"]), "Invoice.grp")
        self.assertEqual(self.printer_section(report)["Total number of pages"], "2")
        self.make_file("Invoice.tif")
        report = self.job(*TEMPLATE, *MULTIPAGE)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice(1).tif")
        self.make_file("Invoice(1).tif")
        report = self.job(*TEMPLATE, *MULTIPAGE)
        self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice(2).tif")

    def test_tokens_of_the_job(self):
        report = self.job(*TEMPLATE, "--dm", "ImageFileName=N_<<COUNTER>>-<<PAGENUM>>.<<ORIGINAL>>",
                          "--dm", "FileExtension=bmp", pages=2, fmt=BMP)
        number = report["job"]["document_number"]
        self.assertEqual([self.leaf(f["path"]) for f in report["files"]],
                         [f"N_{number:07d}-0001.bmp", f"N_{number:07d}-0002.bmp"])
        # The group file is named after the first page only.
        self.assertEqual(self.leaf(report["group_file"]), f"N_{number:07d}-0001.grp")

    def test_an_invalid_template_gives_way_to_the_default(self):
        for template in ("<<DOCNAME>>.pdf", "ABCDE<<DOCNAME>><<NONE>>.tif", "<<NONE>><<NONE>>.tif"):
            with self.subTest(template=template):
                # A directory of its own: the file of the template before would be numbered around.
                out = tempfile.mkdtemp(dir=self.tmp)
                report = self.job(*TEMPLATE, *MULTIPAGE, "--dm", f"ImageFileName={template}", out=out)
                self.assertEqual(self.leaf(self.names(report)["image"]), "Invoice.tif")
                self.assertEqual(report["job"]["status_messages"], [])

    def test_a_name_that_must_be_shortened_fails_with_its_code(self):
        deep = self.path("d" * 200, "e" * (245 - len(self.path("d" * 200)) - 4))
        os.makedirs(deep)
        report = self.job(*TEMPLATE, *MULTIPAGE, "--dm", "ImageFileName=ABCD<<DOCNAME>>_<<USERNAME>>.<<ORIGINAL>>",
                          out=deep)
        self.assertEqual(self.started(report), [False])
        self.assertEqual(report["job"]["status_messages"], ["Internal error: 110."])
        # Until the first page is named the group file is "GroupFile.grp": it holds the error.
        self.assertEqual(self.leaf(report["group_file"]), "GroupFile.grp")
        self.assertEqual(self.printer_section(report)["Print status"], "Internal error: 110.")


if __name__ == "__main__":
    unittest.main()

"""Whole jobs that hand their output on: the application starter TuMAppTS.exe starting the user's
"Start Application" (twrecordargs.exe) after printing, before printing, as the job's messaging
client, and the monitor starting it itself; cancelled jobs and records that read "Abort"; a
missing start application or application starter; the uploader records of every route."""
import json
import os
import re
import tempfile
import time
import unittest

from text_pages import text_page
from twprint_runner import BIN, run, run_report, unique, win

ROOT = os.environ.get("TW_ROOT", os.path.join(os.path.dirname(__file__), "..", ".."))
EMF = os.path.join(ROOT, "examples", "page1.emf")
STARTER = win(os.path.abspath(os.path.join(BIN, "TuMAppTS.exe")))
RECORDER = win(os.path.abspath(os.path.join(BIN, "twrecordargs.exe")))
NO_IDLE = win(os.path.abspath(os.path.join(BIN, "twnoidle.exe")))
JOB_ID = 7

# Start flags of the DEVMODE.
ENABLED, BEFORE, PASS, FROM_MONITOR, MESSAGING, CUSTOM_FROM_SETTINGS = 0x1, 0x2, 0x4, 0x40, 0x80, 0x100
ALL_KINDS = list(range(1, 16))


def values(record):
    return {v["name"]: v["data"] for v in record["values"]}


def kinds_args(kinds):
    return [a for i, k in enumerate(kinds) for a in ("--dm", f"StartAppParameter{i}={k}")]


class CaptureLog:
    """The monitor's message capture log switched on (C:\\PrnDebug.ini) while the block runs; the
    e2e tests never run at the same time, so the switch file is this test's alone."""
    def __init__(self):
        prefix = os.environ.get("WINEPREFIX", os.path.join(BIN, "..", "wineprefix"))
        self.switches = os.path.join(prefix, "drive_c", "PrnDebug.ini")
        self.log = os.path.join(prefix, "drive_c", "Temp", "MessageCapture_PORTMON_DLL.txt")
        self.start = 0

    def __enter__(self):
        assert not os.path.exists(self.switches), "a switch file is in the way"
        os.makedirs(os.path.dirname(self.log), exist_ok=True)
        self.start = os.path.getsize(self.log) if os.path.exists(self.log) else 0
        with open(self.switches, "w", newline="") as f:
            f.write("[Setting]\r\nMessage Capture Log Level=3\r\n")
        return self

    def __exit__(self, *exc):
        os.remove(self.switches)

    def text(self):
        """What the monitor logged since the block began."""
        if not os.path.exists(self.log):
            return ""
        with open(self.log, "rb") as f:
            f.seek(self.start)
            return f.read().decode("utf-8", "replace")


class PostPrintCase(unittest.TestCase):
    """A printer of its own per test, with the application starter, its log and the start
    application's record file in a temporary directory."""
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.port = unique("TWP")
        self.printer = "PostPrint " + self.port[3:-1]
        self.args_file = os.path.join(self.tmp.name, "args.jsonl")
        self.log = os.path.join(self.tmp.name, "starter.log")
        self.out = os.path.join(self.tmp.name, "out")
        os.makedirs(self.out)
        os.environ["TW_RECORD_ARGS_FILE"] = win(self.args_file)

    def tearDown(self):
        os.environ.pop("TW_RECORD_ARGS_FILE", None)
        run("ports", "delete", self.port)
        self.tmp.cleanup()

    def job(self, *args, pages=2, flags=None, starter=STARTER, app=RECORDER, kinds=ALL_KINDS, files=None, wait=True):
        settings = ["--set", f"Application Starter\\EXE Name=sz:{starter}",
                    "--set", f"Application Starter\\Log File=sz:{win(self.log)}",
                    "--set", "Application Starter\\Ready Timeout=dword:60",
                    "--set", "Application Starter\\Program Timeout=dword:20"]
        start_args = [] if flags is None else ["--dm", f"StartFlags={flags}", "--dm", f"ApplicationPath={app}",
                                               *kinds_args(kinds)]
        start = time.monotonic()
        code, report, err = run_report("--port", self.port, "--printer", self.printer, "--out", win(self.out),
                                       "--job-id", str(JOB_ID), "--format", "0", "--doc", "Quarterly Report",
                                       *(["--wait-post-print", "60"] if wait else []), *settings, *start_args, *args,
                                       *(files or [EMF] * pages))
        self.elapsed = time.monotonic() - start
        self.assertEqual(code, 0, f"twprint exited {code}: {err!r}")
        return report

    def lines(self):
        if not os.path.exists(self.args_file):
            return []
        with open(self.args_file, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def runs(self):
        """What each run of the start application recorded."""
        return [line for line in self.lines() if "command_line" in line]

    def starter_log(self):
        if not os.path.exists(self.log):
            return ""
        with open(self.log, encoding="utf-8") as f:
            return f.read()

    def record(self, report, route="PostPrint_TMP"):
        found = [r for r in report["post_print"]["records"]
                 if re.search(rf"\\{route}\\{report['post_print']['id']}$", r["key"])]
        self.assertEqual(len(found), 1, report["post_print"])
        return found[0]

    def expected_list(self, report, run, kinds, page, multi="0"):
        job = report["job"]
        first = job["names"]["first_image"] or job["names"]["image"]
        text = {1: "Quarterly Report", 2: job["names"]["group"], 3: self.printer, 4: str(page), 5: multi, 6: "1",
                7: None, 8: first, 9: None, 10: None, 11: None,
                12: "0", 13: "0", 14: "1", 15: "{{DATABASE_INDEX}}"}
        pattern = " "
        for k in kinds:
            if k == 11:
                pattern += r'"[^"]+ [^"]+" '
            elif k in (9, 10):  # the printing user and computer as the job found them
                pattern += r'"[^"]*" '
            elif k == 7:
                pattern += " "
            elif k in text:
                pattern += re.escape(f'"{text[k]}" ')
        return pattern

    def check_one_run(self, report, kinds, page):
        runs = self.runs()
        self.assertEqual(len(runs), 1, self.starter_log())
        pattern = self.expected_list(report, runs[0], kinds, page)
        self.assertRegex(runs[0]["command_line"], "^" + pattern + "$")
        self.assertEqual(runs[0]["cwd"].lower(), RECORDER.rsplit("\\", 1)[0].lower())
        return runs[0]


class PostPrint(PostPrintCase):
    def test_after_printing_through_the_application_starter(self):
        report = self.job(flags=ENABLED | PASS)
        run_ = self.check_one_run(report, ALL_KINDS, page=2)
        record = values(self.record(report))
        self.assertEqual(record["Ready"], "YES")
        self.assertEqual(record["Job Status"], "Job Finished")
        self.assertEqual(record["Flags"], ENABLED | PASS)
        self.assertEqual(record["Server"].lower(), RECORDER.lower())
        # The program got the record's command line exactly.
        self.assertEqual(record["Command Line"], run_["command_line"])
        procs = report["processes"]
        self.assertEqual(len(procs), 1)
        self.assertRegex(procs[0]["command_line"], rf"TuMAppTS\.exe {JOB_ID},{report['post_print']['id']},0,"
                                                   + re.escape(self.printer) + "$")
        self.assertEqual(procs[0]["exit_code"], 0, self.starter_log())
        self.assertIn("records of post-print ID", self.starter_log())
        self.assertTrue(all(f["exists"] for f in report["files"]))

    def test_before_printing_the_job_waits_for_the_starter_only_until_it_started_the_program(self):
        report = self.job("--ini", "Default Settings\\Start Application Timeout=20000",
                          flags=ENABLED | BEFORE | PASS, kinds=[1, 3, 4])
        self.check_one_run(report, [1, 3, 4], page=1)
        record = values(self.record(report))
        self.assertEqual(record["Post Print Flags"], 0)
        self.assertIn("signalled", self.starter_log())
        self.assertLess(self.elapsed, 20, "the ready event ended the wait")

    def test_started_by_the_monitor_itself(self):
        report = self.job(flags=ENABLED | PASS | FROM_MONITOR, kinds=[1, 4, 0, 3])
        runs = self.runs()
        self.assertEqual(len(runs), 1)
        self.assertEqual(runs[0]["command_line"], f' "Quarterly Report" "2" "{self.printer}" ')
        self.assertEqual([p["command_line"] for p in report["processes"]], [runs[0]["command_line"]])
        # Nothing for an application starter: no ID, no record.
        self.assertIsNone(report["post_print"]["id"])
        self.assertEqual(self.starter_log(), "")

    def test_older_records_read_nine_wide_kinds_and_no_byte_kinds(self):
        kinds = [1, 3, 0, 0, 0, 0, 0, 5, 9, 10]
        report = self.job("--dm", "dmDriverVersion=1400", flags=ENABLED | PASS | FROM_MONITOR, kinds=kinds)
        runs = self.runs()
        self.assertEqual(len(runs), 1)
        self.assertEqual(runs[0]["command_line"], f' "Quarterly Report" "{self.printer}" "0" ')

    def test_the_messaging_client_is_started_and_answers_the_devmode(self):
        iface = "PPClient" + self.port[3:-1]
        custom = f"--serve-pipe \\\\.\\pipe\\{iface}0 --ready-event Global\\{iface}_{JOB_ID}"
        report = self.job("--set", f"Messaging Interface Settings\\Messaging Interface Name=sz:{iface}",
                          "--set", "Messaging Interface Settings\\Messaging Interface ID=dword:0",
                          "--dm", "IsMessagingInterfaceEnabled=1",
                          "--set", f"Start Application\\Custom Parameter=sz:{custom}",
                          "--ini", "Default Settings\\Start Application Timeout=15000",
                          flags=ENABLED | MESSAGING | PASS | CUSTOM_FROM_SETTINGS, kinds=[7])
        runs = self.runs()
        self.assertEqual(len(runs), 1, self.starter_log())
        self.assertEqual(runs[0]["command_line"], f" {custom} ")
        self.assertEqual(report["job"]["message_capture_warning"], "")
        # The client got the document's DEVMODE offer first, then every message of the document
        # (each page's DEVMODE is offered too).
        served = [line["served"] for line in self.lines() if "served" in line]
        self.assertEqual(served, [[7, 1, 7, 2, 3, 7, 2, 3, 4]])
        self.assertLess(self.elapsed, 15, "the client said it listens")

    def test_a_cancelled_job_writes_aborted_and_nothing_starts(self):
        report = self.job("--cancel-after", "1", "--chunk", "16384", flags=ENABLED | PASS)
        record = values(self.record(report))
        self.assertEqual(record["Job Status"], "Aborted")
        self.assertNotIn("Ready", record)
        self.assertEqual(self.runs(), [])
        self.assertIn("aborted", self.starter_log())

    def test_a_record_that_reads_abort_is_left_alone(self):
        report = self.job("--set", "LastPostPrintID=dword:40", "--set", "PostPrint_TMP\\41\\Ready=sz:Abort",
                          flags=ENABLED | PASS)
        self.assertEqual(report["post_print"]["id"], 41)
        record = values(self.record(report))
        self.assertEqual(record, {"Ready": "Abort"})
        self.assertEqual(self.runs(), [])
        self.assertIn("left alone", self.starter_log())

    def test_a_missing_start_application_or_starter_costs_no_output(self):
        report = self.job(flags=ENABLED | PASS, app=win(os.path.join(self.tmp.name, "absent.exe")))
        self.assertTrue(report["files"] and all(f["exists"] for f in report["files"]))
        self.assertIn("cannot start", self.starter_log())
        self.assertEqual(self.runs(), [])
        report = self.job(flags=ENABLED | PASS, starter=win(os.path.join(self.tmp.name, "NoStarter.exe")))
        self.assertTrue(report["files"] and all(f["exists"] for f in report["files"]))
        self.assertEqual(report["processes"], [])
        self.assertEqual(values(self.record(report))["Ready"], "YES")
        self.assertFalse(report["job"]["failed"])

    def test_a_start_application_that_never_takes_input_costs_a_bounded_wait(self):
        # twnoidle.exe never reads a message: waiting for it to take input never ends by itself.
        # It stays 8 s (Wine hands it twprint's output, which the test reads to its end).
        alive = os.path.join(self.tmp.name, "alive")
        open(alive, "w").close()
        custom = f"--until-gone {win(alive)} --busy 8000"
        settings = ["--set", f"Start Application\\Custom Parameter=sz:{custom}"]
        try:
            # Started by the monitor: it waits 2 s for the program, then the job goes on, and says so.
            with CaptureLog() as log:
                report = self.job(*settings, flags=ENABLED | PASS | FROM_MONITOR | CUSTOM_FROM_SETTINGS,
                                  app=NO_IDLE, kinds=[7], pages=1, wait=False)
            self.assertIn("took no input within 2000 ms", log.text())
            spent = sum(c.get("ms", 0) for c in report["calls"])
            self.assertGreaterEqual(spent, 1900, report["calls"])
            self.assertLess(spent, 15000, report["calls"])
            self.assertFalse(report["job"]["failed"], report["job"]["status"])
            self.assertTrue(report["files"] and all(f["exists"] for f in report["files"]))
            self.assertEqual([p["command_line"] for p in report["processes"]], [f" {custom} "])
            self.assertFalse(report["processes"][0]["ended"])
            # Through the application starter before printing: the job waits for the ready event
            # no longer than "Start Application Timeout", although the starter gives the program 5 s
            # to take input before it signals. ("EndDoc Delay" keeps the job long enough for the
            # starter to see the record: no call of the job may take 5 s.)
            report = self.job(*settings, "--ini", "Default Settings\\Start Application Timeout=500",
                              "--ini", "Default Settings\\EndDoc Delay=3000",
                              flags=ENABLED | BEFORE | PASS | CUSTOM_FROM_SETTINGS, app=NO_IDLE, kinds=[7], pages=1,
                              wait=False)
            longest = max(c.get("ms", 0) for c in report["calls"])
            self.assertLess(longest, 4500, report["calls"])
            self.assertTrue(report["files"] and all(f["exists"] for f in report["files"]))
            deadline = time.monotonic() + 20
            while len(self.runs()) < 2 and time.monotonic() < deadline:
                time.sleep(0.2)
            self.assertEqual(len(self.runs()), 2, self.starter_log())  # each job started it once
        finally:
            os.remove(alive)  # the programs end

    def test_records_that_cannot_be_written_cost_no_output(self):
        # Below a volatile key no lasting record can be made: the post-print record is lost, the
        # job and its files are not, and nothing is started for a record that never came.
        with CaptureLog() as log:
            report = self.job("--volatile-key", "PostPrint_TMP", *ROUTES[:4], flags=ENABLED | PASS, pages=2)
        self.assertRegex(log.text(), r"WriteProcessDataToRegistry: Cannot create key: .*PostPrint_TMP\\\d+\. Error: \d+")
        self.assertFalse(report["job"]["failed"], report["job"]["status"])
        self.assertEqual(len(report["files"]), 2)
        self.assertTrue(all(f["exists"] for f in report["files"]))
        keys = [r["key"] for r in report["post_print"]["records"]]
        self.assertFalse([k for k in keys if "\\PostPrint_TMP\\" in k], keys)
        email = values(self.record(report, "Email_TMP"))  # the other records are written
        self.assertEqual(email["Count"], 2)
        self.assertEqual(self.runs(), [])

    def test_no_hand_off_allocates_nothing(self):
        report = self.job()
        self.assertIsNone(report["post_print"]["id"])
        self.assertEqual(report["post_print"]["records"], [])
        self.assertEqual(report["processes"], [])


ROUTES = ["--set", "Post Print Settings\\Send in email=sz:yes",
          "--set", "Post Print Settings\\Email sending program 32bit=sz:C:\\mail\\send32.exe",
          "--set", "Post Print Settings\\SharePoint Settings\\SharePoint Upload=sz:yes",
          "--set", "Post Print Settings\\SharePoint Settings\\SharePoint utility=sz:C:\\sp\\up.exe",
          "--set", "Post Print Settings\\FTP upload=sz:yes",
          "--set", "Post Print Settings\\FTP Settings\\FTP Selected Connection=sz:1",
          "--set", "Post Print Settings\\FTP Settings\\1\\Server Address=sz:ftp.example",
          "--set", "Post Print Settings\\FTP Settings\\1\\Password=sz:4F5D4F4F",
          "--set", "Post Print Settings\\HTTP upload=sz:yes",
          "--set", "Post Print Settings\\HTTP utility=sz:C:\\http\\up.exe",
          "--set", "Post Print Settings\\Database upload=sz:yes",
          "--set", "Post Print Settings\\M-Files upload=sz:yes"]


class Uploaders(PostPrintCase):
    def files(self, record, prefix="File_"):
        return [record[f"{prefix}{n}"] for n in range(1, 10) if f"{prefix}{n}" in record]

    def test_every_route_after_single_page_files(self):
        report = self.job(*ROUTES, pages=3)
        pages = [f["path"] for f in report["files"]]
        self.assertEqual(len(pages), 3)
        email = values(self.record(report, "Email_TMP"))
        self.assertEqual(self.files(email), pages)
        self.assertEqual(email["Count"], 3)
        self.assertEqual(email["Printer Name"], self.printer)
        self.assertEqual(email["Email sending program 32bit"], "C:\\mail\\send32.exe")
        sp = values(self.record(report, "SharePoint_TMP"))
        self.assertEqual(self.files(sp), pages)
        self.assertEqual(sp["SharePoint utility"], "C:\\sp\\up.exe")
        ftp = values(self.record(report, "TWFTP_TMP"))
        self.assertEqual(self.files(ftp), pages)
        self.assertEqual(ftp["File Count"], "3")
        self.assertEqual(ftp["Password"], "4F5D4F4F")
        self.assertEqual(ftp["Port"], "21")
        for route in ("HTTP_TMP", "DB_TMP", "MFiles_TMP"):
            rec = self.record(report, route)
            self.assertEqual(values(rec)["Ready"], "YES")
            self.assertEqual(values(rec)["Flags"], 1)
            self.assertEqual(values(rec)["Group Filename"], report["job"]["names"]["group"])
        post = values(self.record(report))
        self.assertEqual(post["Post Print Flags"], 0x2 | 0x8 | 0x20 | 0x40 | 0x80 | 0x100)
        log = self.starter_log()
        for route in ("Email_TMP", "SharePoint_TMP", "TWFTP_TMP", "HTTP_TMP", "DB_TMP", "MFiles_TMP"):
            self.assertIn(f"{route}: would hand to", log)

    def test_a_multi_page_file_is_handed_on_once(self):
        report = self.job(*ROUTES, "--dm", "IsMultipageImageEnabled=1", "--format", "7", pages=3)
        email = values(self.record(report, "Email_TMP"))
        self.assertEqual(len(self.files(email)), 1)
        self.assertEqual(email["Count"], 1)


MAIL = ["--set", "Post Print Settings\\Send in email=sz:yes",
        "--set", "Post Print Settings\\Email Settings\\Email To=sz:desk@example.com",
        "--set", "Post Print Settings\\Email Settings\\Email Subject=sz:Statement"]
CONTENT = ["--set", "Post Print Settings\\Email Settings\\Content Based Email=sz:yes"]
MULTIPAGE = ["--set", "Post Print Settings\\Email Settings\\Multipage Content Based Email=sz:yes"]
SIMPLE = ["--set", "Post Print Settings\\Email Settings\\Simple Content Based Email=sz:yes"]


class ContentMail(PostPrintCase):
    """E-mail whose recipients, subject and attachments come from the printed pages."""
    def pages(self):
        first = [(300, 300, "Dear ##**EmailTo=ann@example.com** and ##**EmailTo=bob@example.com**"),
                 (300, 400, "##**ES=March** ##**Attachment=terms.pdf** see ##**EmailCC=cc@example.com**")]
        second = [(300, 300, "##**EmailTo=late@example.com** ##**ES=April**")]
        paths = []
        for i, lines in enumerate((first, second)):
            paths.append(os.path.join(self.tmp.name, f"mail{i}.emf"))
            with open(paths[-1], "wb") as f:
                f.write(text_page(lines))
        return paths

    def own_settings(self, report):
        key = f"\\Email_TMP\\{report['post_print']['id']}\\Email Settings"
        found = [r for r in report["post_print"]["records"] if r["key"].endswith(key)]
        self.assertEqual(len(found), 1, report["post_print"])
        return values(found[0])

    def test_the_first_pages_values_join_the_settings(self):
        report = self.job(*MAIL, *CONTENT, files=self.pages())
        own = self.own_settings(report)
        self.assertEqual(own["Email To"], "desk@example.com; ann@example.com; bob@example.com")
        self.assertEqual(own["Email Cc"], "cc@example.com")
        self.assertEqual(own["Email Subject"], "Statement March")
        self.assertEqual(own["Attachment"], "terms.pdf")
        self.assertEqual(own["Email Count"], 0)
        self.assertNotIn("Email To 1", own)
        email = values(self.record(report, "Email_TMP"))
        self.assertEqual(email["Count"], 2)
        self.assertTrue(email["Email Program Settings"].endswith(f"Email_TMP\\{report['post_print']['id']}"))

    def test_each_file_gets_the_values_of_its_own_pages(self):
        report = self.job(*MAIL, *CONTENT, *MULTIPAGE, files=self.pages())
        own = self.own_settings(report)
        self.assertEqual(own["Email To"], "desk@example.com")
        self.assertEqual(own["Email To 1"], "desk@example.com; ann@example.com; bob@example.com")
        self.assertEqual(own["Email To 2"], "desk@example.com; late@example.com")
        self.assertEqual(own["Email Subject 1"], "March")
        self.assertEqual(own["Email Subject 2"], "April")
        self.assertEqual(own["Attachment 1"], "terms.pdf")
        self.assertEqual(own["Attachment 2"], "")
        self.assertEqual(own["Email Count"], 2)

    def test_simple_content_mail_writes_to_the_addresses_on_the_page(self):
        page = os.path.join(self.tmp.name, "letter.emf")
        with open(page, "wb") as f:
            f.write(text_page([(300, 300, "Please answer to reply@example.org."), (300, 400, "Thank you")]))
        report = self.job(*MAIL, *SIMPLE, files=[page])
        self.assertEqual(self.own_settings(report)["Email To"], "desk@example.com; reply@example.org")


if __name__ == "__main__":
    unittest.main()

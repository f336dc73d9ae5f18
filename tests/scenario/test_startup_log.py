"""A well-formed Payload: the launcher starts, walks its own PE headers, reads
the Payload and writes the diagnostic log; where the log goes and whether it
survives the run; the working directory entry; launchers stored under awkward
names.

The runs are quiet ("-q"): on the test machine, which has no Java runtime, they
end with exit code 83 and no message (see ScenarioCase.assertQuietNoRuntime)."""

import re
import time
import unittest

from payload import MAGIC, Payload, int32, pe_layout
from wineharness import Config, ScenarioCase, log_lines, read_log

HEADER = re.compile(r"^Started executable (?P<path>.+) at "
                    r"(?P<when>(Mon|Tue|Wed|Thu|Fri|Sat|Sun) "
                    r"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d \d\d:\d\d:\d\d \d{4})$")

GOOD = Payload(strings={107: "1", 1000: "Test Setup", 2001: "i"}, wides={20013: "Test Setup"})
QUIET = "-q"


def stub_layout():
    with open(Config.stub, "rb") as f:
        return pe_layout(f.read())


class StartupLog(ScenarioCase):

    def test_log_header_and_header_walk(self):
        launcher = self.case.launcher(GOOD)
        before = time.time()
        result = self.case.run(launcher, args=QUIET, env={"KVELL_LOG": "yes"})
        self.assertQuietNoRuntime(result)
        [log] = self.case.logs()
        raw = log.read_bytes()
        self.assertTrue(raw.endswith(b"\r\n"), raw)
        self.assertEqual(raw.count(b"\n"), raw.count(b"\r\n"), "lines end in CR LF (text mode)")

        lines = log_lines(log)
        header = HEADER.match(lines[0])
        self.assertIsNotNone(header, lines[0])
        self.assertEqual(header["path"], launcher)
        written = time.mktime(time.strptime(header["when"], "%a %b %d %H:%M:%S %Y"))
        self.assertLess(abs(written - before), 300, "the header's time is the local time of the run")
        self.assertEqual(lines[1], "", "ctime's own newline leaves an empty line")

        pe = stub_layout()
        self.assertEqual(lines[2:8], [
            "Init",
            "number of sections: %d" % pe.section_count,
            "size of optional headers: %d" % pe.optional_header_size,
            "resSectionTableStart: %d" % pe.last_section_header,
            "rawDataSize: %d, rawDataOffset: %d" % (pe.raw_data_size, pe.raw_data_offset),
            "single instance mode",
        ])
        self.assertRegex(lines[8], r"^semaphore name c:_kvell_\d+_app\.exe, code 0, value [0-9A-F]+$")
        self.assertEqual(lines[9], "Init done")

    def test_empty_and_negative_entry_counts(self):
        for name, data in {
            "no entries": Payload().encode(),
            "negative counts": int32(MAGIC) + int32(-5) + int32(-1),
            "N1 = 0x80000000": int32(MAGIC) + int32(0x80000000) + int32(0),
            "data after the entries": Payload(strings={107: "1"}).encode() + b"\xff" * 64,
        }.items():
            with self.subTest(name):
                case = self.new_case()
                result = case.run(case.launcher(data), args=QUIET, env={"KVELL_LOG": "yes"})
                self.assertQuietNoRuntime(result)
                [log] = case.logs()
                self.assertEqual(log_lines(log)[9], "Init done")

    def test_keep_rules(self):
        # (environment, whether the log survives a normal run)
        rules = [
            ({"KVELL_LOG": "yes"}, True),
            ({"QUILLMERE_LOG": "yes"}, True),
            ({"KVELL_LOG": "no", "QUILLMERE_LOG": "yes"}, True),
            ({"KVELL_LOG": "YES"}, False),
            ({"KVELL_LOG": "1"}, False),
            ({"KVELL_LOG": "yes "}, False),
            ({"QUILLMERE_LOG": "Yes"}, False),
            ({"KVELL_LOG": ""}, False),
            ({}, False),
        ]
        for env, kept in rules:
            with self.subTest(env=env):
                case = self.new_case()
                result = case.run(case.launcher(GOOD), args=QUIET, env=env)
                self.assertQuietNoRuntime(result)
                self.assertEqual(len(case.logs()), 1 if kept else 0, case.logs())
                # Nothing else is left behind either.
                self.assertEqual(sorted(p.name for p in case.tmp.iterdir()), [p.name for p in case.logs()])

    def test_logs_of_two_runs_are_separate_files(self):
        launcher = self.case.launcher(GOOD)
        self.assertQuietNoRuntime(self.case.run(launcher, args=QUIET, env={"KVELL_LOG": "yes"}))
        self.assertQuietNoRuntime(self.case.run(launcher, args=QUIET, env={"KVELL_LOG": "yes"}))
        logs = self.case.logs()
        self.assertEqual(len(logs), 2)
        for log in logs:
            self.assertTrue(log.name.startswith("qmr_nlog_"), log)
            self.assertEqual(log_lines(log)[9], "Init done")

    def test_working_directory_entry(self):
        # Entry 146 is made current, relative to the launcher's directory (not
        # to the inherited one) and keeping its case; a directory that cannot be
        # entered is ignored. Without included files the log shows the directory
        # the work starts in. "{case}" stands for the launcher's directory.
        for value, current in [(None, r"C:\windows"),
                               ("work dir", r"{case}\work dir"),
                               ("mixed case", r"{case}\mixed case"),
                               (r"work dir\..\.", r"{case}"),
                               ("..", r"C:\kvell"),
                               (r"{case}\work dir", r"{case}\work dir"),
                               (r"missing\dir", r"C:\windows")]:
            with self.subTest(entry_146=value):
                case = self.new_case()
                (case.dir / "work dir").mkdir()
                (case.dir / "Mixed Case").mkdir()
                strings = {107: "1"}
                if value is not None:
                    strings[146] = value.replace("{case}", case.win_dir)
                result = case.run(case.launcher(Payload(strings=strings)), args=QUIET, env={"KVELL_LOG": "yes"},
                                  cwd=r"C:\windows")
                self.assertQuietNoRuntime(result)
                self.assertIn("Current working dir: " + current.replace("{case}", case.win_dir),
                              log_lines(case.logs()[0]))

    def test_tmp_with_trailing_backslash(self):
        result = self.case.run(self.case.launcher(GOOD), args=QUIET, env={"KVELL_LOG": "yes"}, tmp=self.case.tmp_win + "\\")
        self.assertQuietNoRuntime(result)
        self.assertEqual(len(self.case.logs()), 1)


class LogInDriveRoot(ScenarioCase):
    """Without a usable TMP the log goes to C:\\."""

    def root_logs(self):
        return set(self.wine.drive_c.glob("qmr_nlog*"))

    def run_with_tmp(self, tmp):
        before = self.root_logs()
        launcher = self.case.launcher(GOOD)
        result = self.case.run(launcher, args=QUIET, env={"KVELL_LOG": "yes"}, tmp=tmp)
        new = self.root_logs() - before
        for path in new:
            self.addCleanup(path.unlink)
        self.assertQuietNoRuntime(result)
        self.assertEqual(len(new), 1, "one new log in C:\\")
        [log] = new
        self.assertTrue(log.name.startswith("qmr_nlog_"), log)
        self.assertEqual(HEADER.match(log_lines(log)[0])["path"], launcher)
        self.assertEqual(self.case.logs(), [])

    def test_tmp_names_a_missing_directory(self):
        self.run_with_tmp(self.case.path("missing"))

    def test_tmp_names_a_file(self):
        (self.case.dir / "plain-file").write_bytes(b"x")
        self.run_with_tmp(self.case.path("plain-file"))

    def test_tmp_unset(self):
        self.run_with_tmp(None)

    def test_tmp_empty(self):
        self.run_with_tmp("")

    def test_fatal_error_keeps_log_in_drive_root(self):
        before = self.root_logs()
        result = self.case.run(self.case.launcher(None), tmp=self.case.path("missing"))
        for path in self.root_logs() - before:
            self.addCleanup(path.unlink)
        self.assertFatalBox(result, "Internal Error: readInt", log_dir="C:\\")


class FixedFallbackLog(ScenarioCase):
    """When no unique log can be created the log is C:\\qmr_nlog. Here the unique
    name cannot be created because, in TMP, it would be longer than the 260
    characters the 8-bit file functions accept."""

    def setUp(self):
        super().setUp()
        self.fallback = self.wine.drive_c / "qmr_nlog"
        self.addCleanup(self.remove_fallback)
        self.remove_fallback()
        win = self.case.win_dir
        while len(win) < 252:
            win += "\\" + "d" * min(40, 252 - len(win) - 1)
        self.wine.unix(win).mkdir(parents=True)
        self.long_tmp = win

    def remove_fallback(self):
        if self.fallback.exists():
            self.fallback.unlink()

    def run_good(self, **env):
        return self.case.run(self.case.launcher(GOOD), args=QUIET, env=env, tmp=self.long_tmp)

    def test_fallback_log_is_used(self):
        result = self.run_good(KVELL_LOG="yes")
        self.assertQuietNoRuntime(result)
        lines = log_lines(self.fallback)
        self.assertIsNotNone(HEADER.match(lines[0]), lines)
        self.assertEqual(lines[2], "Init")
        self.assertEqual(lines[9], "Init done")
        self.assertEqual(list(self.wine.unix(self.long_tmp).iterdir()), [])

    def test_fallback_log_in_fatal_message(self):
        result = self.case.run(self.case.launcher(None), tmp=self.long_tmp)
        self.assertFatalBox(result, "Internal Error: readInt", log_dir="C:\\")
        self.assertEqual(self.single_box(result).text.split("Log: ")[1].lower(), "c:\\qmr_nlog")

    # A file already standing at the fixed path (an earlier run's, or anyone's)
    # is never truncated or written into: the log takes a fresh name beside it.
    def test_existing_fallback_file_is_left_alone(self):
        self.fallback.write_bytes(b"an earlier run\r\n")
        fresh = self.wine.drive_c / "qmr_nlog.1"
        self.addCleanup(lambda: fresh.exists() and fresh.unlink())
        self.assertQuietNoRuntime(self.run_good(KVELL_LOG="yes"))
        self.assertEqual(self.fallback.read_bytes(), b"an earlier run\r\n")
        lines = log_lines(fresh)
        self.assertIsNotNone(HEADER.match(lines[0]), lines)
        self.assertEqual(lines[2], "Init", lines)

    def test_fresh_fallback_log_is_deleted_without_keep_request(self):
        self.fallback.write_bytes(b"an earlier run\r\n")
        fresh = self.wine.drive_c / "qmr_nlog.1"
        self.assertQuietNoRuntime(self.run_good())
        self.assertFalse(fresh.exists(), read_log(fresh) if fresh.exists() else "")
        self.assertEqual(self.fallback.read_bytes(), b"an earlier run\r\n")


class LauncherFileNames(ScenarioCase):
    """The launcher reads its Payload through its own path, whatever its name."""

    def run_named(self, name, subdir=None):
        launcher = self.case.launcher(GOOD, name=name, subdir=subdir)
        result = self.case.run(launcher, args=QUIET, env={"KVELL_LOG": "yes"})
        self.assertQuietNoRuntime(result)
        [log] = self.case.logs()
        lines = log_lines(log)
        self.assertEqual(lines[9], "Init done", lines)
        return launcher, lines

    def test_blanks_and_western_letters(self):
        launcher, lines = self.run_named("Caf\u00e9 Setup.exe", subdir="Program Files \u00c4")
        self.assertEqual(HEADER.match(lines[0])["path"], launcher)

    def test_name_the_code_page_cannot_represent(self):
        # The launcher opens itself through its short 8.3 path.
        self.run_named("\ud55c\uae00 setup.exe")

    def test_directory_the_code_page_cannot_represent(self):
        self.run_named("setup.exe", subdir="\u65e5\u672c\u8a9e \ud55c\uae00")

    def test_name_without_exe(self):
        self.run_named("long setup name.program")

    def test_upper_case_extension(self):
        self.run_named("SETUP.EXE")


if __name__ == "__main__":
    unittest.main()

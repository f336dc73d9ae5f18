"""Damaged launchers: every Payload fault ends the run with exit code 1 and its
fixed message in a message box, with the log's path appended and the log left
on disk. Failed 4-byte reads also print "error <code>" to standard output."""

import re
import unittest

from payload import MAGIC, int32, string_entry, wide_entry
from wineharness import ScenarioCase, log_lines

READ_INT = "Internal Error: readInt"
READ_STRING = "Internal Error: readString"
READ_WSTRING = "Internal Error: readWString"
MAGIC_ERROR = "Internal Error: magic"

ERROR_LINE = re.compile(r"error -?\d+\n")

# Entry 107 = 0 would send errors to standard error, but it is only looked at
# once the whole Payload has been read: loading errors always use a box.
STRINGS = int32(2) + string_entry(107, "0") + string_entry(2001, "i")
NO_WIDES = int32(0)

# name: (Payload bytes after the last section, message)
DAMAGED = {
    "nothing after the last section": (b"", READ_INT),
    "magic cut short": (int32(MAGIC)[:2], READ_INT),
    "wrong magic": (int32(MAGIC ^ 1) + STRINGS + NO_WIDES, MAGIC_ERROR),
    "zero magic": (int32(0) * 4, MAGIC_ERROR),
    # the string list
    "N1 missing": (int32(MAGIC), READ_INT),
    "N1 cut short": (int32(MAGIC) + int32(1)[:3], READ_INT),
    "string id missing": (int32(MAGIC) + int32(1), READ_INT),
    "string id cut short": (int32(MAGIC) + int32(1) + int32(107)[:2], READ_INT),
    "string length missing": (int32(MAGIC) + int32(1) + int32(107), READ_INT),
    "string length cut short": (int32(MAGIC) + int32(1) + int32(107) + int32(1)[:1], READ_INT),
    "string text cut short": (int32(MAGIC) + int32(1) + int32(107) + int32(5) + b"ab", READ_STRING),
    "string text missing": (int32(MAGIC) + int32(1) + int32(107) + int32(1), READ_STRING),
    "negative string length": (int32(MAGIC) + int32(1) + string_entry(107, "1", length=-1) + NO_WIDES, READ_STRING),
    "string length 0x7FFFFFFF": (int32(MAGIC) + int32(1) + string_entry(107, "1", length=0x7FFFFFFF) + NO_WIDES,
                                 READ_STRING),
    "N1 = 0x7FFFFFFF with two entries": (int32(MAGIC) + int32(0x7FFFFFFF) + string_entry(107, "0")
                                         + string_entry(2001, "i"), READ_INT),
    # the wide list
    "N2 missing": (int32(MAGIC) + STRINGS, READ_INT),
    "N2 cut short": (int32(MAGIC) + STRINGS + int32(1)[:2], READ_INT),
    "wide id missing": (int32(MAGIC) + STRINGS + int32(1), READ_INT),
    "wide length missing": (int32(MAGIC) + STRINGS + int32(1) + int32(20013), READ_INT),
    "wide text cut short": (int32(MAGIC) + STRINGS + int32(1) + int32(20013) + int32(8) + "ab".encode("utf-16-le"),
                            READ_WSTRING),
    "negative wide length": (int32(MAGIC) + STRINGS + int32(1) + wide_entry(20013, "T", length=-2), READ_WSTRING),
    "wide length 0x7FFFFFFF": (int32(MAGIC) + STRINGS + int32(1) + wide_entry(20013, "T", length=0x7FFFFFFF),
                               READ_WSTRING),
    # UTF-16 text has an even byte count; an odd one marks a damaged Payload.
    "odd wide length": (int32(MAGIC) + STRINGS + int32(1) + wide_entry(20013, b"ab\0", length=3), READ_WSTRING),
    "N2 = 0x7FFFFFFF with two entries": (int32(MAGIC) + STRINGS + int32(0x7FFFFFFF) + wide_entry(20013, "T")
                                         + wide_entry(20007, "P"), READ_INT),
}


class DamagedPayloads(ScenarioCase):

    def test_each_fault_has_its_message(self):
        for name, (data, message) in DAMAGED.items():
            with self.subTest(name):
                case = self.new_case()
                result = case.run(case.launcher(data))
                log = self.assertFatalBox(result, message, case=case)
                if message == READ_INT:
                    self.assertRegex(result.stdout, "^" + ERROR_LINE.pattern + "$", result.describe())
                else:
                    self.assertEqual(result.stdout, "", result.describe())
                # The log shows how far loading got, and nothing after it.
                lines = log_lines(log)
                self.assertTrue(lines[0].startswith("Started executable "), lines)
                self.assertEqual(lines[2], "Init", lines)
                self.assertNotIn("Init done", lines)

    def test_header_walk_is_logged_before_the_failure(self):
        result = self.case.run(self.case.launcher(int32(MAGIC ^ 1)))
        lines = log_lines(self.assertFatalBox(result, MAGIC_ERROR))
        self.assertEqual(lines[2], "Init")
        self.assertRegex(lines[3], r"^number of sections: \d+$")
        self.assertRegex(lines[4], r"^size of optional headers: \d+$")
        self.assertRegex(lines[5], r"^resSectionTableStart: \d+$")
        self.assertRegex(lines[6], r"^rawDataSize: \d+, rawDataOffset: \d+$")

    def test_caption_is_entry_1000_when_read_before_the_fault(self):
        strings = int32(2) + string_entry(1000, "Broken Setup") + string_entry(107, "1")
        data = int32(MAGIC) + strings + int32(1) + int32(20013) + int32(40) + b"x"
        result = self.case.run(self.case.launcher(data))
        self.assertFatalBox(result, READ_WSTRING, caption="Broken Setup")

    def test_caption_stays_empty_when_entry_1000_comes_after_the_fault(self):
        data = (int32(MAGIC) + int32(2) + string_entry(107, "1", length=-7) + string_entry(1000, "Late"))
        result = self.case.run(self.case.launcher(data))
        self.assertFatalBox(result, READ_STRING, caption="")

    def test_console_switch_does_not_move_loading_errors_to_stderr(self):
        # Switches are applied only after the Payload has been read.
        result = self.case.run(self.case.launcher(int32(MAGIC ^ 1)), args="-c")
        self.assertFatalBox(result, MAGIC_ERROR)
        self.assertEqual(result.stdout, "")

    def test_error_code_is_printed_once_per_run(self):
        result = self.case.run(self.case.launcher(None))
        self.assertFatalBox(result, READ_INT)
        self.assertEqual(len(ERROR_LINE.findall(result.stdout)), 1, result.describe())

    def test_log_path_in_message_is_the_long_form(self):
        long_dir = self.case.dir / "temporary files of the test"
        long_dir.mkdir()
        long_win = self.case.path("temporary files of the test")
        short_win = self.wine.short_path(long_win)
        self.assertNotEqual(short_win.lower(), long_win.lower(), "Wine gave no short name")
        result = self.case.run(self.case.launcher(None), tmp=short_win)
        self.assertFatalBox(result, READ_INT, log_dir=long_win)

    def test_previous_logs_are_not_reused(self):
        launcher = self.case.launcher(None)
        first = self.assertFatalBox(self.case.run(launcher), READ_INT)
        first_text = first.read_bytes()
        second = self.assertFatalBox(self.case.run(launcher), READ_INT)
        self.assertNotEqual(first, second)
        self.assertEqual(first.read_bytes(), first_text, "the first run's log was changed")


if __name__ == "__main__":
    unittest.main()

"""The command line: splitting with quotes, the launcher's switches, and where
a fatal message goes (message box or standard error) depending on entry 107
and the switches."""

import unittest

from payload import Payload
from wineharness import ScenarioCase, log_lines

# 1007 has no argument: "{0}" stays as it is. The en dash and the accented
# letters are single bytes of code page 1252.
QUOTE_MESSAGE = "Unbalanced quotes \u2013 {0} \u00e9t\u00e9"
CAPTION = "Switch Test"


def payload(program_type=None, **strings):
    entries = {1000: CAPTION, 1007: QUOTE_MESSAGE}
    if program_type is not None:
        entries[107] = program_type
    entries.update({int(k[1:]): v for k, v in strings.items()})
    return Payload(strings=entries, wides={20013: "Wide " + CAPTION})


class FatalMessageRouting(ScenarioCase):
    """An unbalanced quote is fatal; entry 107 decides between box and stderr."""

    def test_program_type_decides(self):
        # (entry 107, message box?)
        for program_type, boxed in [(None, False), ("0", False), ("2", False), ("abc", False),
                                    ("1", True), ("5", True), (" 1", True), ("5x", True), ("+1", True),
                                    ("-1", False), ("15", False)]:
            with self.subTest(entry_107=program_type):
                case = self.new_case()
                result = case.run(case.launcher(payload(program_type)), args='"abc')
                if boxed:
                    log = self.assertFatalBox(result, QUOTE_MESSAGE, caption=CAPTION, case=case)
                else:
                    log = self.assertFatalStderr(result, QUOTE_MESSAGE, case=case)
                self.assertEqual(result.stdout, "")
                lines = log_lines(log)
                self.assertIn("Init", lines)
                self.assertNotIn("Init done", lines)

    def test_console_switches_with_console_program(self):
        for args in ['-c "abc', '-q "abc', '"abc -c', '-console "abc']:
            with self.subTest(args=args):
                case = self.new_case()
                result = case.run(case.launcher(payload("0")), args=args)
                self.assertFatalStderr(result, QUOTE_MESSAGE, case=case)

    def test_switches_apply_only_after_the_whole_line_is_split(self):
        # The quote fails while the line is split, before "-c" or "-q" is seen.
        for args in ['-c "abc', '-q "abc']:
            with self.subTest(args=args):
                case = self.new_case()
                result = case.run(case.launcher(payload("1")), args=args)
                self.assertFatalBox(result, QUOTE_MESSAGE, caption=CAPTION, case=case)

    def test_later_duplicate_of_entry_107_wins(self):
        for pairs, boxed in [([(107, "0"), (107, "1")], True), ([(107, "1"), (107, "0")], False)]:
            with self.subTest(pairs=pairs):
                case = self.new_case()
                data = Payload(strings=[(1007, QUOTE_MESSAGE)] + pairs)
                result = case.run(case.launcher(data), args="'abc")
                if boxed:
                    self.assertFatalBox(result, QUOTE_MESSAGE, case=case)
                else:
                    self.assertFatalStderr(result, QUOTE_MESSAGE, case=case)

    def test_overlong_message_is_cut_but_keeps_the_log_line(self):
        for program_type in ["0", "1"]:
            with self.subTest(entry_107=program_type):
                case = self.new_case()
                data = Payload(strings={107: program_type, 1007: "x" * 10000})
                result = case.run(case.launcher(data), args="'")
                self.assertExit(result, 1)
                text = result.boxes[0].text if result.boxes else result.stderr[:-1]
                message, _, log = text.partition("\n\nLog: ")
                self.assertEqual(message, "x" * len(message))
                self.assertGreater(len(message), 4000)
                self.assertLessEqual(len(text), 8191, "composed texts fit 8192 characters")
                self.assertLogFileAt(log, None, case)

    def test_wide_entry_107_is_not_the_program_type(self):
        data = Payload(strings={1007: "x"}, wides={107: "1"})
        result = self.case.run(self.case.launcher(data), args='"')
        self.assertFatalStderr(result, "x")

    def test_wide_title_is_not_the_caption_of_8_bit_messages(self):
        data = Payload(strings={107: "1", 1007: "x"}, wides={20013: "Wide Title", 1000: "Wide 1000"})
        result = self.case.run(self.case.launcher(data), args='"')
        self.assertFatalBox(result, "x", caption="")


class CommandLines(ScenarioCase):

    def run_line(self, case, args=None, cmdline=None, program_type="0"):
        launcher = case.launcher(payload(program_type))
        if cmdline is not None:
            cmdline = cmdline.replace("PROGRAM", launcher)
        return case.run(launcher, args=args, cmdline=cmdline, env={"KVELL_LOG": "yes"})

    def test_balanced_lines_start(self):
        # Quiet ("-q" last) so that the run ends without a runtime (exit code 83).
        for args in ['"a b"', "'a b'", 'x"a b"y', "x'a b'y", "'a \"b' c", "\"a 'b\" c", '""', "''",
                     "a  b", "  a", "a\\\"b\"", "\ta\t'b'"]:
            with self.subTest(args=args):
                case = self.new_case()
                result = self.run_line(case, args + " -q")
                self.assertQuietNoRuntime(result)
                self.assertEqual(log_lines(case.logs()[0])[9], "Init done")

    def test_unbalanced_lines_are_fatal(self):
        for args in ['"', "'", 'a"b', "'a b", 'x"a b"y "', "a\\\"b", "\"a 'b\" 'c", "'a \"b' \"c"]:
            with self.subTest(args=args):
                case = self.new_case()
                result = self.run_line(case, args + " -q")
                self.assertFatalStderr(result, QUOTE_MESSAGE, case=case)

    def test_program_part_takes_part_in_splitting(self):
        case = self.new_case()
        result = self.run_line(case, cmdline='"PROGRAM -q')
        self.assertFatalStderr(result, QUOTE_MESSAGE, case=case)
        case = self.new_case()
        self.assertQuietNoRuntime(self.run_line(case, cmdline="PROGRAM 'a' -q"))


class SwitchEffects(ScenarioCase):
    """"-q" and "-c" make the run quiet (no questions; without a runtime it ends
    with exit code 83) and send later fatal messages to standard error."""

    NO_RUNTIME = "No Java runtime ({0})"

    def test_quiet_switches(self):
        for args in ["-q", "-c", "x -q", "'-q'", "-console -c", "-c -console", "-c -c", "-q -c -console -manual x"]:
            with self.subTest(args=args):
                case = self.new_case()
                data = payload("1", s1016=self.NO_RUNTIME)
                result = case.run(case.launcher(data), args=args, env={"KVELL_LOG": "yes"})
                self.assertQuietNoRuntime(result)
                self.assertIn("Quiet installer.", log_lines(case.logs()[0]))

    def test_other_arguments_are_not_quiet(self):
        # Without a runtime a run with a user present asks the runtime question
        # (the runner closes it: exit code 1).
        for args in [None, "-console", "-quiet", "-Q", "q", "--q", "-q-", "/q", "-manual", "/manual", "-C"]:
            with self.subTest(args=args):
                case = self.new_case()
                data = payload("1", s1016=self.NO_RUNTIME)
                result = case.run(case.launcher(data), args=args, env={"KVELL_LOG": "yes"})
                self.assertEqual(result.exit_code, 1, result.describe())
                self.assertEqual([b.button_ids for b in result.boxes], [[1004, 1005, 2]], result.describe())
                self.assertNotIn("Quiet installer.", log_lines(case.logs()[0]))

    def test_quiet_switches_send_later_fatal_messages_to_stderr(self):
        # An included file that cannot be created is a fatal error after the
        # switches: entry 1009 with "11". Its name is too long for the 8-bit
        # file functions. Only the first "{0}" is replaced.
        message = "Internal error {0}, not {0}"
        shown = "Internal error 11, not {0}"
        for args, boxed in [(None, True), ("-console", True), ("-q", False), ("-c", False)]:
            with self.subTest(args=args):
                case = self.new_case()
                data = payload("1", s1009=message, s2002="1", s2003="x" * 250)
                data.files = [b"content"]
                result = case.run(case.launcher(data), args=args)
                if boxed:
                    self.assertFatalBox(result, shown, caption=CAPTION, case=case)
                else:
                    self.assertFatalStderr(result, shown, case=case)


if __name__ == "__main__":
    unittest.main()

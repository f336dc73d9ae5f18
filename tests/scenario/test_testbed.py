"""The test bed itself: runner.exe hands the child exactly the command line,
environment and directory asked for, passes its output and exit code through,
records and answers message boxes, and ends programs that take too long.
wintool.exe (tests/win) plays the child."""

import unittest

from wineharness import EXIT_TIMEOUT, ScenarioCase

IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
MB_OK, MB_YESNOCANCEL = 0, 3


class Runner(ScenarioCase):

    def tool(self, cmdline, **kwargs):
        result = self.wine.run(self.wine.wintool_win, cmdline=cmdline, **kwargs)
        result.text = result.stdout_bytes.decode("utf-8").replace("\r\n", "\n")
        return result

    def test_command_line_arrives_exactly(self):
        for tail in ["", " a  b ", " \"a b\" 'c' \\\"x\\\\", " \t\"unbalanced", " \u00e4 \u20ac \u6f22\u5b57",
                     " \"\" ''", " -c __qmr_reboot"]:
            with self.subTest(tail=tail):
                cmdline = "wintool.exe command-line" + tail
                result = self.tool(cmdline)
                self.assertExit(result, 0)
                self.assertEqual(result.text, cmdline + "\n")

    def test_environment_changes(self):
        result = self.tool("wintool env KVELL_PROBE", set_env={"KVELL_PROBE": "a b=c \u00e4"})
        self.assertEqual((result.exit_code, result.text), (0, "a b=c \u00e4\n"))
        result = self.tool("wintool env KVELL_PROBE", set_env={"KVELL_PROBE": ""})
        self.assertEqual((result.exit_code, result.text), (0, "\n"))
        result = self.tool("wintool env Tmp", unset_env=["tMP"])
        self.assertExit(result, 1)
        result = self.tool("wintool env PATH", set_env={"path": "C:\\only"})
        self.assertEqual(result.text, "C:\\only\n")
        result = self.tool("wintool env WINEPREFIX", clear_env=True, set_env={"A": "1"})
        self.assertExit(result, 1)
        result = self.tool("wintool env A", clear_env=True, set_env={"A": "1"})
        self.assertEqual(result.text, "1\n")

    def test_working_directory(self):
        result = self.tool("wintool cwd", cwd=self.case.win_dir)
        self.assertEqual(result.text.lower(), self.case.win_dir.lower() + "\n")

    def test_output_and_exit_code_pass_through(self):
        for code in [0, 1, 83, 255, 1004]:  # all bits, though Wine hands Unix the low byte
            with self.subTest(code=code):
                result = self.tool("wintool exit %d" % code)
                self.assertEqual((result.exit_code, result.stdout, result.stderr), (code, "out\n", "err\n"))

    def test_time_out_kills_the_child(self):
        result = self.tool("wintool sleep 60", timeout=1)
        self.assertExit(result, EXIT_TIMEOUT)
        self.assertLess(result.elapsed, 15)

    def test_missing_program_fails_loudly(self):
        with self.assertRaisesRegex(AssertionError, "runner.exe failed"):
            self.wine.run(self.case.path("missing.exe"))

    def test_boxes_are_recorded_and_answered_in_order(self):
        result = self.tool('wintool box %d "First caption" "line 1\nline 2 \u00e4" %d Second Text %d Third Text'
                           % (MB_YESNOCANCEL, MB_YESNOCANCEL, MB_YESNOCANCEL), answer="no,cancel")
        self.assertExit(result, 0)
        self.assertEqual(result.text.split(), [str(IDNO), str(IDCANCEL), str(IDCANCEL)])
        self.assertEqual([(b.caption, b.text, b.answer) for b in result.boxes],
                         [("First caption", "line 1\nline 2 \u00e4", "no"), ("Second", "Text", "cancel"),
                          ("Third", "Text", "cancel")])
        self.assertEqual(sorted(result.boxes[0].button_ids), sorted([IDYES, IDNO, IDCANCEL]))

    def test_boxes_of_started_programs_are_answered_too(self):
        result = self.tool("wintool run-self box %d Child Text" % MB_YESNOCANCEL, answer="yes", timeout=15)
        self.assertExit(result, 0)
        self.assertEqual(result.text, "%d\n" % IDYES)
        self.assertEqual([(b.caption, b.answer) for b in result.boxes], [("Child", "yes")])

    def test_registry_helpers(self):
        key = r"HKCU\Software\kvell-testbed"
        self.addCleanup(self.wine.reg_delete, key)
        self.wine.reg_add(key, "Number", 5, kind="REG_DWORD")
        self.wine.reg_add(key, "Text", "a b")
        self.assertEqual(self.wine.reg_query(key, "Number"), 5)
        self.assertEqual(self.wine.reg_query(key, "Text"), "a b")
        self.wine.reg_delete(key, "Number")
        self.assertIsNone(self.wine.reg_query(key, "Number"))
        self.assertIsNone(self.wine.reg_query(key + r"\missing", "Text"))

    def test_box_without_the_wanted_button_is_closed(self):
        result = self.tool("wintool box %d Caption Text" % MB_OK, answer="yes")
        self.assertExit(result, 0)
        self.assertEqual(len(result.text.split()), 1, "the box ended")
        self.assertEqual([(b.button_ids, b.answer) for b in result.boxes], [([IDOK], "close")])


if __name__ == "__main__":
    unittest.main()

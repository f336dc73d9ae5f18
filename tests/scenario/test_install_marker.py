"""The installation marker: set while an installation runs, it makes the next
start ask (wide entries 20015 and 20013, Yes/No) whether to choose the Java
runtime by hand. Quiet runs and language restarts never ask; a quiet run
without a runtime and a cancel of the runtime question clear it. (A program
that ends well clears it too: test_dialogs.py.)"""

import unittest

from payload import Payload
from wineharness import INSTALL_MARKER, ScenarioCase, log_lines

IDYES, IDNO = 6, 7
TITLE = "Setup Title"
QUESTION = "An earlier installation did not finish.\nChoose the Java runtime yourself?"
NO_RUNTIME = "No Java runtime (64-bit) was found."
PAYLOAD = Payload(strings={107: "1", 1000: "Setup", 1016: "No runtime ({0})"},
                  wides={20013: TITLE, 20015: QUESTION, 20006: "No Java runtime (%S-bit) was found."})


class InstallMarker(ScenarioCase):

    def marker(self):
        return self.wine.reg_query(*INSTALL_MARKER)

    def test_set_marker_asks_first(self):
        # Yes chooses the runtime by hand: no search. What follows the answer
        # is the missing-runtime step, not looked at here.
        for answer, searched in [("no", True), ("yes", False)]:
            with self.subTest(answer=answer):
                case = self.new_case()
                result = case.run(case.launcher(PAYLOAD), marker=True, answer=[answer, "ok"],
                                  env={"KVELL_LOG": "yes"})
                self.assertGreaterEqual(len(result.boxes), 1, result.describe())
                question = result.boxes[0]
                self.assertEqual((question.caption, question.text), (TITLE, QUESTION))
                self.assertEqual(sorted(question.button_ids), [IDYES, IDNO])
                self.assertEqual(question.answer, answer)
                self.assertEqual(sum(b.text == QUESTION for b in result.boxes), 1, "asked once")
                lines = log_lines(case.logs()[0])
                self.assertLess(lines.index("Init done"), lines.index("Starting work"))
                self.assertEqual(any(line.startswith("LoadDLL (") for line in lines), searched, lines)

    def test_no_question_without_marker(self):
        # Straight to the runtime question (the runner closes it: exit code 1).
        for name, kwargs in [("missing", {}),
                             ("zero", {"marker": None, "reg_dword": [INSTALL_MARKER + (0,)]})]:
            with self.subTest(marker=name):
                case = self.new_case()
                result = case.run(case.launcher(PAYLOAD), **kwargs)
                self.assertEqual([(b.caption, b.text) for b in result.boxes], [(TITLE, NO_RUNTIME)],
                                 result.describe())
                self.assertEqual(result.exit_code, 1, result.describe())

    def test_any_non_zero_value_asks(self):
        result = self.case.run(self.case.launcher(PAYLOAD), marker=None, reg_dword=[INSTALL_MARKER + (2,)],
                               answer="no,ok")
        self.assertEqual(result.boxes[0].text, QUESTION, result.describe())

    def test_closing_the_runtime_question_clears_the_marker(self):
        result = self.case.run(self.case.launcher(PAYLOAD), marker=True, answer="no,cancel")
        self.assertEqual([b.text for b in result.boxes], [QUESTION, NO_RUNTIME], result.describe())
        self.assertEqual(result.exit_code, 1, result.describe())
        self.assertEqual(self.marker(), 0)

    def test_quiet_run_does_not_ask_and_clears_the_marker(self):
        for args in ["-q", "-c"]:
            with self.subTest(args=args):
                case = self.new_case()
                result = case.run(case.launcher(PAYLOAD), args=args, marker=True)
                self.assertQuietNoRuntime(result)
                self.assertEqual(self.marker(), 0)

    def test_language_restart_is_quiet(self):
        # "__qmr_lang_restart" followed by anything is a language restart.
        for args in ["__qmr_lang_restart", "__qmr_lang_restart x -y", "__qmr_lang_restartXYZ"]:
            with self.subTest(args=args):
                case = self.new_case()
                result = case.run(case.launcher(PAYLOAD), args=args, marker=True)
                self.assertQuietNoRuntime(result)
        for args in ["x __qmr_lang_restart", "__QMR_LANG_RESTART", "__qmr_lang_restar"]:
            with self.subTest(args=args):
                case = self.new_case()
                result = case.run(case.launcher(PAYLOAD), args=args, marker=True, answer="no,ok")
                self.assertEqual(result.boxes[0].text if result.boxes else None, QUESTION, result.describe())


if __name__ == "__main__":
    unittest.main()

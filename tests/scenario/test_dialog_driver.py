"""The dialog driver: wintool.exe's window commands (tests/win/wintool_windows.cpp),
the runner's leave=, background runs and screenshots, proved on
dialog_fixture.exe (tests/win): a modal dialog with the kinds of controls the
launcher's dialogs have, under the same numbers. The fixture exits with the id
of the command that ended its dialog."""

import shutil
import unittest

from wineharness import FILE_NAME_FIELD, Config, ScenarioCase, control, image_facts

FIXTURE = r"C:\kvell\bin\dialog_fixture.exe"
TITLE = "Dialog Fixture"
FILE_TITLE = "Fixture File"
DEFAULT, BROWSE, IDCANCEL = 1004, 1005, 2
# The question dialog's Browse button and the file dialog's name field: both
# dialogs are the test's, not message boxes for the runner to answer.
LEAVE = (BROWSE, FILE_NAME_FIELD)


class DialogDriver(ScenarioCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if not Config.dialog_fixture.exists():
            raise unittest.SkipTest("missing: %s" % Config.dialog_fixture)
        shutil.copy2(Config.dialog_fixture, cls.wine.unix(FIXTURE))

    def start(self, case=None):
        """The fixture running in the background, and its dialog's handle."""
        started = (case or self.case).spawn(FIXTURE, leave=LEAVE, timeout=30)
        dialog = self.wine.wait_window(started.pid, "#32770", TITLE)
        if dialog is None:
            self.fail("no dialog: %s" % started.wait().describe())
        return started, dialog

    def assertEndedBy(self, started, command):
        result = started.wait()
        self.assertEqual((result.exit_code, result.boxes, result.pid), (command, [], started.pid), result.describe())
        self.assertTrue(result.stdout.endswith("ended %d\n" % command), result.describe())
        return result

    def test_dump_screenshot_and_click(self):
        started, dialog = self.start()
        self.assertIsNone(self.wine.wait_window(started.pid, "#32770", "Dialog", timeout=0.2), "titles match whole")
        dump = self.wine.dump_window(dialog)
        self.assertEqual((dump["class"], dump["title"], dump["visible"], dump["client_dlu"], dump["default_id"],
                          dump["focus"]), ("#32770", TITLE, True, [220, 92], DEFAULT, DEFAULT), dump)
        # Template order, positions in dialog units as dialog_fixture.rc has them;
        # the icon static takes the icon's size (32 pixels).
        self.assertEqual([(c["id"], c["class"], c["text"], c["visible"], c["dlu"]) for c in dump["controls"]], [
            (-1, "Static", "", True, [7, 7, 21, 21]),
            (1003, "Static", "Fixture message", True, [36, 7, 177, 16]),
            (1001, "msctls_progress32", "", True, [36, 28, 177, 10]),
            (1002, "Static", "Fixture status", False, [36, 42, 177, 8]),
            (DEFAULT, "Button", "&Download", True, [36, 71, 56, 14]),
            (BROWSE, "Button", "&Browse...", True, [97, 71, 56, 14]),
            (IDCANCEL, "Button", "Cancel", True, [158, 71, 56, 14])])
        self.assertEqual((control(dump, 1001)["range"], control(dump, 1001)["pos"]), ([0, 250], 100))
        self.assertTrue(control(dump, -1)["icon"])
        self.assertEqual([control(dump, i)["default"] for i in (DEFAULT, BROWSE, IDCANCEL)], [True, False, False])

        left, top, right, bottom = dump["rect"]
        width, height, colours, kind = image_facts(self.wine.screenshot(self.case.dir / "dialog.png", dump["rect"]))
        self.assertEqual((kind, width, height), ("PNG", right - left, bottom - top))
        self.assertGreater(colours, 1, "an empty picture")

        with self.assertRaises(AssertionError):
            self.wine.click(dialog, 1002)  # hidden: no user can press it
        self.wine.click(dialog, IDCANCEL)
        self.assertEndedBy(started, IDCANCEL)

    def test_keys_and_close_box(self):
        for action, command in [("enter", DEFAULT), ("escape", IDCANCEL), ("close", IDCANCEL)]:
            with self.subTest(action):
                started, dialog = self.start(self.new_case())
                if action == "close":
                    self.wine.close_window(dialog)
                else:
                    self.wine.key(dialog, action)
                self.assertEndedBy(started, command)

    def test_choose_file(self):
        chosen = self.case.path("chosen.txt")
        self.wine.unix(chosen).write_text("x")
        started, dialog = self.start()
        self.wine.click(dialog, BROWSE)
        # A missing file: the file dialog complains in a message box, which the
        # runner answers, and stays.
        self.assertFalse(self.wine.choose_file(started.pid, FILE_TITLE, self.case.path("missing.txt"), timeout=3))
        self.assertTrue(self.wine.choose_file(started.pid, FILE_TITLE, chosen))
        result = started.wait()
        self.assertEqual(result.exit_code, BROWSE, result.describe())
        self.assertEqual(result.stdout, "file %s\nended %d\n" % (chosen, BROWSE), result.describe())
        self.assertEqual([b.answer for b in result.boxes], ["ok"], "the file dialog's complaint\n" + result.describe())


if __name__ == "__main__":
    unittest.main()

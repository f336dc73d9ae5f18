"""The work sequence as a whole: a quiet run without a runtime, the installation
marker around the search and the launch, the manual switch with an included
runtime, the language restart, the start-up question about an unfinished
installation, and the working directory of entry 146."""

import unittest
from pathlib import PureWindowsPath

from road import BASE_PATH, IDNO, IDYES, MARKER_KEY, MARKER_VALUE, TITLE, WIDES, RoadCase, road_payload


class QuietWithoutRuntime(RoadCase):

    def test_no_runtime_found(self):
        for args in ["-q", "-c", "x -q y"]:
            with self.subTest(args=args):
                case = self.new_case()
                # Set beforehand: the quiet exit clears it.
                road = self.road(case.launcher(road_payload()), args=args, case=case, java_home=None, marker=1)
                self.assertEqual((road.result.exit_code, road.result.stdout, road.result.stderr, road.result.boxes),
                                 (83, "no jre found\n", "", []), road.describe())
                self.assertInOrder(road.log, ["Quiet installer.", "Searching for a JVM", "Search sequence finished",
                                              "ERROR: No JVM found", "ERROR: No JRE found"], road)
                self.assertEqual(road.transcript, [])
                self.assertEqual(self.marker_value(), 0)

    def test_log_is_not_kept(self):
        result = self.case.run(self.case.launcher(road_payload()), args="-q")
        self.assertEqual((result.exit_code, result.stdout), (83, "no jre found\n"), result.describe())
        self.assertEqual(self.case.logs(), [])

    def test_with_a_user_the_question_follows(self):
        # Not quiet: the search fails and the runtime question follows (that the
        # marker is set while it is open: test_dialogs.py).
        road = self.road(self.case.launcher(road_payload()), java_home=None)
        self.assertQuestionClosed(road)
        self.assertInOrder(road.log, ["Searching for a JVM", "ERROR: No JVM found", "Download location: "], road)


class MarkerAfterLaunch(RoadCase):

    def test_marker_set_by_a_launch_and_cleared_by_a_good_end(self):
        # A good end: main returned, or System.exit(0) through the JVM's exit hook.
        for args, knobs, marker in [(None, {}, 0), ("-q", {}, 0), ("-q", {"KVELL_STANDIN_MAIN_EXIT": "0"}, 0),
                                    ("-q", {"KVELL_STANDIN_MAIN_EXIT": "3"}, 1),
                                    ("-q", {"KVELL_STANDIN_THROW": "main"}, 1)]:
            with self.subTest(args=args, knobs=knobs):
                case = self.new_case()
                road = self.road(case.launcher(road_payload()), args=args, case=case, env=knobs)
                if not knobs:
                    self.assertLaunched(road)
                elif "KVELL_STANDIN_MAIN_EXIT" in knobs:
                    self.assertEqual(road.result.exit_code, int(knobs["KVELL_STANDIN_MAIN_EXIT"]), road.describe())
                self.assertIn("jvm create -> 0", road.transcript, road.describe())
                self.assertEqual(self.marker_value(), marker, road.describe())


class ManualSwitch(RoadCase):
    """An included "jre.tar.gz" is not used with the manual switch, and no
    search runs: the runtime must be chosen by hand."""

    FILES = [("app.jar", b"PK"), ("jre.tar.gz", b"\x1f\x8b not really an archive")]

    def test_manual_quiet(self):
        for args in ["-q -manual", "/manual -q"]:
            with self.subTest(args=args):
                case = self.new_case()
                road = self.road(case.launcher(road_payload(files=self.FILES)), args=args, case=case)
                self.assertEqual((road.result.exit_code, road.result.stdout, road.result.boxes),
                                 (83, "no jre found\n", []), road.describe())
                directory = road.log_value("Temp dir: ")
                self.assertInOrder(road.log, ["Full JRE path: %s\\jre.tar.gz" % directory, "JRE included",
                                              "Included JRE not used because of manual switch",
                                              "ERROR: No JRE found"], road)
                self.assertNotIn("Searching for a JVM", road.log)
                self.assertFalse(any(line.startswith("LoadDLL") for line in road.log), road.describe())
                self.assertEqual(road.transcript, [])

    def test_manual_with_a_user(self):
        road = self.road(self.case.launcher(road_payload()), args="-manual")
        self.assertQuestionClosed(road)
        self.assertNotIn("Searching for a JVM", road.log)
        self.assertIn("No JRE included", road.log)

    def test_included_runtime_without_the_switch(self):
        # Used, not passed over for a search: this one is no archive at all.
        road = self.road(self.case.launcher(road_payload(files=self.FILES)), args="-q")
        self.assertRoadFatal(road, "The bundled JRE is corrupted. If you downloaded the setup file please download it "
                                   "again.")
        self.assertInOrder(road.log, ["JRE included", "extracting JRE", "ERROR: Could not untar JRE"], road)
        self.assertNotIn("Searching for a JVM", road.log)


class LanguageRestart(RoadCase):
    """The arguments begin with "__qmr_lang_restart": quiet, no extraction, no
    PATH change, the current directory is the program's directory."""

    def restart_dir(self, case):
        directory = case.path("restart dir")
        unix = self.wine.unix(directory)
        unix.mkdir()
        (unix / "kept.jar").write_bytes(b"PK")
        self.wine.unix(case.path("elsewhere")).mkdir()
        return directory

    def test_restart(self):
        directory = self.restart_dir(self.case)
        data = road_payload({10004: "natives", 146: "elsewhere"}, files=[("a.jar", b"PK")])
        launcher = self.case.launcher(data)
        # The marker is set, but a restart is quiet: no question.
        road = self.road(launcher, args="__qmr_lang_restart x", cwd=directory, marker=1)
        self.assertLaunched(road)
        self.assertNotIn("extracting files", road.log)
        self.assertFalse(any(line.startswith("Setting PATH (native libs)") for line in road.log), road.describe())
        self.assertInOrder(road.log, ["Quiet installer.", "Starting work", "Current working dir: " + directory,
                                      "Full JRE path: %s\\jre.tar.gz" % directory,
                                      "Checking extracted JRE: %s\\jre" % directory, "No JRE included"], road)
        self.assertEqual(road.single("jvm create cwd="), directory)
        self.assertEqual(road.single("jvm create path="), BASE_PATH + ";" + self.shared_home().lower() + "\\bin")
        self.assertEqual(road.prop("kvell.tempDir"), directory)
        self.assertEqual(road.prop("kvell.unextractedPosition"), "0")
        self.assertEqual(road.class_path, directory + "\\kept.jar;")
        self.assertEqual(road.main_args[5:], [launcher, "__qmr_lang_restart", "x"])
        self.assertEqual([p.name for p in self.case.tmp.iterdir() if p.name.endswith("_dir")], [])

    def test_which_lines_are_restarts(self):
        # (arguments, restart?)
        for args, restart in [("__qmr_lang_restart", True), ("__qmr_lang_restartX y", True),
                              ("__qmr_lang_restar", False), ("x __qmr_lang_restart", False),
                              ("__QMR_LANG_RESTART", False)]:
            with self.subTest(args=args):
                case = self.new_case()
                directory = self.restart_dir(case)
                road = self.road(case.launcher(road_payload(files=[("a.jar", b"PK")])), args=args, case=case,
                                 cwd=directory, java_home=None, marker=None if restart else "clear")
                self.assertEqual(("extracting files" in road.log, "Quiet installer." in road.log),
                                 (not restart, restart), road.describe())
                if restart:
                    self.assertEqual((road.result.exit_code, road.result.stdout), (83, "no jre found\n"),
                                     road.describe())
                else:
                    self.assertQuestionClosed(road)

    def test_program_word_is_not_the_restart(self):
        # Only the text after the program counts.
        road = self.road(self.case.launcher(road_payload(files=[("a.jar", b"PK")])), cmdline="__qmr_lang_restart x")
        self.assertLaunched(road)
        self.assertIn("extracting files", road.log)


class StartupQuestion(RoadCase):
    """An earlier installation started and did not finish (the marker is set):
    unless quiet, the user is asked whether to choose the runtime by hand."""

    def assertQuestion(self, box, answer):
        self.assertEqual((box.caption, box.text, box.button_ids, box.answer),
                         (TITLE, WIDES[20015], [IDYES, IDNO], answer))

    def test_answer_no_searches(self):
        road = self.road(self.case.launcher(road_payload()), marker=1, answer="no")
        self.assertEqual((road.result.exit_code, road.result.stderr), (0, ""), road.describe())
        self.assertEqual(len(road.result.boxes), 1, road.describe())
        self.assertQuestion(road.result.boxes[0], "no")
        self.assertIsNotNone(road.main_args, road.describe())
        self.assertInOrder(road.log, ["Init done", "Starting work", "Searching for a JVM"], road)

    def test_answer_yes_is_the_manual_choice(self):
        road = self.road(self.case.launcher(road_payload()), marker=1, answer="yes")
        self.assertQuestion(road.result.boxes[0], "yes")
        self.assertQuestionClosed(road, boxes_before=1)
        self.assertNotIn("Searching for a JVM", road.log)
        self.assertEqual(road.transcript, [])

    def test_answer_yes_with_an_included_runtime_still_asks(self):
        # Yes passes over an included runtime too: the runtime question follows.
        files = [("app.jar", b"PK"), ("jre.tar.gz", b"\x1f\x8b not really an archive")]
        road = self.road(self.case.launcher(road_payload(program_type="1", files=files)), marker=1, answer="yes,cancel")
        self.assertQuestion(road.result.boxes[0], "yes")
        self.assertQuestionClosed(road, boxes_before=1)
        self.assertIn("Included JRE not used because of manual switch", road.log)

    def test_when_nobody_is_asked(self):
        # (marker value, arguments)
        for marker, args in [(1, "-q"), (1, "-c"), (0, None), ("clear", None)]:
            with self.subTest(marker=marker, args=args):
                case = self.new_case()
                road = self.road(case.launcher(road_payload()), args=args, case=case, marker=marker, answer="no")
                self.assertLaunched(road)

    def test_any_non_zero_marker_asks(self):
        road = self.road(self.case.launcher(road_payload()), marker=0x7FFFFFFF, answer="no")
        self.assertEqual([b.answer for b in road.result.boxes], ["no"], road.describe())
        self.assertEqual(road.result.exit_code, 0, road.describe())

    def test_marker_that_does_not_fit_four_bytes(self):
        self.wine.reg_add(MARKER_KEY, MARKER_VALUE, "1", "REG_QWORD")
        road = self.road(self.case.launcher(road_payload()), marker=None, answer="no")
        self.assertLaunched(road)


class RebootNearMiss(RoadCase):

    def test_reboot_word_with_more_text_runs_normally(self):
        launcher = self.case.launcher(road_payload())
        road = self.road(launcher, args="__qmr_reboot x")
        self.assertLaunched(road)
        self.assertEqual(road.log[2], "Init")
        self.assertEqual(road.main_args[5:], [launcher, "__qmr_reboot", "x"])
        self.assertLess(road.result.elapsed, 4, "no five-second wait")


class WorkingDirectoryEntry(RoadCase):
    """Entry 146, relative to the launcher's directory, is made current at
    start; without included files it stays the working directory."""

    def test_entry_146(self):
        here = self.case.win_dir
        work = self.wine.unix(self.case.path("Work Dir"))
        work.mkdir()
        (work / "opts.txt").write_text("-Dfrom.work.dir=1\n")
        start = self.case.path("start")
        self.wine.unix(start).mkdir()
        work_dir = here + "\\Work Dir"
        # (entry 146, working directory expected)
        for value, expected in [("Work Dir", work_dir),
                                ("..\\%s\\Work Dir" % PureWindowsPath(here).name, work_dir),
                                (work_dir, work_dir),
                                ("missing", start)]:
            with self.subTest(entry_146=value):
                launcher = self.case.launcher(road_payload({146: value, 123: "-include-options opts.txt"}))
                road = self.road(launcher, cwd=start)
                self.assertLaunched(road)
                self.assertEqual(road.single("jvm create cwd="), expected)
                self.assertIn("Current working dir: " + expected, road.log)
                # A relative include is taken against that directory.
                self.assertEqual("-Dfrom.work.dir=1" in road.options, expected != start, road.describe())

    def test_extraction_dir_wins(self):
        self.wine.unix(self.case.path("Work Dir")).mkdir()
        road = self.road(self.case.launcher(road_payload({146: "Work Dir"}, files=[("a.jar", b"PK")])))
        self.assertLaunched(road)
        self.assertEqual(road.single("jvm create cwd="), road.log_value("Temp dir: "))


if __name__ == "__main__":
    unittest.main()

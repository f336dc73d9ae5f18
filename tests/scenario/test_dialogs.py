"""The launcher's own windows with a user present: the progress dialog (template
103, class MyDialogClass) that hosts the work until the Java program shows a
window, and the runtime question (template 104) with the manual choice of a
java.exe. Real windows under Wine and Xvfb, driven through wintool.exe, showing
the texts kvellpack writes when a project sets none; the screenshots land in
the build directory (docs/dialogs/ keeps copies)."""

import unittest

from road import RoadCase, kvellpack_texts, road_payload
from wineharness import FILE_NAME_FIELD, Config, control, image_facts

DOWNLOAD, BROWSE, IDOK, IDCANCEL = 1004, 1005, 1, 2
MESSAGE, BAR, STATUS = 1003, 1001, 1002
LEAVE = (BROWSE, FILE_NAME_FIELD)
SHOTS = Config.build_dir / "screenshots"
TITLE = "Hello Setup"
WINDOWED = {"KVELL_STANDIN_WINDOW_TITLE": "Road Program"}
TEXTS = {}  # the wide texts of a project without any: kvellpack's defaults


def payload(entries=None, files=()):
    return road_payload(entries, files=files, wides=TEXTS, program_type="1")


def question_text(key, suffix=""):
    return TEXTS[key].replace("%S", "64") + suffix


class Dialogs(RoadCase):

    @classmethod
    def setUpClass(cls):
        if not Config.kvellpack.exists():
            raise unittest.SkipTest("kvellpack was not built: %s" % Config.kvellpack)
        super().setUpClass()
        TEXTS.update(kvellpack_texts('program_type = 1\ninclude_runtime_jar = false\napp_title = "%s"\n' % TITLE,
                                     Config.build_dir / "dialogs-project"))

    def spawn(self, launcher, **kwargs):
        run = self.spawn_road(launcher, leave=LEAVE, timeout=60, **kwargs)
        return run, run.started.pid

    def window(self, pid, cls, title=TITLE, visible=True, timeout=20):
        hwnd = self.wine.wait_window(pid, cls, title, timeout=timeout, visible=visible)
        self.assertIsNotNone(hwnd, "no %s window %r" % (cls, title))
        return hwnd

    def shot(self, name, dump):
        SHOTS.mkdir(parents=True, exist_ok=True)
        path = self.wine.screenshot(SHOTS / name, dump["rect"])
        left, top, right, bottom = dump["rect"]
        width, height, colours, kind = image_facts(path)
        self.assertEqual((width, height, kind), (right - left, bottom - top, "PNG"))
        self.assertGreater(colours, 2, "a picture, not a blank: %s" % path)

    def texts(self, dump):
        return {c["id"]: (c["text"], c["visible"]) for c in dump["controls"] if c["class"] == "Button"}

    # -- the progress dialog --

    def test_progress_dialog_stays_until_the_program_ends_without_a_window(self):
        # A program that never opens a window: the dialog stays, the bar moves
        # within 0..80 (and never past 70), and the process ends with the program.
        run, pid = self.spawn(self.case.launcher(payload()), env={"KVELL_STANDIN_MAIN_SLEEP_MS": "4000"})
        dialog = self.window(pid, "MyDialogClass")
        dump = self.wine.dump_window(dialog)
        self.assertEqual((dump["title"], dump["style"] & 0x10000000, dump["exstyle"] & 0x40000),
                         (TITLE, 0x10000000, 0x40000), dump)
        self.assertEqual(control(dump, MESSAGE)["text"], TEXTS[20007])
        self.assertEqual(control(dump, IDCANCEL)["text"], TEXTS[20012])
        self.assertFalse(control(dump, STATUS)["visible"])
        icon = [c for c in dump["controls"] if c["id"] == -1]
        self.assertTrue(icon and icon[0].get("icon"), dump)
        self.shot("progress.png", dump)
        # The marker is set while the program runs...
        self.assertEqual(self.marker_value(), 1)
        road = run.finish()
        self.assertEqual((road.result.exit_code, road.result.stderr), (0, ""), road.describe())
        self.assertEqual(road.log[-3:], ["dest JVM", "launch done", ""], road.describe())
        self.assertNotIn("Java window visible", road.log)
        # ... and cleared by its good end.
        self.assertEqual(self.marker_value(), 0)
        bar = control(dump, BAR)
        self.assertEqual(bar["range"], [0, 80], dump)
        self.assertTrue(1 <= bar["pos"] <= 70, bar)

    def test_watcher_hides_the_dialog_when_the_program_window_shows(self):
        env = dict(WINDOWED, KVELL_STANDIN_MAIN_SLEEP_MS="1500", KVELL_STANDIN_WINDOW_MS="2500")
        run, pid = self.spawn(self.case.launcher(payload()), env=env)
        dialog = self.window(pid, "MyDialogClass")
        self.window(pid, None, "Road Program")
        hidden = self.window(pid, "MyDialogClass", visible=False, timeout=5)
        self.assertEqual(hidden, dialog)
        self.assertFalse(self.wine.dump_window(dialog)["visible"])
        road = run.finish()
        self.assertEqual(road.result.exit_code, 0, road.describe())
        self.assertIn("Java window visible", road.log)

    def test_cancel_enter_and_close_box_end_the_progress_dialog(self):
        # Each ends the run: "Canceled installer", the marker cleared. Once the
        # program has started the exit code is 0; before (here: while the
        # runtime's "java -version", asked for the first time, takes its time)
        # it is 1 and nothing starts.
        slow_search = ({126: "1.6"}, {"KVELL_STANDIN_JAVA_SLEEP_MS": "20000"}, 1)
        started = ({}, {"KVELL_STANDIN_MAIN_SLEEP_MS": "20000"}, 0)
        for how, (entries, env, code) in [("cancel", started), ("enter", started), ("close", started),
                                          ("cancel", slow_search)]:
            with self.subTest(how=how, code=code):
                case = self.new_case()
                home = self.home(case=case) if code == 1 else "shared"
                run, pid = self.spawn(case.launcher(payload(entries)), case=case, env=env, java_home=home)
                dialog = self.window(pid, "MyDialogClass")
                {"cancel": lambda: self.wine.click(dialog, IDCANCEL), "enter": lambda: self.wine.key(dialog, "enter"),
                 "close": lambda: self.wine.close_window(dialog)}[how]()
                road = run.finish()
                self.assertEqual(road.result.exit_code, code, road.describe())
                self.assertLess(road.result.elapsed, 15, road.describe())
                self.assertIn("Canceled installer", road.log)
                self.assertEqual("jvm create -> 0" in road.transcript, code == 0, road.describe())
                self.assertEqual(self.marker_value(), 0)

    # -- the runtime question --

    def test_question_with_download_offered(self):
        launcher = self.case.launcher(payload({150: "http://127.0.0.1:9/jre.tar.gz", 126: "11", 127: "21"}))
        run, pid = self.spawn(launcher, java_home=None)
        question = self.window(pid, "#32770")
        dump = self.wine.dump_window(question)
        self.assertEqual(control(dump, MESSAGE)["text"],
                         question_text(20005, " (%s 11, %s 21)" % (TEXTS[20019], TEXTS[20020])))
        self.assertEqual(self.texts(dump), {DOWNLOAD: (TEXTS[20010], True), BROWSE: (TEXTS[20011], True),
                                            IDCANCEL: (TEXTS[20012], True)})
        self.assertEqual(dump["default_id"], DOWNLOAD)
        # Set before the search, still set while the user is asked.
        self.assertEqual(self.marker_value(), 1)
        self.shot("question.png", dump)
        # Enter is the download; nothing listens at that port, so it fails with 20003.
        self.wine.key(question, "enter")
        road = run.finish()
        self.assertEqual(road.result.exit_code, 1, road.describe())
        self.assertEqual([b.text.split("\n")[0] for b in road.result.boxes], [TEXTS[20003]], road.describe())
        self.assertInOrder(road.log, ["Download location: http://127.0.0.1:9/jre.tar.gz", "Downloading JRE"], road)

    def test_question_without_download_and_its_cancels(self):
        # No URL: no download button, text 20006. Cancel, Escape and the close
        # box end the process with 1 and clear the marker.
        for how in ["cancel", "escape", "close"]:
            with self.subTest(how=how):
                case = self.new_case()
                run, pid = self.spawn(case.launcher(payload({127: "1.8"})), case=case, java_home=None)
                question = self.window(pid, "#32770")
                dump = self.wine.dump_window(question)
                self.assertEqual(control(dump, MESSAGE)["text"], question_text(20006, " (%s 1.8)" % TEXTS[20020]))
                self.assertFalse(control(dump, DOWNLOAD)["visible"])
                {"cancel": lambda: self.wine.click(question, IDCANCEL),
                 "escape": lambda: self.wine.key(question, "escape"),
                 "close": lambda: self.wine.close_window(question)}[how]()
                road = run.finish()
                self.assertEqual((road.result.exit_code, road.result.boxes), (1, []), road.describe())
                self.assertEqual(self.marker_value(), 0)
                self.assertEqual(road.transcript, [])

    def test_choosing_java_exe_by_hand(self):
        # A java.exe that is no runtime is refused (its message box answered by
        # the runner) and the question stays; the stand-in's is taken, remembered
        # and started.
        bad = self.case.dir / "bad" / "java.exe"
        bad.parent.mkdir()
        bad.write_bytes(b"MZ not a program")
        good = self.shared_home() + r"\bin\java.exe"
        run, pid = self.spawn(self.case.launcher(payload()), java_home=None, env=WINDOWED)
        question = self.window(pid, "#32770")
        for chosen in [self.case.path("bad", "java.exe"), good]:
            self.wine.click(question, BROWSE)
            self.assertTrue(self.wine.choose_file(pid, TEXTS[20004], chosen), chosen)
            if chosen != good:
                # Still asking once the error has been answered.
                self.assertEqual(self.window(pid, "#32770"), question)
        road = run.finish()
        self.assertEqual(road.result.exit_code, 0, road.describe())
        self.assertEqual(len(road.result.boxes), 1, road.describe())
        self.assertIn("Chosen Java executable: " + good, road.log)
        self.assertIsNotNone(road.main_args, road.describe())
        located = self.wine.wine(["reg", "query", r"HKCU\SOFTWARE\brisco-labworks\kvell\locatedjvms", "/s"],
                                 check=False).stdout.decode("utf-8", "replace")
        located += self.wine.wine(["reg", "query", r"HKLM\SOFTWARE\brisco-labworks\kvell\locatedjvms", "/s"],
                                  check=False).stdout.decode("utf-8", "replace")
        # Key names hold no backslash: the path is kept with slashes.
        self.assertIn(good.lower().replace("\\", "/"), located.lower())

    def test_question_scales_with_the_screen_dpi(self):
        # The dialogs are laid out in dialog units of their font: at 144 DPI
        # everything is half as large again, the icon included.
        sizes = {}
        self.addCleanup(self.set_dpi, 96)
        for dpi in [96, 144]:
            self.set_dpi(dpi)
            case = self.new_case()
            run, pid = self.spawn(case.launcher(payload({150: "http://127.0.0.1:9/"})), case=case, java_home=None)
            question = self.window(pid, "#32770")
            dump = self.wine.dump_window(question)
            sizes[dpi] = (dump["client"], [c["rect"] for c in dump["controls"] if c["id"] == -1][0])
            if dpi == 144:
                self.shot("question-144dpi.png", dump)
            self.wine.click(question, IDCANCEL)
            self.assertEqual(run.finish().result.exit_code, 1)
        (w96, h96), icon96 = sizes[96]
        (w144, h144), icon144 = sizes[144]
        # (Font metrics round: about, not exactly, half as large again.)
        self.assertAlmostEqual(w144 / w96, 1.5, delta=0.12, msg=sizes)
        self.assertAlmostEqual(h144 / h96, 1.5, delta=0.12, msg=sizes)
        self.assertGreater(icon144[2] - icon144[0], icon96[2] - icon96[0], sizes)

    def set_dpi(self, dpi):
        self.wine.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), "REG_DWORD")

    # -- without the progress dialog (entry 155) --

    def test_no_progress_dialog_opens_it_only_for_the_question(self):
        launcher = self.case.launcher(payload({155: "1"}))
        road = self.road(launcher, env=dict(WINDOWED, KVELL_STANDIN_WINDOW_MS="300"))
        self.assertEqual((road.result.exit_code, road.result.boxes), (0, []), road.describe())
        self.assertIn("jvm window shown Road Program", road.transcript)
        self.assertNotIn("Java window visible", road.log, "no dialog, no watcher")

        # No runtime: the dialog comes to host the question. Its cancel (here
        # while the question is still open) ends the run (1) rather than
        # launch without a runtime.
        case = self.new_case()
        run, pid = self.spawn(case.launcher(payload({155: "1"})), case=case, java_home=None)
        self.window(pid, "#32770")
        progress = self.window(pid, "MyDialogClass")
        self.wine.click(progress, IDCANCEL)
        road = run.finish()
        self.assertEqual(road.result.exit_code, 1, road.describe())
        self.assertIn("Canceled installer", road.log)
        self.assertNotIn("Creating JVM", road.log)
        self.assertEqual(self.marker_value(), 0)


if __name__ == "__main__":
    unittest.main()

"""The launch: loading jvm.dll (the VM kinds, the JDK's runtime, PATH), the JNI
calls the stand-in JVM records, main's array, the first-run hook of the
installer flavour, and every way the launch fails."""

import shutil
import unittest

from road import (BASE_PATH, CAPTION, FIRST_RUN_CLASS, LAUNCHER_CLASS, MAIN_SIGNATURE, MESSAGES,
                  NO_RUNTIME_QUESTION, STANDIN, RoadCase, road_payload)

KINDS = ["hotspot", "client", "server", "classic", "jrockit"]
MAIN_CALL = "jvm CallStaticVoidMethod %s.main%s" % (LAUNCHER_CLASS, MAIN_SIGNATURE)
FIRST_RUN_CALL = "jvm CallStaticBooleanMethod %s.firstRun()Z" % FIRST_RUN_CLASS


def path_settings(road):
    """The values of the "Setting PATH" lines of the JVM library loading."""
    return [value for value in road.log_values("Setting PATH ") if not value.startswith("(native libs) ")]


class Transcript(RoadCase):

    def test_calls_and_main_array(self):
        entries = {122: "Main\u00e9\u20ac", 102: "1", 103: "docs\\Read Me.txt", 104: "1",
                   105: "${KVELL_EXEDIR}..\\Other\\X.TXT", 106: "1", 124: '--one "two three" ${KVELL_EXEDIR}x'}
        launcher = self.case.launcher(road_payload(entries, program_type="1"))
        road = self.road(launcher, args="a \"b c\" 'd'")
        self.assertLaunched(road)
        here = self.case.win_dir
        args = ["true",
                # Each byte of entry 122 widened: 0x80 is U+0080, not the euro sign.
                "Main\u00e9\u0080",
                here + "\\docs\\Read Me.txt",
                "C:\\kvell\\Other\\X.TXT",
                "true",
                launcher,
                "--one", "two three", here + "\\x",
                "a", "b c", "d"]
        options = road.all_options
        bin_dir = self.shared_home().lower() + "\\bin"
        self.assertEqual(road.jvm(), [
            "jvm loaded %s\\server\\jvm.dll" % bin_dir,
            "jvm create version=0x00010002 nOptions=%d ignoreUnrecognized=1" % len(options),
            "jvm create path=%s;%s" % (BASE_PATH, bin_dir),
            "jvm create cwd=" + here,
        ] + ["jvm option %d: %s" % item for item in enumerate(options)] + [
            "jvm create -> 0",
            "jvm FindClass " + LAUNCHER_CLASS,
            "jvm GetStaticMethodID %s main %s" % (LAUNCHER_CLASS, MAIN_SIGNATURE),
            "jvm FindClass java/lang/String",
            "jvm NewObjectArray %d java/lang/String" % len(args),
            MAIN_CALL,
            "jvm args %d" % len(args),
        ] + ["jvm arg %d: %s" % item for item in enumerate(args)] + [
            "jvm return",
            "jvm ExceptionOccurred -> null",
            "jvm DestroyJavaVM",
        ])
        self.assertInOrder(road.log, ["launching program", "Creating JVM", "JVM created",
                                      "main class: " + LAUNCHER_CLASS, "param count: 12",
                                      "param 5: " + launcher, "calling main", "main returned", "dest JVM",
                                      "launch done"], road)

    def test_settings_elements(self):
        # (entries, elements 0 to 4)
        for entries, expected in [
            ({107: "0"}, ["false", "", "", "", "false"]),
            ({107: "5", 106: "2"}, ["false", "", "", "", "true"]),
            ({107: "1", 106: "abc"}, ["true", "", "", "", "false"]),
            ({103: "a.txt", 105: "b.txt", 102: "0", 122: "x y"}, ["false", "x y", "", "", "false"]),
            ({103: "C:\\Abs\\..\\Path.TXT", 104: "1"}, ["false", "", "", "{here}\\", "false"]),
        ]:
            with self.subTest(entries=entries):
                case = self.new_case()
                launcher = case.launcher(road_payload(entries, program_type=entries.get(107, "0")))
                road = self.road(launcher, case=case)
                self.assertEqual(road.result.exit_code, 0, road.describe())
                self.assertEqual(road.main_args[:5], [e.replace("{here}", case.win_dir) for e in expected])

    def test_program_word_as_written(self):
        launcher = self.case.launcher(road_payload({124: "p"}))
        for cmdline, expected in [
            ("app.exe x", ["app.exe", "p", "x"]),
            ('"%s"' % launcher.upper(), [launcher.upper(), "p"]),
            ("'a b' -q", ["a b", "p", "-q"]),
        ]:
            with self.subTest(cmdline=cmdline):
                road = self.road(launcher, cmdline=cmdline, cwd=self.case.win_dir)
                self.assertLaunched(road)
                self.assertEqual(road.main_args[5:], expected)

    def test_arguments_outside_the_code_page(self):
        launcher = self.case.launcher(road_payload({124: "caf\u00e9"}))
        road = self.road(launcher, args="\u65e5\u672c '\u00e9 \u20ac'")
        self.assertLaunched(road)
        self.assertEqual(road.main_args[5:], [launcher, "caf\u00e9", "\u65e5\u672c", "\u00e9 \u20ac"])

    def test_destroy_waits_for_the_program(self):
        # main returns while the program's window is open: the JVM is
        # destroyed when the window's thread has ended, and not before.
        road = self.road(self.case.launcher(road_payload()), env={"KVELL_STANDIN_WINDOW_MS": "400"})
        self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stderr), (0, [], ""), road.describe())
        self.assertInOrder(road.transcript, [MAIN_CALL, "jvm return", "jvm DestroyJavaVM", "jvm window closed"], road)
        self.assertGreaterEqual(road.result.elapsed, 0.4)
        # (The launch watcher logs from its own thread.)
        self.assertEqual([line for line in road.log if line != "Java window visible"][-3:],
                         ["dest JVM", "launch done", ""])

    def test_unbalanced_quote_in_entry_124(self):
        road = self.road(self.case.launcher(road_payload({124: "'open"})))
        self.assertRoadFatal(road, MESSAGES[1007])
        self.assertIn("jvm create -> 0", road.transcript)
        self.assertNotIn(MAIN_CALL, road.transcript)


class LoadingJvmDll(RoadCase):
    """Part of the search: jvm.dll found in the bin directory by VM kind."""

    def trying(self, bin_dir, kinds_and_existence):
        return ["Trying %s\\%s\\jvm.dll (exists %d)" % (bin_dir, kind, exists) for kind, exists in kinds_and_existence]

    def test_kinds_in_order(self):
        # (kinds laid out, entry 152, kinds tried with existence, kind loaded)
        for kinds, preferred, tried, loaded in [
            (["jrockit"], None, [("hotspot", 0), ("client", 0), ("server", 0), ("classic", 0), ("jrockit", 1)],
             "jrockit"),
            (["client", "server"], None, [("hotspot", 0), ("client", 1)], "client"),
            (["client", "server"], "server", [("server", 1)], "server"),
            (["server"], "client", [("client", 0), ("hotspot", 0), ("client", 0), ("server", 1)], "server"),
            (["custom vm"], "custom vm", [("custom vm", 1)], "custom vm"),
        ]:
            with self.subTest(kinds=kinds, entry_152=preferred):
                case = self.new_case()
                home = self.home(case=case, kinds=kinds)
                entries = {} if preferred is None else {152: preferred}
                road = self.road(case.launcher(road_payload(entries)), case=case, java_home=home)
                self.assertLaunched(road)
                bin_dir = home.lower() + "\\bin"
                self.assertEqual([line for line in road.log if line.startswith("Trying ")],
                                 ["Trying to load JVM-DLL from %s\\java.exe" % bin_dir] + self.trying(bin_dir, tried))
                self.assertEqual(road.transcript[road.transcript.index("java exit 0") + 1:][:1],
                                 ["jvm loaded %s\\%s\\jvm.dll" % (bin_dir, loaded)])
                self.assertEqual(path_settings(road), ["%s;%s" % (BASE_PATH, bin_dir)])

    def test_runtime_inside_a_jdk(self):
        # Found through the search path as the JDK's own java.exe, whose bin has
        # no jvm.dll: PATH is restored, then the JDK's jre\bin is tried.
        home = self.home("jdk", jdk=True)
        path = home + "\\bin;" + BASE_PATH
        data = road_payload({128: "Sjava", 123: "-Dhome=${launcher:sys.jvmHome}"})
        road = self.road(self.case.launcher(data), java_home=None, path=path)
        self.assertLaunched(road)
        bin_dir = home.lower() + "\\bin"
        retry = bin_dir + "\\..\\jre\\bin"
        self.assertEqual([line for line in road.log if line.startswith("Trying ")],
                         ["Trying to load JVM-DLL from %s\\java.exe" % bin_dir]
                         + self.trying(bin_dir, [(kind, 0) for kind in KINDS])
                         + self.trying(retry, [("hotspot", 0), ("client", 0), ("server", 1)]))
        self.assertEqual(path_settings(road), [path + ";" + bin_dir, path, path + ";" + retry])
        self.assertEqual(road.single("jvm create path="), path + ";" + retry)
        self.assertTrue(road.single("jvm loaded ").lower().endswith("\\jdk\\jre\\bin\\server\\jvm.dll"),
                        road.describe())
        # The runtime's home comes from the executable found, not from the retry.
        self.assertIn("-Dhome=%s\\.." % bin_dir, road.options)

    def test_no_jvm_dll_at_all(self):
        home = self.home(kinds=[])
        for args in ["-q", None]:
            with self.subTest(args=args):
                road = self.road(self.case.launcher(road_payload()), args=args, java_home=home)
                if args == "-q":
                    self.assertEqual((road.result.exit_code, road.result.stdout), (83, "no jre found\n"),
                                     road.describe())
                else:
                    # With a user present the runtime question follows (the runner closes it).
                    self.assertEqual(road.result.exit_code, 1, road.describe())
                    self.assertEqual([b.text for b in road.result.boxes], [NO_RUNTIME_QUESTION], road.describe())
                bin_dir = home.lower() + "\\bin"
                retry = bin_dir + "\\..\\jre\\bin"
                # PATH is restored after each bin directory that loaded nothing.
                self.assertEqual(path_settings(road),
                                 [BASE_PATH + ";" + bin_dir, BASE_PATH, BASE_PATH + ";" + retry, BASE_PATH])
                self.assertInOrder(road.log, ["ERROR: Could not get DLL-Handle.", "ERROR: Could not load functions"] +
                                   (["ERROR: No JRE found"] if args else ["Download location: "]), road)
                self.assertFalse(any(line.startswith("jvm ") for line in road.transcript), road.describe())

    def test_library_without_the_entry_point(self):
        # A loadable module that is no JVM: it stays loaded, PATH keeps its bin.
        home = self.home()
        dll = self.wine.unix(home + "\\bin\\server\\jvm.dll")
        dll.unlink()
        shutil.copy2(STANDIN / "bin" / "unpack200.exe", dll)
        road = self.road(self.case.launcher(road_payload()), args="-q", java_home=home)
        self.assertEqual((road.result.exit_code, road.result.stdout), (83, "no jre found\n"), road.describe())
        self.assertIn("ERROR: Could not load functions", road.log)
        self.assertNotIn("ERROR: Could not get DLL-Handle.", road.log)
        self.assertEqual(path_settings(road), [BASE_PATH + ";" + home.lower() + "\\bin"])


class LaunchFailures(RoadCase):
    """Each way the launch fails, with its message and exit code (program type 0:
    messages on standard error)."""

    def test_fatal_failures(self):
        # (knobs, message, log lines in order, last transcript line of the JVM)
        for knobs, message, lines, last in [
            ({"KVELL_STANDIN_CREATE_RESULT": "-1"}, MESSAGES[1005],
             ["Creating JVM", "ERROR: could not initialize JVM", "ERROR: Could not start JVM"], "jvm create -> -1"),
            ({"KVELL_STANDIN_MISSING_CLASSES": LAUNCHER_CLASS}, MESSAGES[1010],
             ["JVM created", "main class: " + LAUNCHER_CLASS, "ERROR: could not find main class"],
             "jvm FindClass %s -> null" % LAUNCHER_CLASS),
            ({"KVELL_STANDIN_MISSING_METHODS": "main"}, MESSAGES[1011], ["ERROR: could not find main method"],
             "jvm GetStaticMethodID %s main %s -> null" % (LAUNCHER_CLASS, MAIN_SIGNATURE)),
            ({"KVELL_STANDIN_NULL_ARRAY": "1"}, MESSAGES[1005],
             ["param count: 6", "ERROR: paramArray could not be created (the JVM is out of memory)"],
             "jvm NewObjectArray 6 java/lang/String -> null"),
            ({"KVELL_STANDIN_NULL_STRING": "2"}, MESSAGES[1005],
             ["param 1: ", "param 2: ", "ERROR: jstr could not be created (the JVM is out of memory)"],
             "jvm NewString #2 -> null"),
        ]:
            with self.subTest(knobs=knobs):
                case = self.new_case()
                road = self.road(case.launcher(road_payload()), case=case, env=knobs)
                before = self.assertRoadFatal(road, message)
                self.assertEqual(before, "", road.describe())
                self.assertInOrder(road.log, lines, road)
                # Nothing follows but the exception the failed call left pending.
                self.assertEqual([line for line in road.jvm() if not line.startswith("jvm throw ")][-1], last,
                                 road.describe())

    def test_exception_in_main(self):
        road = self.road(self.case.launcher(road_payload()), env={"KVELL_STANDIN_THROW": "main"})
        before = self.assertRoadFatal(road, MESSAGES[1005])
        exception = "java.lang.RuntimeException: standin: exception thrown by main"
        self.assertEqual(before, 'Exception in thread "main" %s\n\tat standin.Jvm(standin)\n' % exception)
        self.assertInOrder(road.log, ["calling main", "main returned", "ERROR: an exception occured",
                                      "ERROR: could not call main", "ERROR: Could not start JVM"], road)
        # ExceptionDescribe clears the exception: nothing follows.
        self.assertEqual(road.jvm()[-3:], [
            "jvm throw " + exception, "jvm ExceptionOccurred -> java.lang.RuntimeException",
            "jvm ExceptionDescribe " + exception], road.describe())
        self.assertNotIn("jvm DestroyJavaVM", road.transcript)

    def test_message_box_for_windowed_programs(self):
        road = self.road(self.case.launcher(road_payload(program_type="1")),
                         env={"KVELL_STANDIN_CREATE_RESULT": "-6"})
        self.assertFatalBox(road.result, MESSAGES[1005], caption=CAPTION)

    def test_program_ends_the_process(self):
        road = self.road(self.case.launcher(road_payload()), env={"KVELL_STANDIN_MAIN_EXIT": "42"})
        self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stderr), (42, [], ""), road.describe())
        self.assertEqual(road.jvm()[-1], "jvm exit 42")
        self.assertIn("calling main", road.log)
        self.assertNotIn("main returned", road.log)


class FirstRunHook(RoadCase):
    """Installer flavour: with the marker <entry 10003>\\.quillmere\\firstrun,
    FirstRun.firstRun() decides whether main is called."""

    def launch(self, flavour="i", marker_dir="", entries=None, knobs=None):
        case = self.new_case()
        if marker_dir is not None:
            marker = case.dir / marker_dir / ".quillmere" / "firstrun"
            marker.parent.mkdir(parents=True)
            marker.write_bytes(b"")
        all_entries = {2001: flavour}
        all_entries.update(entries or {})
        return self.road(case.launcher(road_payload(all_entries)), case=case, env=knobs or {})

    def first_run_calls(self):
        return ["jvm FindClass " + FIRST_RUN_CLASS,
                "jvm GetStaticMethodID %s firstRun ()Z" % FIRST_RUN_CLASS,
                FIRST_RUN_CALL]

    def test_hook_decides(self):
        with self.subTest("true: main follows"):
            road = self.launch()
            self.assertLaunched(road)
            self.assertInOrder(road.transcript, self.first_run_calls() + ["jvm return true", MAIN_CALL], road)
        with self.subTest("false: stopped quietly"):
            road = self.launch(knobs={"KVELL_STANDIN_FIRSTRUN_RESULT": "false"})
            self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout, road.result.stderr),
                             (0, [], "", ""), road.describe())
            self.assertEqual(road.jvm()[-6:], self.first_run_calls() + [
                "jvm return false", "jvm ExceptionOccurred -> null", "jvm DestroyJavaVM"])
            self.assertEqual(road.log[-5:], ["JVM created", "checkFirstRun stopped further execution", "dest JVM",
                                             "launch done", ""])
        with self.subTest("exception: described, stopped quietly"):
            road = self.launch(knobs={"KVELL_STANDIN_THROW": "firstRun"})
            self.assertEqual(road.result.exit_code, 0, road.describe())
            self.assertTrue(road.result.stderr.startswith('Exception in thread "main" java.lang.RuntimeException'),
                            road.describe())
            self.assertNotIn(MAIN_CALL, road.transcript)
            self.assertIn("checkFirstRun stopped further execution", road.log)
            self.assertEqual(road.jvm()[-1], "jvm DestroyJavaVM")

    def test_missing_class_or_method(self):
        for knobs, detail in [({"KVELL_STANDIN_MISSING_CLASSES": FIRST_RUN_CLASS}, "14"),
                              ({"KVELL_STANDIN_MISSING_METHODS": FIRST_RUN_CLASS + ".firstRun"}, "15")]:
            with self.subTest(detail=detail):
                road = self.launch(knobs=knobs)
                self.assertRoadFatal(road, MESSAGES[1009].replace("{0}", detail))
                self.assertNotIn("jvm FindClass " + LAUNCHER_CLASS, road.transcript)

    def test_when_the_hook_is_not_asked(self):
        for label, kwargs in [("no marker", {"marker_dir": None}),
                              ("launcher flavour", {"flavour": "e"}),
                              ("no flavour", {"flavour": ""}),
                              ("marker elsewhere than entry 10003", {"entries": {10003: "data dir"}})]:
            with self.subTest(label):
                road = self.launch(**kwargs)
                self.assertLaunched(road)
                self.assertNotIn("jvm FindClass " + FIRST_RUN_CLASS, road.transcript)

    def test_marker_under_entry_10003(self):
        road = self.launch(marker_dir="data dir", entries={10003: "data dir"},
                           knobs={"KVELL_STANDIN_FIRSTRUN_RESULT": "false"})
        self.assertEqual(road.result.exit_code, 0, road.describe())
        self.assertIn(FIRST_RUN_CALL, road.transcript)
        self.assertNotIn(MAIN_CALL, road.transcript)


if __name__ == "__main__":
    unittest.main()

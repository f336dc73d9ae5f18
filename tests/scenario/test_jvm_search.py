"""Finding a Java runtime on the machine, under Wine with the stand-in runtime
(tests/standin): the version run of java.exe and its bound, the version cache
in the registry, the search sequence's entries, the JavaSoft keys and the
located JVMs, and the Pack200 restoration with the runtime's own unpack200."""

import shutil
import struct
import unittest

from payload import Payload
from wineharness import Config, ScenarioCase, read_log

STANDIN = Config.build_dir / "windows" / "tests" / "standin"
CACHE_KEY = r"HKCU\SOFTWARE\brisco-labworks\kvell\jvms"
LOCATED_KEY = r"SOFTWARE\brisco-labworks\kvell\locatedjvms"
JAVASOFT_JRE = r"HKLM\SOFTWARE\JavaSoft\Java Runtime Environment"
PROGRAM_FILES = r"C:\Program Files"
# The installation marker stays set after a run that loads no real program; the
# next run would ask whether to pick the runtime by hand.
MARKER_KEY = r"HKCU\SOFTWARE\brisco-labworks\kvell"


def payload(sequence, entries=None):
    strings = {107: "1", 1000: "Test Setup", 1009: "Internal error {0}", 2001: "i", 122: "Main", 128: sequence}
    strings.update(entries or {})
    return Payload(strings=strings, wides={20013: "Test Setup"})


@unittest.skipUnless((STANDIN / "jre").is_dir(), "the stand-in runtime was not built")
class JvmSearch(ScenarioCase):

    def runtime(self, name="jre", source="jre", knobs=None, case=None):
        """A copy of a stand-in home in the case directory; knobs go to its bin\\standin.env."""
        case = case or self.case
        parts = name.split("\\")
        target = case.dir.joinpath(*parts)
        shutil.copytree(STANDIN / source, target)
        if knobs:
            (target / "bin" / "standin.env").write_text(
                "".join("%s=%s\n" % item for item in knobs.items()))
        return case.path(*parts)

    def launch(self, launcher, case=None, **kwargs):
        case = case or self.case
        env = {"KVELL_LOG": "yes", "KVELL_STANDIN_TRANSCRIPT": case.path("transcript.txt")}
        env.update(kwargs.pop("env", {}))
        self.wine.reg_delete(MARKER_KEY, "InstallStarted")
        result = case.run(launcher, env=env, **kwargs)
        logs = case.logs()
        return result, read_log(logs[-1]) if logs else ""

    def transcript(self, case=None):
        path = (case or self.case).dir / "transcript.txt"
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []

    def assertInOrder(self, text, parts):
        at = 0
        for part in parts:
            found = text.find(part, at)
            self.assertGreaterEqual(found, 0, "%r not found in order in:\n%s" % (part, text))
            at = found + len(part)

    def test_version_run_once_then_from_the_cache(self):
        home = self.runtime()
        launcher = self.case.launcher(payload("Rjre"))
        result, log = self.launch(launcher)
        self.assertCleanRun(result)
        java = home.lower() + r"\bin\java.exe"
        self.assertInOrder(log, ["Testing location jre (type R)", "got version from execution 17.0.2",
                                 "Trying to load JVM-DLL from " + java[:-len("java.exe")] + "javaw.exe",
                                 "Loading of JVM-DLL successful"])
        # The program is quoted on the command line; standard error was read from the file.
        self.assertIn('java run %s cmdline="%s" -version' % (java, java), self.transcript())

        key = CACHE_KEY + "\\" + java.replace("\\", "/")
        self.assertEqual(self.wine.reg_query(key, "Version"), "17.0.2")
        self.assertEqual(len(self.wine.reg_query(key, "LastWriteTime")), 16, "8 bytes")
        self.assertEqual(list((self.case.tmp).glob("kvl*")), [], "the error file is deleted")

        result, log = self.launch(launcher)
        self.assertCleanRun(result)
        self.assertIn("got version from registry 17.0.2", log)
        self.assertEqual(sum(line.startswith("java run") for line in self.transcript()), 1)

    def test_path_with_blanks(self):
        home = self.runtime(r"Program Files\my jre")
        result, log = self.launch(self.case.launcher(payload(r"RProgram Files\my jre")))
        self.assertCleanRun(result)
        short = self.wine.short_path(home + r"\bin\java.exe")
        [run] = [line for line in self.transcript() if line.startswith("java run")]
        self.assertTrue(run.lower().endswith(('cmdline="%s" -version' % short).lower()), run)
        self.assertIn("got version from execution 17.0.2", log)

    def test_limits_and_the_final_pass(self):
        self.runtime(knobs={"KVELL_STANDIN_JAVA_FIRST_LINE": 'java version "1.6.0_45"'})
        result, log = self.launch(self.case.launcher(payload("Rjre", {126: "1.7"})))
        self.assertCleanRun(result)
        self.assertInOrder(log, ["got version from execution 1.6.0_45", "checkJavaExe returning 0",
                                 "Testing relative location jre", r"\jre\bin\java.exe exists",
                                 "Loading of JVM-DLL successful"])

    def test_failed_version_run_is_cached_as_refused(self):
        self.runtime(knobs={"KVELL_STANDIN_JAVA_EXIT": "3"})
        self.runtime("other")
        launcher = self.case.launcher(payload("Rjre;Rother"))
        for run in (1, 2):
            result, log = self.launch(launcher)
            self.assertCleanRun(result)
            self.assertIn("Testing location other (type R)", log)
        self.assertIn("got version from registry 1.0.0", log)
        self.assertEqual(sum(line.startswith("java run " + self.case.path("jre").lower())
                             for line in self.transcript()), 1)

    def test_search_path_environment_and_registry_entries(self):
        home = self.runtime()
        with self.subTest("S"):
            result, log = self.launch(self.case.launcher(payload("Sa label")),
                                      env={"PATH": home + r"\bin;C:\windows\system32;C:\windows"})
            self.assertCleanRun(result)
            self.assertInOrder(log, ["Testing location a label (type S)",
                                     "checkJavaExe (" + home + r"\bin\java.exe", "Loading of JVM-DLL successful"])
        with self.subTest("E"):
            result, log = self.launch(self.case.launcher(payload("EMY_JAVA")),
                                      env={"MY_JAVA": home.replace("\\", "/")})
            self.assertCleanRun(result)
            self.assertIn("checkJavaExe (" + home + r"\bin\java.exe", log)
            self.assertIn("Loading of JVM-DLL successful", log)
        with self.subTest("Y"):
            self.wine.reg_add(JAVASOFT_JRE, "CurrentVersion", "17")
            self.wine.reg_add(JAVASOFT_JRE + r"\17", "JavaHome", home)
            try:
                result, log = self.launch(self.case.launcher(payload("Y")))
            finally:
                self.wine.reg_delete(JAVASOFT_JRE)
            self.assertCleanRun(result)
            self.assertInOrder(log, ["found sun " + home.lower() + r"\bin\javaw.exe 17.0.2",
                                     "Loading of JVM-DLL successful"])

    def as_32_bit(self, home):
        """Marks the home's jvm.dll as an x86 library (PE machine 0x14c)."""
        dll = self.wine.unix(home + r"\bin\server\jvm.dll")
        data = bytearray(dll.read_bytes())
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        struct.pack_into("<H", data, pe + 4, 0x14C)
        dll.write_bytes(bytes(data))

    def loaded(self):
        """The jvm.dll files the last run loaded (its transcript is then removed)."""
        lines = [line for line in self.transcript() if line.startswith("jvm loaded ")]
        (self.case.dir / "transcript.txt").unlink(missing_ok=True)
        return lines

    def test_installed_runtimes_entry_m(self):
        # Vendor keys under both roots, the JavaSoft key of Java 9+, a vendor
        # folder under Program Files; a 32-bit runtime with the highest version.
        v = lambda version: {"KVELL_STANDIN_JAVA_VERSION": version}
        ms17 = self.runtime("ms17", knobs=v("17.0.9"))
        liberica11 = self.runtime("liberica11", knobs=v("11.0.21"))
        oracle9 = self.runtime("oracle9", knobs=v("9.0.4"))
        folder = PROGRAM_FILES + r"\Eclipse Adoptium\jdk-21.0.1.12-hotspot"
        shutil.copytree(self.wine.unix(ms17), self.wine.unix(folder))
        (self.wine.unix(folder) / "bin" / "standin.env").write_text("KVELL_STANDIN_JAVA_VERSION=21.0.1\n")
        zulu = PROGRAM_FILES + r"\Zulu\zulu-22"
        shutil.copytree(self.wine.unix(ms17), self.wine.unix(zulu))
        (self.wine.unix(zulu) / "bin" / "standin.env").write_text("KVELL_STANDIN_JAVA_VERSION=22.0.1\n")
        self.as_32_bit(zulu)
        keys = [(r"HKLM\SOFTWARE\Microsoft\JDK\17.0.9.8\hotspot\MSI", "Path", ms17 + "\\"),
                (r"HKCU\SOFTWARE\BellSoft\Liberica\jdk-11", "InstallationPath", liberica11),
                (r"HKLM\SOFTWARE\JavaSoft\JDK", "CurrentVersion", "9"),
                (r"HKLM\SOFTWARE\JavaSoft\JDK\9", "JavaHome", oracle9)]
        for key, name, data in keys:
            self.wine.reg_add(key, name, data)
        try:
            logs = {}
            for maximum, chosen in [("", folder), ("17", ms17), ("11", liberica11), ("10", oracle9)]:
                with self.subTest(maximum=maximum):
                    result, log = logs[maximum] = self.launch(self.case.launcher(payload("M", {127: maximum})))
                    self.assertCleanRun(result)
                    exe = chosen.lower() + r"\bin\javaw.exe"
                    self.assertIn("Installed runtime chosen: %s" % exe, log)
                    self.assertEqual(self.loaded(), [r"jvm loaded %s\bin\server\jvm.dll" % chosen.lower()])
            self.assertIn(r"Not a 64-bit library: %s\bin\server\jvm.dll (machine 0x014c)" % zulu.lower(), logs[""][1])
            # Every source passes a 32-bit runtime over, the JavaSoft keys of Y too.
            self.as_32_bit(liberica11)
            self.wine.reg_add(JAVASOFT_JRE + r"\11", "JavaHome", liberica11)
            result, log = self.launch(self.case.launcher(payload("Y;Rms17", {127: "17"})))
            self.assertCleanRun(result)
            self.assertIn(r"Passed over: the runtime of %s\bin\java.exe" % liberica11.lower(), log)
            self.assertEqual(self.loaded(), [r"jvm loaded %s\bin\server\jvm.dll" % ms17.lower()])
        finally:
            for key in [r"HKLM\SOFTWARE\Microsoft", r"HKCU\SOFTWARE\BellSoft", r"HKLM\SOFTWARE\JavaSoft"]:
                self.wine.reg_delete(key)
            shutil.rmtree(self.wine.unix(PROGRAM_FILES + r"\Eclipse Adoptium"))
            shutil.rmtree(self.wine.unix(PROGRAM_FILES + r"\Zulu"))

    def test_search_path_runs_no_planted_java(self):
        # A java.exe beside the launcher (also the current directory) and one in
        # a relative PATH entry: the S entry looks only in absolute PATH entries.
        for target in (self.case.dir, self.case.dir / "rel"):
            shutil.copytree(STANDIN / "jre" / "bin", target, dirs_exist_ok=True)
        result, log = self.launch(self.case.launcher(payload("Sa label")),
                                  env={"PATH": r"rel;;C:\windows\system32;C:\windows"})
        self.assertIn("Testing location a label (type S)", log)
        self.assertIn("Not searching relative PATH entry rel", log)
        self.assertNotIn("checkJavaExe", log)
        self.assertEqual(self.transcript(), [])

    def test_located_jvm_under_the_user(self):
        home = self.runtime()
        name = (home + r"\bin\java.exe").replace("\\", "/")
        self.wine.reg_add("HKCU\\" + LOCATED_KEY + "\\" + name, "", "")
        try:
            result, log = self.launch(self.case.launcher(payload("Y")))
        finally:
            self.wine.reg_delete("HKCU\\" + LOCATED_KEY)
        self.assertCleanRun(result)
        self.assertIn("found located " + home.lower() + r"\bin\javaw.exe 17.0.2", log)

    def test_packed_runtime_is_restored_first(self):
        home = self.runtime(source="jre-packed")
        result, log = self.launch(self.case.launcher(payload("Rjre")))
        self.assertExit(result, 0)
        self.assertNoBoxes(result)
        self.assertEqual(result.stdout, "Preparing JRE ...\n")
        lib = home.lower() + r"\lib"
        self.assertInOrder(log, ["Unpacking JRE", "Unpacking %s\\rt.jar.pack to %s\\rt.jar" % (lib, lib),
                                 "pack path doesn't exists", "Unpacking JRE done", "checkJavaExe ("])
        unpacked = [line for line in self.transcript() if line.startswith("unpack200 unpacked")]
        self.assertEqual(len(unpacked), 4, self.transcript())
        self.assertIn('cmdline="%s\\bin\\unpack200.exe" -r "%s\\rt.jar.pack" "%s\\rt.jar"' % (home.lower(), lib, lib),
                      "\n".join(self.transcript()))
        self.assertEqual(list((self.case.dir / "jre" / "lib").rglob("*.pack")), [])

    def test_unpack_tool_that_cannot_start_is_fatal(self):
        self.runtime(source="jre-packed")
        (self.case.dir / "jre" / "bin" / "unpack200.exe").unlink()
        result, log = self.launch(self.case.launcher(payload("Rjre")))
        self.assertFatalBox(result, "Internal error 20", caption="Test Setup")
        self.assertIn("could not create unpack process", log)

    def test_hanging_version_run_is_ended_after_60_seconds(self):
        self.runtime(knobs={"KVELL_STANDIN_JAVA_SLEEP_MS": "forever"})
        self.runtime("other")
        result, log = self.launch(self.case.launcher(payload("Rjre;Rother")), timeout=150)
        self.assertCleanRun(result)
        self.assertGreaterEqual(result.elapsed, 59)
        self.assertInOrder(log, ["Exit Code 259", "Terminating process", "couldn't get version",
                                 "Testing location other (type R)"])
        self.assertIsNone(self.wine.reg_query(CACHE_KEY + "\\" + (self.case.path("jre").lower() +
                                                                 r"\bin\java.exe").replace("\\", "/"), "Version"))
        self.assertEqual(list((self.case.tmp).glob("kvl*")), [], "the error file is deleted")


if __name__ == "__main__":
    unittest.main()

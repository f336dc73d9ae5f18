"""The VM options the stand-in JVM receives: the launcher's system properties,
the configured options (entry 123), "-J" arguments (entry 125), the VM options
file beside the launcher with its includes and class path directives, and the
class path from the extracted archives and the configured entries (121);
placeholders and environment variables expanded in all of them."""

import re
import unittest

from road import BASE_PATH, MESSAGES, RoadCase, road_payload

CODE_PAGE = re.compile(r"-Dkvell\.consoleCodepage=cp\d+")


class RoadOptions(RoadCase):

    def bin_dir(self):
        return self.shared_home().lower() + "\\bin"

    def semaphore_property(self, launcher):
        """The first launcher property: the single-instance semaphore's name."""
        lowered = re.sub("[A-Z]", lambda m: m.group(0).lower(), launcher)
        return "-Dkvell.semaphoreName=" + lowered.replace("\\", "_")

    def properties(self, road, launcher, directory, position, extra=()):
        """The launcher properties of a run without entries that add more."""
        return ([self.semaphore_property(launcher), "-Dkvell.moduleName=" + launcher] + list(extra) +
                ["-Dkvell.tempDir=" + directory,
                 "-Dkvell.unextractedPosition=%d" % position,
                 "-Djava.library.path=%s;%s" % (BASE_PATH, self.bin_dir())])

    def after_properties(self, road):
        """The options between the launcher properties and the class path."""
        options = road.options
        self.assertIsNotNone(options, road.describe())
        start = next(i for i, o in enumerate(options) if CODE_PAGE.fullmatch(o)) + 1
        return options[start:-1]

    def write(self, case, name, text):
        path = case.dir / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(text.encode("cp1252") if isinstance(text, str) else text)


class LauncherProperties(RoadOptions):

    def test_no_configuration(self):
        files = [("b.jar", b"PK b"), ("a.jar", b"PK a"), ("upper.JAR", b"PK u"), ("c.zip", b"PK c"),
                 ("d.txt", b"text")]
        launcher = self.case.launcher(road_payload(files=files))
        road = self.road(launcher)
        self.assertLaunched(road)
        directory = road.log_value("Temp dir: ")
        size = self.wine.unix(launcher).stat().st_size
        options = road.options
        self.assertEqual(options[:5], self.properties(road, launcher, directory, size), road.describe())
        self.assertTrue(CODE_PAGE.fullmatch(options[5]), options)
        self.assertEqual(len(options), 7, options)
        # The archives: every jar (in the directory's order), then every zip.
        items = road.class_path.split(";")
        self.assertEqual(sorted(items[:3]), ["%s\\%s" % (directory, n) for n in ("a.jar", "b.jar", "upper.JAR")])
        self.assertEqual(items[3:], [directory + "\\c.zip", ""])
        # Seven options and the exit hook, which the log lists as "exit".
        self.assertEqual(road.single("jvm create version="), "0x00010002 nOptions=8 ignoreUnrecognized=1")
        self.assertEqual(road.log_value("vmoption count "), "8")
        self.assertEqual(road.log_values("vmoption 6: "), ["exit"])
        self.assertEqual(road.log_values("vmoption 7: "), [options[6]])

    def test_flavour_process_file_and_code_page(self):
        # (entries, environment, properties expected between moduleName and tempDir,
        #  whether the code page property is there)
        for entries, env, before, middle, code_page in [
            ({2001: "i"}, {}, ["-Dkvell.isQuillmere=true"], [], True),
            ({2001: "installer"}, {}, ["-Dkvell.isQuillmere=true"], [], True),
            ({2001: "I"}, {}, [], [], True),
            ({2001: "e"}, {}, [], [], True),
            ({10005: "1"}, {}, [], ["-Dkvell.processCommFile=%s\\kvl_p{pid}.tmp"], True),
            ({10005: "0"}, {}, [], [], True),
            ({}, {"MANPATH": "/usr/man"}, [], [], False),
            ({}, {"MANPATH": ""}, [], [], False),
        ]:
            with self.subTest(entries=entries, env=env):
                case = self.new_case()
                launcher = case.launcher(road_payload(entries))
                road = self.road(launcher, case=case, env=env)
                self.assertLaunched(road)
                options = road.options
                expected = [self.semaphore_property(launcher)] + before + ["-Dkvell.moduleName=" + launcher]
                expected += [m % case.tmp_win for m in middle]
                expected += ["-Dkvell.tempDir=", "-Dkvell.unextractedPosition=0",
                             "-Djava.library.path=%s;%s" % (BASE_PATH, self.bin_dir())]
                got = options[:len(expected)]
                if middle:
                    pid = re.search(r"kvl_p(\d+)\.tmp", got[2]).group(1)
                    expected[2] = expected[2].replace("{pid}", pid)
                self.assertEqual(got, expected, road.describe())
                rest = options[len(expected):]
                self.assertEqual(len(rest), 2 if code_page else 1, rest)
                if code_page:
                    self.assertTrue(CODE_PAGE.fullmatch(rest[0]), rest)


class ConfiguredOptions(RoadOptions):
    """Entry 123: expanded, split like a command line; only "-include-options"
    is joined with the next word."""

    def test_words_quotes_and_includes(self):
        options = ('-Xmx64m "-Dquoted=a b" \'-Dsingle=c d\' -include-options inc.vmoptions -Dafter '
                   '-include-options "my opts.txt" -include-options missing.txt '
                   '"-classpath/a C:\\app\\tail.jar" -classpath/p x.jar -include-options')
        files = [("a.jar", b"PK"), ("inc.vmoptions", b"-Dfrom.include=1\r\n"),
                 ("my opts.txt", b"-Dfrom.my.opts=1\n")]
        road = self.road(self.case.launcher(road_payload({123: options}, files=files)))
        self.assertLaunched(road)
        directory = road.log_value("Temp dir: ")
        self.assertEqual(self.after_properties(road), [
            "-Xmx64m", "-Dquoted=a b", "-Dsingle=c d", "-Dfrom.include=1", "-Dafter", "-Dfrom.my.opts=1",
            "-classpath/p", "x.jar", "-include-options"])
        self.assertEqual(road.class_path, directory + "\\a.jar;C:\\app\\tail.jar")
        # Relative names are taken against the working directory, the extraction directory.
        [missing] = [line for line in road.log if line.startswith("adding vmoptions from <missing.txt>")]
        self.assertEqual(missing, "adding vmoptions from <missing.txt> (0000000000000000)")
        [found] = [line for line in road.log if line.startswith("adding vmoptions from <inc.vmoptions>")]
        self.assertNotEqual(found, "adding vmoptions from <inc.vmoptions> (0000000000000000)")

    def test_splitting(self):
        # Only the blank separates; quotes join text around them.
        for options, expected in [
            ("-Da\t-Db", ["-Da\t-Db"]),
            ('x"a b"y z', ["xa b", "y", "z"]),
            ("  -Dx   -Dy  ", ["-Dx", "-Dy"]),
            ("'-Dq=\"in\"' \"\"", ['-Dq="in"', ""]),
        ]:
            with self.subTest(options=options):
                case = self.new_case()
                road = self.road(case.launcher(road_payload({123: options})), case=case)
                self.assertLaunched(road)
                self.assertEqual(self.after_properties(road), expected)

    def test_unbalanced_quote(self):
        road = self.road(self.case.launcher(road_payload({123: '-Xmx1m "-Dopen'})))
        self.assertRoadFatal(road, MESSAGES[1007])
        self.assertFalse(any(line.startswith("jvm create") for line in road.transcript), road.describe())

    def test_variables_are_values_never_syntax(self):
        # Quotes and directives in a variable stay inside the one word that names it.
        env = {"EVIL": 'a" -javaagent:C:\\evil.jar "b', "QUOTE": '"', "DIRECTIVE": "-include-options C:\\x.txt"}
        entries = {123: "-Dv=${EVIL} -Dq=${QUOTE} ${DIRECTIVE} -Dafter", 124: "${EVIL} ${QUOTE}"}
        road = self.road(self.case.launcher(road_payload(entries)), env=env, args="cli")
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), [
            '-Dv=a" -javaagent:C:\\evil.jar "b', '-Dq="', "-include-options C:\\x.txt", "-Dafter"])
        self.assertEqual(road.main_args[6:], ['a" -javaagent:C:\\evil.jar "b', '"', "cli"])


class VmOptionsFile(RoadOptions):
    """The file beside the launcher: <name>.vmoptions, else <name>.exe.vmoptions."""

    MAIN = ("-Xss2m\r\n"
            "   -Dspaced=1   \r\n"
            "\r\n"
            "   # a comment\r\n"
            "#-Dcommented\r\n"
            "-Xmx512m # note\r\n"
            "\t-Dtabbed=1\r\n"
            "-include-options ${KVELL_EXEDIR}more.vmoptions\r\n"
            "-Dafter.include\r\n"
            "-classpath C:\\first.jar\r\n"
            "-classpath C:\\replaced.jar\r\n"
            "-classpath/p C:\\pre.jar\r\n"
            "-classpath/a C:\\post.jar\r\n"
            "-classpath\r\n"
            "-Dexe=${QUILLMERE_EXEDIR} -Dhome=%KVELL_JVM_HOME%\r\n"
            "-include-options   \r\n"
            "-Dcaf\u00e9=\u20ac\r\n"
            "-Dno.newline.at.end")

    def test_lines_includes_and_class_path_directives(self):
        self.write(self.case, "app.vmoptions", self.MAIN)
        self.write(self.case, "more.vmoptions", "-Dfrom.more=1\n")
        self.write(self.case, "app.exe.vmoptions", "-Dwrong.file\r\n")
        entries = {121: "A0C:\\configured.jar", 123: '-Dconfigured "-classpath/a C:\\from123.jar"'}
        road = self.road(self.case.launcher(road_payload(entries, files=[("a.jar", b"PK")])))
        self.assertLaunched(road)
        directory = road.log_value("Temp dir: ")
        self.assertEqual(self.after_properties(road), [
            "-Dconfigured", "-Xss2m", "-Dspaced=1", "-Xmx512m # note", "\t-Dtabbed=1", "-Dfrom.more=1",
            "-Dafter.include", "-classpath",
            "-Dexe=%s\\ -Dhome=%s\\bin\\.." % (self.case.win_dir, self.shared_home().lower()),
            "-include-options", "-Dcaf\u00e9=\u20ac",
            "-Dno.newline.at.end"])
        self.assertEqual(road.class_path, "C:\\pre.jar;%s\\a.jar;C:\\replaced.jar;C:\\post.jar" % directory)
        self.assertIn("default vmoptions file: ", "\n".join(road.log))

    def test_the_second_name_and_launcher_names(self):
        for name, file_name, text, expected in [
            ("app.exe", "app.exe.vmoptions", b"\xef\xbb\xbf-Dbom\n-Dsecond\n", ["\u00ef\u00bb\u00bf-Dbom", "-Dsecond"]),
            ("My App.exe", "My App.vmoptions", b"-Dspaced.name\n", ["-Dspaced.name"]),
            ("setup.program", "setup.pro.vmoptions", b"-Dcut.four\n", ["-Dcut.four"]),
            ("app.exe", "APP.VMOPTIONS", b"-Dupper.case.file\n", ["-Dupper.case.file"]),
        ]:
            with self.subTest(name=name, file=file_name):
                case = self.new_case()
                self.write(case, file_name, text)
                road = self.road(case.launcher(road_payload(), name=name), case=case)
                self.assertLaunched(road)
                self.assertEqual(self.after_properties(road), expected)

    def test_long_lines_continue_as_the_next_line(self):
        self.write(self.case, "app.vmoptions", "-Dlong=" + "a" * 9000 + "\n-Dnext\n")
        road = self.road(self.case.launcher(road_payload()))
        self.assertLaunched(road)
        first = ("-Dlong=" + "a" * 9000)[:8191]
        self.assertEqual(self.after_properties(road), [first, "a" * (9007 - 8191), "-Dnext"])

    def test_launcher_in_a_directory_with_code_page_letters(self):
        # Quoted: the directory's blank would split the expanded words.
        launcher = self.case.launcher(road_payload({123: '"-Dexe=${KVELL_EXEDIR}"'}), subdir="Caf\u00e9 \u00c4")
        self.write(self.case, "Caf\u00e9 \u00c4/app.vmoptions", "-Dfound\n")
        road = self.road(launcher)
        self.assertLaunched(road)
        self.assertEqual(road.options[:2], [self.semaphore_property(launcher), "-Dkvell.moduleName=" + launcher])
        self.assertEqual(self.after_properties(road), ["-Dexe=%s\\Caf\u00e9 \u00c4\\" % self.case.win_dir, "-Dfound"])
        self.assertEqual(road.main_args[5], launcher)

    def test_launcher_started_through_its_short_path(self):
        launcher = self.case.launcher(road_payload(), name="Long Name Application.exe")
        self.write(self.case, "Long Name Application.vmoptions", "-Dfound\n")
        short = self.wine.short_path(launcher)
        self.assertNotEqual(short.lower(), launcher.lower())
        road = self.road(short)
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Dfound"])

    def test_class_path_append_after_a_separator(self):
        self.write(self.case, "app.vmoptions", "-classpath C:\\r.jar;\n-classpath/a C:\\post.jar\n")
        road = self.road(self.case.launcher(road_payload()))
        self.assertLaunched(road)
        self.assertEqual(road.class_path, "C:\\r.jar;C:\\post.jar")

    def test_include_cycles_stop(self):
        self.write(self.case, "app.vmoptions", "-Dlevel=0\n-include-options ${KVELL_EXEDIR}app.vmoptions\n"
                   "-include-options ${KVELL_EXEDIR}b.vmoptions\n-Dend=0\n")
        self.write(self.case, "b.vmoptions", "-Dlevel=b\n-include-options ${KVELL_EXEDIR}APP.vmoptions\n"
                   "-include-options ${KVELL_EXEDIR}b.vmoptions\n-Dend=b\n")
        road = self.road(self.case.launcher(road_payload()))
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Dlevel=0", "-Dlevel=b", "-Dend=b", "-Dend=0"])
        repeats = [line for line in road.log if "includes itself; include ignored" in line]
        self.assertEqual(len(repeats), 3, road.describe())

    def test_include_depth_is_bounded(self):
        self.write(self.case, "app.vmoptions", "-Dlevel=0\n-include-options ${KVELL_EXEDIR}d1.vmoptions\n")
        for i in range(1, 21):
            self.write(self.case, "d%d.vmoptions" % i,
                       "-Dlevel=%d\n-include-options ${KVELL_EXEDIR}d%d.vmoptions\n" % (i, i + 1))
        road = self.road(self.case.launcher(road_payload()))
        self.assertLaunched(road)
        # The default file and 15 included files are open at once, no more.
        self.assertEqual(self.after_properties(road), ["-Dlevel=%d" % i for i in range(16)])
        self.assertEqual(len([line for line in road.log if "nested deeper than 16" in line]), 1, road.describe())


    def test_includes_that_fan_out_or_never_end_are_bounded(self):
        # The default file includes a device, then b 300 times: 256 files are read in all.
        self.write(self.case, "app.vmoptions",
                   "-include-options NUL\n" + "-include-options ${KVELL_EXEDIR}b.vmoptions\n" * 300 + "-Dlast\n")
        self.write(self.case, "b.vmoptions", "-Db\n")
        road = self.road(self.case.launcher(road_payload()))
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Db"] * 255)
        self.assertIn("ERROR: vmoptions: <NUL> is not a regular file; not read", road.log)
        limits = [line for line in road.log if "the limit of files was reached" in line]
        self.assertEqual(len(limits), 1, road.describe())


class JArguments(RoadOptions):
    """Entry 125: command-line words beginning with "-J" become VM options and
    are withheld from main's array; without it they are ordinary arguments."""

    ARGS = '-J-Xmx1g x "-J-classpath/a C:\\j.jar" -j-lower -JJ'

    def test_with_and_without_entry_125(self):
        for value, options, passed in [
            ("1", ["-Dconfigured", "-Xmx1g", "J", "-Dfrom.file"], ["x", "-j-lower"]),
            ("0", ["-Dconfigured", "-Dfrom.file"], ["-J-Xmx1g", "x", "-J-classpath/a C:\\j.jar", "-j-lower", "-JJ"]),
            (None, ["-Dconfigured", "-Dfrom.file"], ["-J-Xmx1g", "x", "-J-classpath/a C:\\j.jar", "-j-lower", "-JJ"]),
        ]:
            with self.subTest(entry_125=value):
                case = self.new_case()
                self.write(case, "app.vmoptions", "-Dfrom.file\n")
                entries = {123: "-Dconfigured"}
                if value is not None:
                    entries[125] = value
                launcher = case.launcher(road_payload(entries))
                road = self.road(launcher, args=self.ARGS, case=case)
                self.assertLaunched(road)
                self.assertEqual(self.after_properties(road), options)
                # An append always follows a separator, also after an empty class path.
                self.assertEqual(road.class_path, ";C:\\j.jar" if value == "1" else "")
                self.assertEqual(road.main_args[5:], [launcher] + passed)

    def test_options_in_the_ansi_code_page(self):
        # The euro sign is in code page 1252 and arrives whole; U+0100 is not and is skipped.
        road = self.road(self.case.launcher(road_payload({125: "1"})), args="-J-Dsym=\u20ac -J-Dx=\u0100 y")
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Dsym=\u20ac"])
        self.assertIn("ERROR: -J option not representable in the ANSI code page; skipped", road.log)

    def test_program_word_counts_as_an_argument_for_options(self):
        launcher = self.case.launcher(road_payload({125: "1"}))
        road = self.road(launcher, cmdline="-J-Dfirst=1 -J-Dsecond=2 y")
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Dfirst=1", "-Dsecond=2"])
        self.assertEqual(road.main_args[5:], ["-J-Dfirst=1", "y"])


class ClassPathEntries(RoadOptions):
    """Entry 121: kinds A, D, E and S, each optional or required."""

    ENV = {"CP_ONE": "C:\\one.jar", "CP_QUOTED": '"C:\\q a.jar"', "CP_SEMI": "C:\\s.jar;",
           "CP_LIST": "listA.jar;C:\\listB.jar", "CP_HALF": '"C:\\half.jar'}

    def lib(self, case):
        for name in ("x.jar", "y.zip", "z.txt"):
            self.write(case, "lib/" + name, b"PK")

    def test_every_kind(self):
        self.lib(self.case)
        entries = ("A0lib\\x.jar;;D0${KVELL_EXEDIR}lib\\missing.jar;A0${CP_LIST};E0CP_ONE;E1CP_QUOTED;E0CP_SEMI;"
                   "E0CP_HALF;E0CP_UNSET;S1lib;S0missing dir;X0whatever;A1lib;D1%KVELL_TEMPDIR%\\a.jar")
        road = self.road(self.case.launcher(road_payload({121: entries}, files=[("a.jar", b"PK")])), env=self.ENV)
        self.assertLaunched(road)
        directory = road.log_value("Temp dir: ")
        here = self.case.win_dir
        self.assertEqual(road.class_path.split(";"), [
            directory + "\\a.jar",
            here + "\\lib\\x.jar",
            here + "\\lib\\missing.jar",
            here + "\\listA.jar", "C:\\listB.jar",
            "C:\\one.jar",
            "C:\\q a.jar",
            "C:\\s.jar",
            '"C:\\half.jar',
            here + "\\lib\\x.jar", here + "\\lib\\y.zip",
            here + "\\lib",
            directory + "\\a.jar",
            ""])
        self.assertEqual(road.log_value("classpath entry "), entries)

    def test_required_entries_that_are_missing(self):
        for entry, env, message in [
            ("A1missing.jar", {}, MESSAGES[1006].replace("{0}", "missing.jar")),
            ("D1${KVELL_EXEDIR}missing.jar", {}, MESSAGES[1006].replace("{0}", "{here}\\missing.jar")),
            ("A1${CP_LIST}", {"CP_LIST": "lib;lib"}, MESSAGES[1006].replace("{0}", "lib;lib")),
            ("E1CP_UNSET", {}, MESSAGES[1008].replace("{0}", "CP_UNSET")),
            ("E1CP_EMPTY", {"CP_EMPTY": ""}, MESSAGES[1006].replace("{0}", "CP_EMPTY")),
            ("S1missing dir", {}, MESSAGES[1006].replace("{0}", "missing dir")),
            ("Q1anything", {}, MESSAGES[1006].replace("{0}", "anything")),
        ]:
            with self.subTest(entry=entry):
                case = self.new_case()
                self.lib(case)
                road = self.road(case.launcher(road_payload({121: entry})), case=case, env=env)
                self.assertRoadFatal(road, message.replace("{here}", case.win_dir))
                self.assertFalse(any(line.startswith("jvm create") for line in road.transcript), road.describe())

    def test_optional_flags(self):
        # Only "1" makes an entry required.
        road = self.road(self.case.launcher(road_payload({121: "A2missing.jar;E-CP_UNSET;S missing"})))
        self.assertLaunched(road)
        self.assertEqual(road.class_path, self.case.win_dir + "\\missing.jar;")


    def test_class_path_is_bounded(self):
        # Four values of 8004 bytes fit the 32768-byte class path option, a
        # fifth does not: it is left out with a log line.
        value = "C:\\" + "x" * 8000
        road = self.road(self.case.launcher(road_payload({121: ";".join(["E1CP_LONG"] * 5)})),
                         env={"CP_LONG": value})
        self.assertLaunched(road)
        self.assertEqual(road.class_path, (value + ";") * 4)
        self.assertEqual([line for line in road.log if line.startswith("class path would exceed")],
                         ["class path would exceed 32768 bytes; not added: " + value])


class Expansion(RoadOptions):

    def test_placeholders_and_environment(self):
        options = ("-Dexe=${KVELL_EXEDIR} -Dhome=${launcher:sys.jvmHome} -Dtemp=%KVELL_TEMPDIR% "
                   "-Dsep=${launcher:sys.pathlistSeparator} -Denv=${ROAD_VAR} -Dstored=${Road_Mixed} "
                   "-Dupper=${ROAD_MIXED} -Dlower=${road_mixed} -Dunknown=${NO_SUCH_VAR} -Dpercent=%ROAD_VAR%")
        env = {"ROAD_VAR": "value one", "Road_Mixed": "mixed"}
        road = self.road(self.case.launcher(road_payload({123: options}, files=[("a.jar", b"PK")])), env=env)
        self.assertLaunched(road)
        directory = road.log_value("Temp dir: ")
        self.assertEqual(self.after_properties(road), [
            "-Dexe=%s\\" % self.case.win_dir,
            "-Dhome=%s\\bin\\.." % self.shared_home().lower(),
            "-Dtemp=" + directory,
            "-Dsep=;",
            # Split before the expansion: the value's blank stays inside the word.
            "-Denv=value one",
            "-Dstored=mixed",
            "-Dupper=mixed",
            "-Dlower=${road_mixed}",
            "-Dunknown=${NO_SUCH_VAR}",
            "-Dpercent=%ROAD_VAR%"])
        self.assertIn("expanding ${ROAD_VAR} to value one in -Denv=value one.", road.log)

    def test_expansion_order(self):
        # A launcher directory holding a placeholder is expanded further by the
        # environment; a value holding a fixed placeholder is inserted as it is.
        launcher = self.case.launcher(road_payload({123: "-Dexe=${KVELL_EXEDIR} -Dvalue=${ROAD_VALUE}"}),
                                      subdir="${ROAD_DIR}")
        road = self.road(launcher, env={"ROAD_DIR": "expanded", "ROAD_VALUE": "${KVELL_EXEDIR}"})
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road),
                         ["-Dexe=%s\\expanded\\" % self.case.win_dir, "-Dvalue=${KVELL_EXEDIR}"])

    def test_expansion_is_bounded(self):
        # Each word is expanded on its own; the second value would not fit its
        # 8192-byte text: left unexpanded.
        value = "v" * 5000
        road = self.road(self.case.launcher(road_payload({123: "${ROAD_BIG} ${ROAD_BIG}${ROAD_BIG}"})),
                         env={"ROAD_BIG": value})
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), [value, value + "${ROAD_BIG}"])
        self.assertTrue(any(line.startswith("not expanding ${ROAD_BIG}") for line in road.log), road.describe())

    # A value that holds its own placeholder is inserted once: the upper-case
    # pass is skipped for a name stored in upper case, since it would expand the
    # placeholder inside the value just inserted.
    def test_value_holding_its_own_placeholder_is_inserted_once(self):
        road = self.road(self.case.launcher(road_payload({123: "-Dself=${ROAD_SELF} -Dmixed=${Road_Mixed}"})),
                         env={"ROAD_SELF": "<${ROAD_SELF}>", "Road_Mixed": "m"})
        self.assertLaunched(road)
        self.assertEqual(self.after_properties(road), ["-Dself=<${ROAD_SELF}>", "-Dmixed=m"])


if __name__ == "__main__":
    unittest.main()

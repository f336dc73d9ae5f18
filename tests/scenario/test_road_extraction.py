"""The road's first steps: the included files extracted into a fresh directory
in TMP, which becomes the Java program's working directory, and the native
library directories put in front of PATH; what the Java side is told about
them (kvell.tempDir, kvell.unextractedPosition); failed extractions."""

import random
import re
import shutil
import unittest
from pathlib import PureWindowsPath

from payload import int64, included_file
from road import BASE_PATH, MESSAGES, TITLE, WIDES, RoadCase, file_records_end, road_payload
from wineharness import log_lines

RANDOM = random.Random(7)
# Crosses the 8192-byte copy buffer twice and ends off an 8-byte boundary.
BIG = bytes(RANDOM.randrange(256) for _ in range(20003))
EVERY_BYTE = bytes(range(256)) * 3
TEMP_NAME = re.compile(r"kvl[0-9A-Fa-f]+\.tmp")


class Extraction(RoadCase):

    def extraction_dir(self, road):
        """The directory named by "Temp dir:", checked against "tempFile is"."""
        temp_file = road.log_values("tempFile is ")[0]
        directory = road.log_value("Temp dir: ")
        self.assertEqual(directory, temp_file + "_dir", road.describe())
        return directory

    def extraction_lines(self, road):
        """The log from "extracting files" to "extracting files done", less the
        temporary name's lines."""
        start = road.log.index("extracting files")
        end = road.log.index("extracting files done", start)
        return [line for line in road.log[start:end + 1]
                if not line.startswith(("GetTempPath returned", "make dir returned", "tempPath is", "tempFile is"))]

    def test_files_log_working_directory_and_properties(self):
        files = [("lib.jar", BIG), ("empty.dat", b""), ("notes.txt", EVERY_BYTE)]
        data = road_payload({2003: ";lib.jar;;empty.dat;;;notes.txt;"}, files=files)
        launcher = self.case.launcher(data)
        road = self.road(launcher)
        self.assertLaunched(road)
        directory = self.extraction_dir(road)
        self.assertEqual(str(PureWindowsPath(directory).parent), self.case.tmp_win)
        self.assertTrue(TEMP_NAME.fullmatch(PureWindowsPath(directory).name[:-len("_dir")]), directory)
        self.assertEqual(self.extraction_lines(road), [
            "extracting files",
            "Included files: 3",
            "Temp dir: " + directory,
            "extracting %s\\lib.jar (size: 20003)" % directory,
            "extracting %s\\empty.dat (size: 0)" % directory,
            "extracting %s\\notes.txt (size: 768)" % directory,
            "extracting files done",
        ])

        # The contents are the originals (they are scrambled in the Payload);
        # a file of size 0 is not created; the temporary file stays, empty.
        unix = self.wine.unix(directory)
        self.assertEqual(sorted(p.name for p in unix.iterdir()), ["lib.jar", "notes.txt"])
        self.assertEqual((unix / "lib.jar").read_bytes(), BIG)
        self.assertEqual((unix / "notes.txt").read_bytes(), EVERY_BYTE)
        self.assertEqual(self.wine.unix(directory[:-len("_dir")]).read_bytes(), b"")

        # The extraction directory is the Java program's working directory.
        self.assertEqual(road.single("jvm create cwd="), directory)
        self.assertIn("Current working dir: " + directory, road.log)
        self.assertEqual(road.prop("kvell.tempDir"), directory)
        launcher_size = self.wine.unix(launcher).stat().st_size
        self.assertEqual(road.prop("kvell.unextractedPosition"), str(launcher_size))
        self.assertEqual(road.class_path, directory + "\\lib.jar;")

    def test_name_lists_and_the_count(self):
        a, b, c = b"A" * 10, b"BB" * 300, b"C" * 9000
        # (entries 2002 and 2003, files expected, how many records were read)
        for count, names, expected, read in [
            ("2", "a;;b", {"a": a, "b": b}, 2),
            ("3", "a;b", {"a": a, "b": b}, 2),
            ("1", "a;b;c", {"a": a}, 1),
            ("2", ";;;a;;;;b;;;", {"a": a, "b": b}, 2),
            ("3", "c;b;a", {"c": a, "b": b, "a": c}, 3),
        ]:
            with self.subTest(count=count, names=names):
                case = self.new_case()
                data = road_payload({2002: count, 2003: names}, files=[("x", a), ("y", b), ("z", c)])
                road = self.road(case.launcher(data), case=case)
                self.assertLaunched(road)
                directory = self.extraction_dir(road)
                unix = self.wine.unix(directory)
                self.assertEqual({p.name: p.read_bytes() for p in unix.iterdir()}, expected)
                self.assertEqual(road.prop("kvell.unextractedPosition"), str(file_records_end(data, read)))
                self.assertEqual(road.log_value("Included files: "), count)

    def test_nothing_extracted_without_a_positive_count(self):
        for count in ["0", "-1", "none", None]:
            with self.subTest(entry_2002=count):
                case = self.new_case()
                entries = {2003: "a.jar"} if count is None else {2002: count, 2003: "a.jar"}
                data = road_payload(entries, files=[])
                data.files = [b"PK"]
                road = self.road(case.launcher(data), case=case, cwd=case.win_dir)
                self.assertLaunched(road)
                self.assertNotIn("Temp dir: ", "\n".join(road.log))
                self.assertEqual(road.prop("kvell.tempDir"), "")
                self.assertEqual(road.prop("kvell.unextractedPosition"), "0")
                self.assertEqual([p.name for p in case.tmp.iterdir() if TEMP_NAME.match(p.name)], [])

    def test_no_included_files(self):
        # No directory: the working directory cannot be changed to it (logged,
        # twice: after the extraction and again before the launch) and stays
        # the inherited one.
        start = self.case.path("start here")
        self.wine.unix(start).mkdir()
        road = self.road(self.case.launcher(road_payload()), cwd=start)
        self.assertLaunched(road)
        self.assertIn("Included files: 0", road.log)
        self.assertEqual(road.log.count("ERROR: Could not change working dir to "), 2, road.describe())
        self.assertIn("Current working dir: " + start, road.log)
        self.assertEqual(road.single("jvm create cwd="), start)
        self.assertEqual(road.prop("kvell.tempDir"), "")
        self.assertEqual(road.prop("kvell.unextractedPosition"), "0")
        self.assertEqual(road.class_path, "")

    def test_negative_size_creates_no_file(self):
        # A record of size -5 has no content: the next record follows its size.
        head = road_payload({2002: "2", 2003: "neg.bin;next.bin"})
        raw = head.encode() + int64(-5) + included_file(b"next content")
        launcher = self.case.launcher(raw)
        road = self.road(launcher)
        self.assertLaunched(road)
        directory = self.extraction_dir(road)
        self.assertEqual(self.extraction_lines(road)[3:], [
            "extracting %s\\neg.bin (size: -5)" % directory,
            "extracting %s\\next.bin (size: 12)" % directory,
            "extracting files done",
        ])
        unix = self.wine.unix(directory)
        self.assertEqual([p.name for p in unix.iterdir()], ["next.bin"])
        self.assertEqual((unix / "next.bin").read_bytes(), b"next content")
        self.assertEqual(road.prop("kvell.unextractedPosition"), str(self.wine.unix(launcher).stat().st_size))


class ExtractionCase(RoadCase):

    def assertNoExtractionDir(self, case):
        self.assertEqual([p.name for p in case.tmp.iterdir() if p.name.endswith("_dir")], [])


class FailedExtraction(ExtractionCase):
    """Result 1 (the Payload ends early) and 2 (a name that would write outside
    the directory): the wide box 20016 or 20018 unless quiet, exit code 1, and
    the directory emptied and removed."""

    def assertExtractionBox(self, road, entry):
        result = road.result
        self.assertEqual(result.exit_code, 1, road.describe())
        self.assertEqual(len(result.boxes), 1, road.describe())
        box = result.boxes[0]
        # The log path is not appended on this path.
        self.assertEqual((box.caption, box.text, box.button_ids), (TITLE, WIDES[entry], [1]), road.describe())
        self.assertEqual((result.stdout, result.stderr), ("", ""), road.describe())
        self.assertEqual(road.transcript, [], "no runtime is searched")

    def short_launcher(self, case, cut=10):
        data = road_payload(files=[("first.bin", b"1" * 100), ("second.bin", BIG)])
        return case.launcher(data.encode()[:-cut])

    def test_payload_shorter_than_it_claims(self):
        for args in [None, "-q"]:
            with self.subTest(args=args):
                case = self.new_case()
                road = self.road(self.short_launcher(case), args=args, case=case, java_home=None)
                if args is None:
                    self.assertExtractionBox(road, 20016)
                else:
                    self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout,
                                      road.result.stderr), (1, [], "", ""), road.describe())
                directory = road.log_value("Temp dir: ")
                self.assertIn("ERROR: Failed to extract %s\\second.bin" % directory, road.log)
                # Short reads go on; the read that gets nothing fails, after
                # 20003 - 10 bytes of the second file.
                failed = [line for line in road.log if line.startswith("ERROR: ReadFile failed ")]
                self.assertEqual(len(failed), 1, road.describe())
                self.assertTrue(re.fullmatch(r"ERROR: ReadFile failed 0 \d+ 19993", failed[0]), failed)
                self.assertNotIn("extracting files done", road.log)
                self.assertIn("attempting to delete %s\\first.bin" % directory, road.log)
                self.assertNoExtractionDir(case)

    def test_log_is_not_kept_by_the_box(self):
        result = self.case.run(self.short_launcher(self.case))
        self.assertEqual(result.exit_code, 1, result.describe())
        self.assertEqual([b.text for b in result.boxes], [WIDES[20016]])
        self.assertEqual(self.case.logs(), [])
        self.assertNoExtractionDir(self.case)

    def test_sizes_are_64_bit(self):
        head = road_payload({2002: "1", 2003: "huge.bin"})
        raw = head.encode() + int64(5000000000) + b"\0" * 100
        road = self.road(self.case.launcher(raw), java_home=None, args="-q")
        self.assertEqual(road.result.exit_code, 1, road.describe())
        directory = road.log_value("Temp dir: ")
        self.assertIn("extracting %s\\huge.bin (size: 5000000000)" % directory, road.log)
        self.assertNoExtractionDir(self.case)

    def test_record_cut_inside_its_size(self):
        # Two files named, one and a half records present: the second size
        # cannot be read, which is the Payload reader's fatal error.
        head = road_payload({2002: "2", 2003: "first.bin;second.bin"})
        raw = head.encode() + included_file(b"1" * 100) + b"\x05\x00\x00"
        road = self.road(self.case.launcher(raw), java_home=None)
        self.assertRoadFatal(road, "Internal Error: readLong")
        self.assertTrue(re.fullmatch(r"error -?\d+\n", road.result.stdout), road.describe())
        self.assertNoExtractionDir(self.case)

    def test_names_that_are_not_plain_file_names(self):
        for name in ["..\\outside.bin", "a/b", "..", ".", "sub\\inner.bin", "c:drive.bin", "C:\\kvell\\abs.bin"]:
            for args in [None, "-q"]:
                with self.subTest(name=name, args=args):
                    case = self.new_case()
                    data = road_payload(files=[("good.bin", b"good"), (name, b"evil")])
                    road = self.road(case.launcher(data), args=args, case=case, java_home=None)
                    if args is None:
                        self.assertExtractionBox(road, 20018)
                    else:
                        self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout),
                                         (1, [], ""), road.describe())
                    self.assertIn("ERROR: Included file name is not a plain file name: " + name, road.log)
                    self.assertNoExtractionDir(case)
                    written = [p for p in case.dir.rglob("*") if p.is_file() and p.read_bytes() in (b"good", b"evil")]
                    self.assertEqual(written, [])
                    self.assertFalse(self.wine.unix(r"C:\kvell\abs.bin").exists())
                    self.assertFalse((self.wine.drive_c / "drive.bin").exists())

    def test_device_names_and_names_equal_ignoring_case(self):
        # Windows would pour nul.txt's bytes into the NUL device, and ärger.jar
        # would overwrite Ärger.jar: refused before anything is written.
        for first, second, why in [("good.bin", "nul.txt", "is reserved for a Windows device"),
                                   ("Ärger.jar", "ärger.jar", "differs from an earlier one only in letter case")]:
            with self.subTest(second=second):
                case = self.new_case()
                data = road_payload(files=[(first, b"good"), (second, b"evil")])
                road = self.road(case.launcher(data), args="-q", case=case, java_home=None)
                self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout),
                                 (1, [], ""), road.describe())
                self.assertIn("ERROR: Included file name %s: %s" % (why, second), road.log)
                self.assertEqual(road.log_values("Temp dir: "), [], road.describe())
                self.assertNoExtractionDir(case)


class FatalExtraction(ExtractionCase):
    """Creating the directory or a file fails: fatal 1009 with "7" or "11"."""

    def test_file_cannot_be_created(self):
        road = self.road(self.case.launcher(road_payload(files=[("ok.bin", b"x"), ("a<b", b"y")])))
        self.assertRoadFatal(road, MESSAGES[1009].replace("{0}", "11"))
        self.assertTrue(any(line.startswith("ERROR: Could not create ") and "\\a<b (error " in line
                            for line in road.log), road.describe())
        self.assertEqual(road.transcript, [])
        # Nothing written so far stays behind.
        self.assertNoExtractionDir(self.case)

    def test_directory_cannot_be_created(self):
        # In a TMP of 255 characters the directory's name passes the 260
        # characters the 8-bit file functions accept.
        fallback_log = self.wine.drive_c / "qmr_nlog"
        self.addCleanup(lambda: fallback_log.exists() and fallback_log.unlink())
        tmp = self.case.win_dir
        while len(tmp) < 255:
            tmp += "\\" + "d" * min(40, 255 - len(tmp) - 1)
        self.wine.unix(tmp).mkdir(parents=True)
        road = self.road(self.case.launcher(road_payload(files=[("ok.bin", b"x")])), tmp=tmp)
        self.assertEqual((road.result.exit_code, road.result.boxes), (1, []), road.describe())
        self.assertEqual(road.result.stderr.lower(), MESSAGES[1009].replace("{0}", "7").lower()
                         + "\n\nlog: c:\\qmr_nlog\n")
        lines = log_lines(fallback_log)
        self.assertTrue(lines[-2].startswith("Temp dir: " + tmp + "\\kvl"), lines[-4:])
        self.assertEqual(road.transcript, [])


class NativeLibraryPath(RoadCase):
    """Entry 10004 in front of PATH: expanded, each directory made absolute
    against the launcher's directory, then ";" and the old PATH."""

    def test_directories_in_front_of_path(self):
        bin_dir = self.shared_home().lower() + "\\bin"
        for entry, front in [
            ("natives;;C:\\Abs Dir;${KVELL_TEMPDIR}\\x64;%KVELL_EXEDIR%lib2",
             "{L}natives;C:\\Abs Dir;{D}\\x64;{L}lib2;"),
            ("natives;", "{L}natives;"),
            ("\\rooted", "{L}rooted;"),
            # Made absolute, not normalised.
            ("..\\shared", "{L}..\\shared;"),
            ("", ""),
        ]:
            with self.subTest(entry_10004=entry):
                case = self.new_case()
                data = road_payload({10004: entry}, files=[("a.jar", b"PK")])
                road = self.road(case.launcher(data), case=case)
                self.assertLaunched(road)
                directory = road.log_value("Temp dir: ")
                expected = front.replace("{L}", case.win_dir + "\\").replace("{D}", directory) + BASE_PATH
                self.assertEqual(road.log_value("native lib dir is "), entry)
                self.assertEqual(road.log_value("Setting PATH (native libs) "), expected)
                # Loading the runtime adds its bin directory at the end.
                self.assertEqual(road.single("jvm create path="), expected + ";" + bin_dir)
                self.assertEqual(road.prop("java.library.path"), expected + ";" + bin_dir)


    def test_path_is_never_shortened(self):
        # Longer than the 16384 bytes a PATH value was once limited to.
        long_path = BASE_PATH + "".join(";C:\\unused\\directory%04d" % i for i in range(900))
        self.assertGreater(len(long_path), 20000)
        data = road_payload({10004: "natives"}, files=[("a.jar", b"PK")])
        road = self.road(self.case.launcher(data), path=long_path)
        self.assertLaunched(road)
        expected = "%s\\natives;%s;%s\\bin" % (self.case.win_dir, long_path, self.shared_home().lower())
        self.assertEqual(road.single("jvm create path="), expected)
        self.assertEqual(road.prop("java.library.path"), expected)


class WesternTemp(RoadCase):

    def test_code_page_letters_in_tmp(self):
        tmp = self.case.path("Caf\u00e9 \u00c4rger")
        self.wine.unix(tmp).mkdir()
        road = self.road(self.case.launcher(road_payload(files=[("\u00fcber.jar", b"PK")])), tmp=tmp)
        self.assertLaunched(road)
        directory = road.single("jvm create cwd=")
        self.assertEqual(str(PureWindowsPath(directory).parent), tmp)
        self.assertEqual(road.prop("kvell.tempDir"), directory)
        self.assertEqual(road.class_path, directory + "\\\u00fcber.jar;")
        self.assertEqual((self.wine.unix(directory) / "\u00fcber.jar").read_bytes(), b"PK")


class UnrepresentableTemp(RoadCase):
    """TMP holds characters that code page 1252 cannot represent: the files go to
    a fallback directory that works with 8-bit paths, the Windows directory's
    "temp" first."""

    def test_windows_temp_is_used(self):
        tmp = self.case.path("tmp", "\u65e5\u672c\u8a9e")
        self.wine.unix(tmp).mkdir()
        before = set(self.wine.drive_c.glob("qmr_nlog*"))
        fallback = self.wine.unix(r"C:\windows\temp")
        before_temp = set(fallback.iterdir())
        data = road_payload({10005: "1"}, files=[("a.jar", b"PK jar"), ("b.txt", b"text")])
        road = self.road(self.case.launcher(data), tmp=tmp)
        new_logs = set(self.wine.drive_c.glob("qmr_nlog*")) - before
        for path in new_logs:
            self.addCleanup(path.unlink)
        for path in set(fallback.iterdir()) - before_temp:
            self.addCleanup(shutil.rmtree if path.is_dir() else path.unlink, path)
        self.assertLaunched(road)
        # The log cannot go to TMP either: it is in C:\.
        self.assertEqual(len(new_logs), 1, new_logs)
        log = new_logs.pop().read_bytes().decode("cp1252").replace("\r\n", "\n").split("\n")
        [temp_path] = [line[len("tempPath is "):] for line in log if line.startswith("tempPath is ")][:1]
        self.assertEqual(temp_path.lower(), r"c:\windows\temp")
        [directory] = [line[len("Temp dir: "):] for line in log if line.startswith("Temp dir: ")]
        self.assertEqual(str(PureWindowsPath(directory).parent).lower(), r"c:\windows\temp", directory)
        self.assertTrue(TEMP_NAME.fullmatch(PureWindowsPath(directory).name[:-len("_dir")]), directory)
        unix = self.wine.unix(directory)
        self.assertEqual({p.name: p.read_bytes() for p in unix.iterdir()}, {"a.jar": b"PK jar", "b.txt": b"text"})
        self.assertIn("Current working dir: " + directory, log)
        self.assertEqual(road.single("jvm create cwd="), directory)
        self.assertEqual(list(self.wine.unix(tmp).iterdir()), [])
        # The per-process file name gets a separator after the fallback directory.
        self.assertTrue(re.fullmatch(r"(?i)c:\\windows\\temp\\kvl_p\d+\.tmp", road.prop("kvell.processCommFile")),
                        road.prop("kvell.processCommFile"))


if __name__ == "__main__":
    unittest.main()

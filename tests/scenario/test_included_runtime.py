"""A runtime that comes with the launcher: jre.tar.gz among the included files
is unpacked into "jre" beside them, the archive deleted, Pack200-packed jars
restored (entry 153), and the program started from there; a damaged archive is
fatal and leaves no "jre" behind; a language restart uses the "jre" an earlier
run unpacked."""

import gzip
import shutil
import time
import unittest

from road import STANDIN, RoadCase, road_payload, runtime_archive
from wineharness import control

CORRUPTED = "The bundled JRE is corrupted. If you downloaded the setup file please download it again."


class IncludedRuntime(RoadCase):

    def launcher(self, case, packed=False, archive=None):
        home = STANDIN / ("jre-packed" if packed else "jre")
        data, size = archive or runtime_archive(home)
        entries = {151: str(size), 153: "1" if packed else "0"}
        files = [("app.jar", b"PK"), ("jre.tar.gz", data)]
        return case.launcher(road_payload(entries, files=files))

    def test_unpacked_and_started_from_jre(self):
        for packed in [False, True]:
            with self.subTest(packed=packed):
                case = self.new_case()
                # No runtime anywhere else: only the included one can start.
                road = self.road(self.launcher(case, packed), args="-q", case=case, java_home=None)
                # (The Pack200 step says what it does on standard output.)
                self.assertEqual((road.result.exit_code, road.result.stdout),
                                 (0, "Preparing JRE ...\n" if packed else ""), road.describe())
                self.assertEqual(road.jvm()[-1], "jvm DestroyJavaVM", road.describe())
                directory = road.log_value("Temp dir: ")
                jre = directory + "\\jre"
                self.assertInOrder(road.log, ["JRE included", "extracting JRE", "untaring JRE was successful"] +
                                   (["JRE is packed"] if packed else []) + ["JRE dir: " + jre], road)
                self.assertEqual(road.jvm()[0], "jvm loaded %s\\bin\\server\\jvm.dll" % jre.lower(), road.describe())
                unpacked = self.wine.unix(jre)
                self.assertFalse(self.wine.unix(directory + "\\jre.tar.gz").exists(), "the archive is deleted")
                self.assertTrue((unpacked / "lib" / "rt.jar").is_file())
                self.assertEqual(list((unpacked / "lib").glob("*.pack")), [])

    def test_progress_dialog_range_with_an_included_runtime(self):
        # The extraction fills 0..100 of 0..150; the launch watcher goes on
        # from 100 and stays below 140.
        run = self.spawn_road(self.launcher(self.case), java_home=None, env={"KVELL_STANDIN_MAIN_SLEEP_MS": "8000"},
                              timeout=60)
        dialog = self.wine.wait_window(run.started.pid, "MyDialogClass", None, timeout=20)
        self.assertIsNotNone(dialog)
        seen = []
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and not (seen and seen[-1]["pos"] >= 100):
            seen.append(control(self.wine.dump_window(dialog), 1001))
            time.sleep(0.3)
        road = run.finish()
        self.assertEqual(road.result.exit_code, 0, road.describe())
        self.assertTrue(all(bar["range"] in ([0, 100], [0, 150]) for bar in seen), seen)
        self.assertEqual(seen[-1]["range"], [0, 150], seen)
        self.assertTrue(100 <= seen[-1]["pos"] <= 140, seen)

    def test_damaged_archive_is_fatal_and_leaves_no_jre(self):
        data, size = runtime_archive(STANDIN / "jre")
        raw = gzip.decompress(data)
        truncated = gzip.compress(raw[:len(raw) // 2], mtime=0)
        road = self.road(self.launcher(self.case, archive=(truncated, size)), args="-q", java_home=None)
        self.assertRoadFatal(road, CORRUPTED)
        self.assertIn("ERROR: Could not untar JRE", road.log)
        self.assertFalse(self.wine.unix(road.log_value("Temp dir: ") + "\\jre").exists())
        self.assertEqual(road.transcript, [])

    def test_language_restart_uses_the_unpacked_jre(self):
        directory = self.case.path("restart")
        shutil.copytree(STANDIN / "jre", self.wine.unix(directory + "\\jre"))
        road = self.road(self.case.launcher(road_payload()), args="__qmr_lang_restart", cwd=directory,
                         java_home=None)
        self.assertLaunched(road)
        self.assertInOrder(road.log, ["Checking extracted JRE: %s\\jre" % directory, "JRE included",
                                      "JRE dir: %s\\jre" % directory], road)
        self.assertNotIn("extracting JRE", road.log)


if __name__ == "__main__":
    unittest.main()

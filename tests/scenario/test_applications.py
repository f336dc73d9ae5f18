"""Ordinary applications rather than installers: the console stub kvellc.exe
and errors that nobody could read on standard error,
the user's working directory (entry 162), every argument for the program
(163), the run's files removed and earlier runs' leftovers swept (164), and no
installation marker (165)."""

import struct
import time
import unittest

from road import MARKER_KEY, MARKER_VALUE, MESSAGES, RoadCase, road_payload
from wineharness import Config

CONSOLE_STUB = Config.stub.parent / "kvellc.exe"
FILES = [("app.jar", b"PK"), ("extra.vmoptions", b"-Dfrom.extra=1\r\n")]


def subsystem(path):
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, pe + 24 + 68)[0]


class Applications(RoadCase):

    def runs_left(self, case):
        """What is in the case's TMP besides the logs and the process files."""
        return sorted(p.name for p in case.tmp.iterdir() if not p.name.startswith(("qmr_", "kvl_")))

    def test_console_stub(self):
        self.assertEqual((subsystem(Config.stub), subsystem(CONSOLE_STUB)), (2, 3))  # GUI, console
        launcher = self.case.launcher(road_payload(files=FILES), stub=CONSOLE_STUB)
        road = self.road(launcher, args="-q", java_home=None)
        self.assertEqual((road.result.exit_code, road.result.stdout), (83, "no jre found\n"), road.describe())
        road = self.road(launcher, env={"KVELL_STANDIN_MAIN_EXIT": "7"})
        self.assertEqual(road.result.exit_code, 7, road.describe())

    def test_an_error_nobody_could_read_on_standard_error_waits_in_a_box(self):
        # Started from Explorer, kvellc.exe has a console window of its own,
        # which closes with it; kvell.exe has no standard error at all.
        payload = road_payload({124: "'open"}, files=FILES)  # a fatal error
        for stub in (CONSOLE_STUB, Config.stub):
            with self.subTest(stub=stub.name):
                road = self.road(self.case.launcher(payload, stub=stub), new_console=True)
                self.assertEqual((road.result.exit_code, len(road.result.boxes)), (1, 1), road.describe())
                self.assertTrue(road.result.boxes[0].text.startswith(MESSAGES[1007] + "\n\nLog: "), road.describe())
        # Its output captured, kvellc.exe reports on standard error.
        self.assertRoadFatal(self.road(self.case.launcher(payload, stub=CONSOLE_STUB)), MESSAGES[1007])

    def test_the_program_works_where_the_user_started_it(self):
        work = self.case.dir / "work"
        work.mkdir()
        configured = self.case.dir / "configured"
        configured.mkdir()
        (self.case.dir / "app.vmoptions").write_bytes(b"-include-options extra.vmoptions\r\n")
        for entries, cwd, expected in [({162: "1"}, self.case.path("work"), self.case.path("work")),
                                       ({162: "1", 146: "configured"}, self.case.path("work"),
                                        self.case.path("configured")),
                                       ({}, self.case.path("work"), None)]:
            with self.subTest(entries=entries):
                road = self.road(self.case.launcher(road_payload(entries, files=FILES)), cwd=cwd)
                self.assertLaunched(road)
                extraction = road.log_value("Temp dir: ")
                self.assertEqual(road.single("jvm create cwd="), expected or extraction)
                # A relative include names an included file, wherever the program works.
                self.assertEqual(road.prop("from.extra"), "1", road.describe())

    def test_every_argument_goes_to_the_program(self):
        road = self.road(self.case.launcher(road_payload({163: "1"}, files=FILES)), args="-c -q -manual x")
        self.assertLaunched(road)
        self.assertEqual(road.main_args[6:], ["-c", "-q", "-manual", "x"])
        self.assertIn("Launcher switches off: every argument goes to the program", road.log)
        self.assertNotIn("Quiet installer.", road.log)

    def test_run_files_removed_and_leftovers_swept(self):
        case = self.case
        payload = road_payload({164: "1", 160: "1"}, files=FILES)
        # Leftovers: a killed run's pair, and what is not ours.
        (case.tmp / "kvl1A2B.tmp").write_bytes(b"")
        (case.tmp / "kvl1A2B.tmp_dir").mkdir()
        (case.tmp / "kvl1A2B.tmp_dir" / "app.jar").write_bytes(b"PK")
        foreign = ["kvlNOTHEX.tmp", "kvlNOTHEX.tmp_dir", "kvl77.tmp_dir", "other.tmp_dir"]
        for name in foreign:
            (case.tmp / name).mkdir() if name.endswith("_dir") else (case.tmp / name).write_bytes(b"")
        # A live run keeps its files.
        live = self.spawn_road(case.launcher(payload, name="live.exe"), env={"KVELL_STANDIN_MAIN_SLEEP_MS": "15000"},
                               timeout=60)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and not [p for p in case.tmp.glob("kvl*.tmp_dir") if p.name not in
                                                     foreign + ["kvl1A2B.tmp_dir"]]:
            time.sleep(0.2)
        before = set(self.runs_left(case))
        self.assertEqual(len(before - set(foreign)), 2, before)  # the live run's pair; the killed run's is gone
        road = self.road(case.launcher(payload))
        self.assertEqual((road.result.exit_code, road.result.stderr), (0, ""), road.describe())
        self.assertEqual(road.log[-4:], ["dest JVM", "launch done", "Removed " + road.log_value("Temp dir: "), ""])
        self.assertEqual(set(self.runs_left(case)), before)  # the live run's files stay
        live = live.finish()
        self.assertEqual(live.result.exit_code, 0, live.describe())
        self.assertIn("Removing the files of an earlier run: %s\\kvl1A2B.tmp_dir" % case.tmp_win, live.log)
        self.assertEqual(self.runs_left(case), sorted(foreign))  # its own end removed it

    def test_no_installation_marker(self):
        # Set by an earlier installer: no question, and left as it is.
        road = self.road(self.case.launcher(road_payload({165: "1"}, files=FILES)), marker=1)
        self.assertLaunched(road)
        self.assertEqual(self.marker_value(), 1)
        self.wine.reg_delete(MARKER_KEY, MARKER_VALUE)
        road = self.road(self.case.launcher(road_payload({165: "1"}, files=FILES)))
        self.assertLaunched(road)
        self.assertIsNone(self.marker_value())


if __name__ == "__main__":
    unittest.main()

"""One running instance per launcher path: a second start from the same file
raises the first one's windows and ends with 0 before doing any work.

Real processes, semaphores and windows: the first instance's Java program (the
stand-in) keeps a window open until the test closes it through wintool.exe.
Own file: the instance semaphores and the process ids in the registry are
state of the whole Wine session."""

import re
import threading
import time
import unittest

from road import RoadCase, road_payload

PIDS_KEY = r"HKCU\SOFTWARE\brisco-labworks\kvell\pids"
WINDOW_OPEN_MS = "60000"


class Running:
    """A launcher run in the background (RoadCase.road on a thread)."""

    def __init__(self, test, launcher, title, case, env=None):
        self.road = None
        self.error = None
        self.title = title
        self.case = case
        run_env = {"KVELL_STANDIN_WINDOW_MS": WINDOW_OPEN_MS, "KVELL_STANDIN_WINDOW_TITLE": title}
        run_env.update(env or {})

        def run():
            try:
                self.road = test.road(launcher, case=case, env=run_env, timeout=90)
            except BaseException as e:  # reported by finish()
                self.error = e

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def wait_for_window(self, test):
        transcript = self.case.dir / "transcript.txt"
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and self.thread.is_alive():
            if transcript.exists() and ("jvm window shown " + self.title) in transcript.read_text(encoding="utf-8"):
                return
            time.sleep(0.1)
        test.fail("the first instance shows no window: %s" % (self.road.describe() if self.road else self.error))

    def finish(self, test):
        """Closes the program's window; the run then ends normally."""
        test.wine.wintool("window", self.title, "close")
        self.thread.join(60)
        test.assertFalse(self.thread.is_alive(), "the first instance did not end")
        if self.error is not None:
            raise self.error
        road = self.road
        test.assertEqual((road.result.exit_code, road.result.boxes, road.result.stderr), (0, [], ""), road.describe())
        test.assertIn("jvm DestroyJavaVM", road.transcript, road.describe())
        test.assertInOrder(road.transcript, ["jvm window shown " + self.title, "jvm window closed"], road)
        return road


class SingleInstance(RoadCase):

    def start(self, launcher, title, env=None):
        running = Running(self, launcher, title, self.new_case(), env)
        self.addCleanup(lambda: running.thread.is_alive() and self.wine.wintool("window", title, "close"))
        running.wait_for_window(self)
        return running

    def window(self, title, action="state"):
        return self.wine.wintool("window", title, action)

    def pid_of(self, launcher):
        return self.wine.reg_query(PIDS_KEY, launcher.lower())

    def assertLogMatches(self, road, patterns):
        """Each pattern matches a whole log line, in this order."""
        at = 0
        for pattern in patterns:
            while at < len(road.log) and not re.fullmatch(pattern, road.log[at]):
                at += 1
            self.assertLess(at, len(road.log), "%r not found in order\n%s" % (pattern, road.describe()))
            at += 1

    def assertHandedOver(self, road):
        """Exit code 0, nothing shown, no JVM, no work."""
        self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout, road.result.stderr),
                         (0, [], "", ""), road.describe())
        self.assertEqual(road.transcript, [], road.describe())
        self.assertNotIn("Init done", road.log, road.describe())
        self.assertEqual(road.log[-2:], ["exiting", ""], road.describe())

    def test_second_start_raises_the_first_and_ends(self):
        launcher = self.case.launcher(road_payload(), subdir="Setup", name="Install.exe")
        first = self.start(launcher, "First Instance")
        pid = self.pid_of(launcher)
        self.assertIsNotNone(pid)
        self.assertEqual(self.window("First Instance", "minimize"), "minimized")
        name = re.escape(launcher.lower().replace("\\", "_"))
        for start_path in [launcher, launcher.upper(), launcher.replace("\\Setup\\", "\\\\Setup\\\\")]:
            with self.subTest(start_path):
                second = self.road(start_path, case=self.new_case())
                self.assertHandedOver(second)
                restore = ["restore"] if start_path == launcher else []
                self.assertLogMatches(second, [
                    "single instance mode",
                    r"semaphore name %s, code 183, value [0-9A-Fa-f]+" % name,
                    "other pid %d" % pid,
                    "found window [0-9A-Fa-f]+"] + restore + ["foreground", "popup", "done", "exiting"])
                self.assertEqual(self.window("First Instance"), "normal")
                self.assertEqual(self.pid_of(launcher), pid, "the second start wrote its own id")
        # A language restart comes from the running instance itself: it runs.
        restart = self.road(launcher, case=self.new_case(), cmdline='"%s" __qmr_lang_restart' % launcher)
        self.assertLaunched(restart)
        self.assertNotIn("single instance mode", restart.log, restart.describe())
        # The second start's log goes like any other unless it was asked to stay.
        case = self.new_case()
        self.assertEqual(case.run(launcher).exit_code, 0)
        self.assertEqual(case.logs(), [])
        self.assertEqual(first.finish(self).result.pid, pid)

    def test_copy_elsewhere_runs_and_a_stranger_is_not_raised(self):
        one = self.case.launcher(road_payload(), subdir="one")
        other = self.case.launcher(road_payload(), subdir="other")
        first = self.start(one, "Instance One")
        copy = self.start(other, "Instance Other")  # runs although the first one does
        stranger = self.pid_of(other)
        self.assertNotEqual(stranger, self.pid_of(one))
        for title in ("Instance One", "Instance Other"):
            self.window(title, "minimize")
        # A stale id, now another program's: nothing may come to the front.
        self.wine.reg_add(PIDS_KEY, one.lower(), stranger, kind="REG_DWORD")
        second = self.road(one, case=self.new_case())
        self.assertHandedOver(second)
        self.assertLogMatches(second, [
            "other pid %d" % stranger,
            r"other pid %d runs %s, not this launcher, nothing activated" % (stranger, re.escape(other)),
            "exiting"])
        self.assertFalse(any(line.startswith("found window") for line in second.log), second.describe())
        for title in ("Instance One", "Instance Other"):
            self.assertEqual(self.window(title), "minimized", title)
        first.finish(self)
        copy.finish(self)

    def test_killed_instance_leaves_a_stale_id(self):
        launcher = self.case.launcher(road_payload())
        killed = self.road(launcher, env={"KVELL_STANDIN_WINDOW_MS": WINDOW_OPEN_MS}, timeout=4)
        self.assertEqual(killed.result.exit_code, 124, killed.describe())
        self.assertEqual(self.pid_of(launcher), killed.result.pid)
        # Its semaphore went with it: the next start is a first instance.
        road = self.road(launcher, case=self.new_case())
        self.assertLaunched(road)
        self.assertLogMatches(road, [r"semaphore name \S+, code 0, value [0-9A-Fa-f]+", "Init done"])
        self.assertEqual(self.pid_of(launcher), road.result.pid)

    def test_semaphore_name_and_its_property(self):
        for global_entry, prefix in [(None, ""), ("1", "Global\\")]:
            with self.subTest(entry_158=global_entry):
                case = self.new_case()
                entries = {158: global_entry} if global_entry else {}
                launcher = case.launcher(road_payload(entries), subdir="Setup", name="Install.exe")
                road = self.road(launcher, case=case)
                self.assertLaunched(road)
                name = prefix + r"c:_kvell_%s_setup_install.exe" % case.win_dir.split("\\")[-1]
                self.assertEqual(road.options[0], "-Dkvell.semaphoreName=" + name, road.describe())
                self.assertLogMatches(road, [r"semaphore name %s, code 0, value [0-9A-Fa-f]+" % re.escape(name)])

    def test_multiple_instances_entry(self):
        launcher = self.case.launcher(road_payload({160: "1"}))
        first = self.start(launcher, "Many")
        second = self.road(launcher, case=self.new_case())
        self.assertLaunched(second)
        self.assertIn("multiple instances allowed", second.log)
        self.assertIsNone(second.prop("kvell.semaphoreName"), second.describe())
        self.assertIsNone(self.pid_of(launcher))
        first.finish(self)


if __name__ == "__main__":
    unittest.main()

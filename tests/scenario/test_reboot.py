"""The reboot command line "__qmr_reboot": the launcher waits five seconds, asks
Windows to restart and does nothing else (no log, no Payload). In its own prefix,
because Wine's restart request ends that prefix's session."""

import time
import unittest

from wineharness import ScenarioCase

READ_INT = "Internal Error: readInt"


class RebootCommandLine(ScenarioCase):
    """All cases use the bare stub: any run that reads the Payload fails."""

    def root_logs(self):
        return set(self.wine.drive_c.glob("qmr_nlog*"))

    def test_reboot_command_runs_nothing_else(self):
        # The only run that really waits five seconds; last, as it ends the
        # prefix's session.
        before = self.root_logs()
        result = self.case.run(self.case.launcher(None), args="__qmr_reboot", env={"KVELL_LOG": "yes"})
        self.assertCleanRun(result)
        self.assertGreaterEqual(result.elapsed, 4.5, "the reboot mode waits five seconds first")
        self.assertEqual(self.case.logs(), [], "no log in TMP")
        self.assertEqual(self.root_logs(), before, "no log in C:\\")

    def test_near_misses_are_ordinary_runs(self):
        for args in ["__qmr_reboot x", "__qmr_reboot ", "__QMR_REBOOT", "__qmr_rebootx", "__qmr_rebo",
                     "x __qmr_reboot", "'__qmr_reboot'"]:
            with self.subTest(args=args):
                case = self.new_case()
                started = time.monotonic()
                result = case.run(case.launcher(None), args=args)
                self.assertFatalBox(result, READ_INT, case=case)
                self.assertLess(time.monotonic() - started, 4.5, "no five-second wait")


if __name__ == "__main__":
    unittest.main()

"""A launcher built by the real build tool, kvellpack, runs: its Payload has the
layout the launcher reads, its texts arrive in the launcher's code page, and its
included-file records follow the entries."""

import subprocess
import unittest

from payload import SCRAMBLE_BYTE, read_payload
from wineharness import Config, ScenarioCase, log_lines

PROJECT = """\
program_type = 1
flavour = "installer"
include_runtime_jar = false
app_title = "Gr\u00fc\u00dfe Setup"
[messages]
caption = "Gr\u00fc\u00dfe \u2013 Setup"
unbalanced_quotes = "Anf\u00fchrungszeichen fehlt: {0}"
[raw.strings]
4711 = "raw value"
[[included_files]]
path = "data.bin"
name = "data.bin"
"""

INCLUDED = bytes(range(256)) * 3


class KvellpackLaunchers(ScenarioCase):

    @classmethod
    def setUpClass(cls):
        if not Config.kvellpack.exists():
            raise unittest.SkipTest("kvellpack was not built: %s" % Config.kvellpack)
        super().setUpClass()

    def pack(self):
        project = self.case.dir / "project.toml"
        project.write_text(PROJECT, encoding="utf-8")
        (self.case.dir / "data.bin").write_bytes(INCLUDED)
        out = self.case.dir / "packed.exe"
        done = subprocess.run([str(Config.kvellpack), "pack", str(project), "--stub", str(Config.stub),
                               "-o", str(out)], capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        return out

    def test_payload_reads_back_with_the_launcher_layout(self):
        data = self.pack().read_bytes()
        payload = read_payload(data)
        self.assertEqual(payload.strings[107], "1")
        self.assertEqual(payload.strings[2001][:1], "i")
        self.assertEqual(payload.strings[1000], "Gr\u00fc\u00dfe \u2013 Setup")  # en dash: cp1252 0x96
        self.assertEqual(payload.strings[4711], "raw value")
        self.assertEqual(payload.strings[2002], "1")
        self.assertEqual(payload.strings[2003], "data.bin")
        self.assertEqual(payload.wides[20013], "Gr\u00fc\u00dfe Setup")
        records = data[payload.files_offset:]
        self.assertEqual(int.from_bytes(records[:8], "little", signed=True), len(INCLUDED))
        self.assertEqual(bytes(b ^ SCRAMBLE_BYTE for b in records[8:8 + len(INCLUDED)]), INCLUDED)
        self.assertEqual(len(records), 8 + len(INCLUDED))

    def test_packed_launcher_starts(self):
        # Quiet: without a Java runtime on the test machine it ends with code 83,
        # after the included file was extracted.
        launcher = self.wine.windows(self.pack())
        result = self.case.run(launcher, args="-q", env={"KVELL_LOG": "yes"})
        self.assertQuietNoRuntime(result)
        [log] = self.case.logs()
        lines = log_lines(log)
        self.assertIn("Init done", lines)
        self.assertIn("Included files: 1", lines)
        extracted = [p for p in self.case.tmp.glob("*_dir/data.bin")]
        self.assertEqual(len(extracted), 1, list(self.case.tmp.iterdir()))
        self.assertEqual(extracted[0].read_bytes(), INCLUDED)

    def test_packed_texts_reach_the_message_box(self):
        launcher = self.wine.windows(self.pack())
        result = self.case.run(launcher, args='"x')
        self.assertFatalBox(result, "Anf\u00fchrungszeichen fehlt: {0}", caption="Gr\u00fc\u00dfe \u2013 Setup")


if __name__ == "__main__":
    unittest.main()

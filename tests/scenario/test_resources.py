"""A launcher packed with an icon and version information: Windows' resource
functions see them (GetFileVersionInfo's strings; icon 1001, which the dialogs
load, through LoadIcon and LoadImage, each size its own image), and the
launcher still starts and finds its Payload after the added section."""

import json
import subprocess
import unittest

from icons import make_ico
from wineharness import Config, ScenarioCase, log_lines

RED, BLUE, GREEN = (255, 0, 0), (0, 0, 255), (0, 160, 0)
PROJECT = """\
include_runtime_jar = false
included_files = ["data.bin"]
[resources]
icon = "app.ico"
file_version = "2.5.0.17"
product_version = "2.5"
company_name = "Gr\u00fc\u00dfe GmbH"
product_name = "Resource scenario"
file_description = "A launcher with its own icon"
copyright = "\u00a9 2024 Gr\u00fc\u00dfe GmbH"
original_filename = "scenario.exe"
"""


class PackedResources(ScenarioCase):

    @classmethod
    def setUpClass(cls):
        if not Config.kvellpack.exists():
            raise unittest.SkipTest("kvellpack was not built: %s" % Config.kvellpack)
        super().setUpClass()

    def pack(self):
        (self.case.dir / "app.ico").write_bytes(make_ico([(16, RED), (48, BLUE), (256, GREEN, "png")]))
        (self.case.dir / "data.bin").write_bytes(b"included")
        project = self.case.dir / "project.toml"
        project.write_text(PROJECT, encoding="utf-8")
        out = self.case.dir / "packed.exe"
        done = subprocess.run([str(Config.kvellpack), "pack", str(project), "--stub", str(Config.stub),
                               "-o", str(out)], capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        return out

    def test_windows_reads_the_version_strings_and_the_icon(self):
        seen = json.loads(self.wine.wintool("resources", self.wine.windows(self.pack())))
        self.assertEqual(seen["version"], {
            "file": "2.5.0.17", "product": "2.5.0.0", "strings": {
                "CompanyName": "Gr\u00fc\u00dfe GmbH",
                "FileDescription": "A launcher with its own icon",
                "FileVersion": "2.5.0.17",
                "LegalCopyright": "\u00a9 2024 Gr\u00fc\u00dfe GmbH",
                "OriginalFilename": "scenario.exe",
                "ProductName": "Resource scenario",
                "ProductVersion": "2.5",
            }})
        icon = seen["icon"]
        self.assertTrue(icon["load_icon"])
        # Each size that the icon holds comes from its own image, the PNG one too.
        self.assertEqual(icon["sizes"]["16"], {"width": 16, "centre": list(RED)})
        self.assertEqual(icon["sizes"]["48"], {"width": 48, "centre": list(BLUE)})
        self.assertEqual(icon["sizes"]["256"], {"width": 256, "centre": list(GREEN)})
        self.assertEqual(icon["sizes"]["32"]["width"], 32)

    def test_packed_launcher_still_starts(self):
        launcher = self.wine.windows(self.pack())
        result = self.case.run(launcher, args="-q", env={"KVELL_LOG": "yes"})
        self.assertQuietNoRuntime(result)
        [log] = self.case.logs()
        lines = log_lines(log)
        self.assertIn("Init done", lines)
        self.assertIn("Included files: 1", lines)
        extracted = list(self.case.tmp.glob("*_dir/data.bin"))
        self.assertEqual([p.read_bytes() for p in extracted], [b"included"])


if __name__ == "__main__":
    unittest.main()

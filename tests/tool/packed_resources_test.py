"""A launcher packed with an icon, version information and an execution level,
read back with icoutils' wrestool (list, extract) and with the resource reader
of launcher_resources_test.py: the new resources are there, the stub's
dialogs and the rest of its manifest are unchanged, and `kvellpack inspect`
lists them.

Usage: packed_resources_test.py KVELLPACK KVELL_EXE [unittest arguments]
Exit code 77 (skipped) without wrestool.
"""
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "scenario"))
from icons import ico_images, make_ico  # noqa: E402
from launcher_resources_test import RT_DIALOG, RT_MANIFEST, read_resources  # noqa: E402

KVELLPACK = STUB = None
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16

IMAGES = [(16, (255, 0, 0)), (48, (0, 0, 255)), (256, (0, 160, 0), "png")]
STRINGS = {
    "CompanyName": "Grüße & Söhne",
    "FileDescription": "Packed with resources",
    "FileVersion": "3.1.4.1",
    "LegalCopyright": "© 2024 Grüße",
    "OriginalFilename": "resources.exe",
    "ProductName": "Resource test",
    "ProductVersion": "3.1",
}
PROJECT = """\
main_class = "a.Main"
include_runtime_jar = false
[resources]
icon = "app.ico"
company_name = "Grüße & Söhne"
file_description = "Packed with resources"
file_version = "3.1.4.1"
copyright = "© 2024 Grüße"
original_filename = "resources.exe"
product_name = "Resource test"
product_version = "3.1"
execution_level = "highestAvailable"
"""


def version_strings(data):
    """(file version, product version, {name: value}) of a VS_VERSIONINFO."""
    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        end = data.index(b"\0\0", at + 6)
        while (end - at - 6) % 2:
            end = data.index(b"\0\0", end + 1)
        key = data[at + 6:end].decode("utf-16-le")
        return length, value_length, kind, key, (end + 2 + 3) & ~3

    def children(start, end):
        at = (start + 3) & ~3
        while at < end:
            yield at
            at = (at + struct.unpack_from("<H", data, at)[0] + 3) & ~3

    length, value_length, _, key, value = node(0)
    assert key == "VS_VERSION_INFO", key
    fixed = struct.unpack_from("<13I", data, value)
    assert fixed[0] == 0xFEEF04BD
    version = lambda high, low: "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    strings = {}
    for child in children(value + value_length, length):
        child_length, _, _, child_key, child_value = node(child)
        if child_key != "StringFileInfo":
            continue
        for table in children(child_value, child + child_length):
            table_length, _, _, table_key, table_value = node(table)
            assert table_key == "040904B0", table_key
            for entry in children(table_value, table + table_length):
                entry_length, chars, _, name, text = node(entry)
                strings[name] = data[text:text + 2 * chars].decode("utf-16-le").rstrip("\0")
    return version(fixed[2], fixed[3]), version(fixed[4], fixed[5]), strings


class PackedResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = Path(tempfile.mkdtemp(prefix="kvellpack_resources."))
        (cls.dir / "app.ico").write_bytes(make_ico(IMAGES))
        (cls.dir / "p.toml").write_text(PROJECT, encoding="utf-8")
        cls.exe = cls.dir / "packed.exe"
        subprocess.run([KVELLPACK, "pack", str(cls.dir / "p.toml"), "--stub", STUB, "-o", str(cls.exe)],
                       check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def wrestool(self, *args):
        done = subprocess.run(["wrestool", *args, str(self.exe)], capture_output=True, check=True)
        return done.stdout

    def test_wrestool_lists_the_new_resources_and_the_stubs_dialogs(self):
        listed = re.findall(rb"--type=(\d+) --name=(\d+) --language=(\d+)", self.wrestool("-l"))
        kinds = sorted((int(t), int(n), int(lang)) for t, n, lang in listed)
        self.assertEqual(kinds, [(RT_ICON, 1, 1033), (RT_ICON, 2, 1033), (RT_ICON, 3, 1033),
                                 (RT_DIALOG, 103, 1033), (RT_DIALOG, 104, 1033),
                                 (RT_GROUP_ICON, 1001, 1033), (RT_VERSION, 1, 1033), (RT_MANIFEST, 1, 1033)])

    def test_wrestool_extracts_the_icon_as_packed(self):
        extracted = self.wrestool("-x", "--type=14", "--name=1001")
        expected = [(side, side, 32, image[3]) for (side, *_), image in zip(IMAGES, ico_images(make_ico(IMAGES)))]
        self.assertEqual(ico_images(extracted), expected)

    def test_wrestool_extracts_the_version_information(self):
        file_version, product_version, strings = version_strings(self.wrestool("-x", "--raw", "--type=16"))
        self.assertEqual((file_version, product_version), ("3.1.4.1", "3.1.0.0"))
        self.assertEqual(strings, STRINGS)

    def test_dialogs_kept_and_only_the_level_changed_in_the_manifest(self):
        stub = read_resources(Path(STUB).read_bytes())
        packed = read_resources(self.exe.read_bytes())
        for name in (103, 104):
            self.assertEqual(packed[(RT_DIALOG, name)], stub[(RT_DIALOG, name)])
        [manifest] = stub[(RT_MANIFEST, 1)].values()
        expected = manifest.replace(b'level="asInvoker"', b'level="highestAvailable"')
        self.assertNotEqual(expected, manifest)
        self.assertEqual(list(packed[(RT_MANIFEST, 1)].values()), [expected])

    def test_inspect_lists_the_resources(self):
        report = subprocess.run([KVELLPACK, "inspect", str(self.exe)], capture_output=True, check=True,
                                text=True, encoding="utf-8").stdout
        lines = report.splitlines()
        self.assertIn("Resources: 8, in the section .kvrsrc that kvellpack added", lines)
        group = [line for line in lines if line.startswith("  RT_GROUP_ICON")]
        self.assertEqual(len(group), 1, report)
        self.assertRegex(group[0], r"^  RT_GROUP_ICON +1001 +1033 +48 bytes: 16x16 32-bit, 48x48 32-bit, 256x256 PNG$")
        self.assertIn('    CompanyName        "Grüße & Söhne"', lines)
        self.assertRegex(report, r"\n  RT_VERSION +1 +1033 +\d+ bytes: file 3\.1\.4\.1, product 3\.1\.0\.0\n")
        self.assertRegex(report, r"\n  RT_MANIFEST +1 +1033 +\d+ bytes: execution level highestAvailable\n")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    KVELLPACK, STUB = sys.argv.pop(1), sys.argv.pop(1)
    if shutil.which("wrestool") is None:
        print("skipped: wrestool (icoutils) is not installed")
        sys.exit(77)
    unittest.main()

"""The resources compiled into kvell.exe (launcher/kvell.rc), read back from the
built program: the icon group and its images, both dialog templates field by
field, and the manifest's settings.

Usage: launcher_resources_test.py KVELL_EXE [unittest arguments]
"""
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_MINIMIZEBOX, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT, DS_FIXEDSYS, DS_3DLOOK = 0x80, 0x40, 0x08, 0x04
SS_ICON, SS_NOPREFIX = 0x03, 0x80
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x00, 0x01
WS_EX_APPWINDOW = 0x00040000
BUTTON, STATIC = 0x0080, 0x0082  # predefined classes by number
CHILD = WS_CHILD | WS_VISIBLE

EXE = None


def read_resources(image):
    """{(type, name): {language: data}} from a PE file's resource section."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise AssertionError("no PE signature")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", image, directories + 8 * 2)[0]
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", image, table + 40 * i + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise AssertionError(f"RVA {rva:#x} lies in no section")

    root = offset(rsrc_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for i in range(named + numbered):
            key, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * i)
            if key & 0x80000000:
                at = root + (key & 0x7FFFFFFF)
                length = struct.unpack_from("<H", image, at)[0]
                key = image[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield key, target

    found = {}
    for kind, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            for language, leaf in entries(names & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, root + leaf)
                found.setdefault((kind, name), {})[language] = bytes(image[offset(rva):offset(rva) + size])
    return found


class Reader:
    """Little-endian fields of a dialog template, in order."""

    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, layout):
        values = struct.unpack_from("<" + layout, self.data, self.at)
        self.at += struct.calcsize("<" + layout)
        return values

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def text_or_number(self):
        """A sz_Or_Ord field: a number (0xFFFF, n), None when empty, or a string."""
        first = struct.unpack_from("<H", self.data, self.at)[0]
        if first == 0xFFFF:
            return self.take("HH")[1]
        if first == 0:
            self.at += 2
            return None
        return self.text()

    def align(self):
        self.at = (self.at + 3) & ~3


def decode_dialog(data):
    """A DLGTEMPLATEEX as a dict, its controls as tuples
    (id, class, title, style, extended style, x, y, cx, cy)."""
    r = Reader(data)
    version, signature, help_id, ex_style, style, count, x, y, cx, cy = r.take("HHIIIHhhhh")
    dialog = dict(version=version, signature=signature, help_id=help_id, ex_style=ex_style, style=style,
                  position=(x, y), size=(cx, cy), menu=r.text_or_number(), window_class=r.text_or_number(),
                  caption=r.text())
    if style & DS_SETFONT:
        points, weight, italic, charset = r.take("HHBB")
        dialog["font"] = (r.text(), points, weight, italic, charset)
    controls = []
    for _ in range(count):
        r.align()
        help_id, ex_style, style, x, y, cx, cy, control_id = r.take("IIIhhhhi")
        window_class, title = r.text_or_number(), r.text_or_number()
        extra = r.take("H")[0]
        r.at += extra
        controls.append((control_id, window_class, title, style, ex_style, x, y, cx, cy, help_id, extra))
    dialog["controls"] = controls
    dialog["rest"] = data[r.at:]
    return dialog


def control(control_id, window_class, title, style, x, y, cx, cy):
    return (control_id, window_class, title, style, 0, x, y, cx, cy, 0, 0)


def one(resources, kind, name):
    languages = resources.get((kind, name), {})
    if len(languages) != 1:
        raise AssertionError(f"resource {kind}/{name}: {len(languages)} languages, expected one")
    return next(iter(languages.values()))


class LauncherResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.resources = read_resources(f.read())

    def check_dialog(self, name, style, ex_style, window_class, position, controls):
        dialog = decode_dialog(one(self.resources, RT_DIALOG, name))
        self.assertEqual((dialog["version"], dialog["signature"]), (1, 0xFFFF), "not a DIALOGEX template")
        self.assertEqual(hex(dialog["style"]), hex(style))
        self.assertEqual(hex(dialog["ex_style"]), hex(ex_style))
        self.assertEqual(dialog["window_class"], window_class)
        self.assertEqual(dialog["position"], position)
        self.assertEqual(dialog["size"], (233, 74))
        self.assertEqual((dialog["help_id"], dialog["menu"], dialog["caption"]), (0, None, ""))
        self.assertEqual(dialog["font"], ("MS Shell Dlg", 8, 400, 0, 1))
        self.assertEqual(len(dialog["controls"]), len(controls))
        for got, expected in zip(dialog["controls"], controls):
            self.assertEqual(got[:3] + (hex(got[3]),) + got[4:], expected[:3] + (hex(expected[3]),) + expected[4:])
        self.assertEqual(dialog["rest"].strip(b"\0"), b"", "data after the last control")

    def test_progress_dialog(self):
        self.check_dialog(
            103,
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK,
            WS_EX_APPWINDOW, "MyDialogClass", (22, 17), [
                control(1003, STATIC, None, CHILD | SS_NOPREFIX, 46, 6, 176, 29),
                control(1001, "msctls_progress32", None, CHILD | WS_BORDER, 6, 56, 162, 10),
                control(1002, STATIC, None, WS_CHILD | SS_NOPREFIX, 6, 45, 154, 8),
                control(2, BUTTON, None, CHILD | WS_TABSTOP | BS_PUSHBUTTON, 173, 54, 50, 14),
                control(-1, STATIC, 1001, CHILD | SS_ICON, 13, 10, 32, 32),
            ])

    def test_question_dialog(self):
        self.check_dialog(
            104, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, 0, None, (0, 0), [
                control(1004, BUTTON, None, CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 61, 54, 50, 14),
                control(1005, BUTTON, None, CHILD | WS_TABSTOP | BS_PUSHBUTTON, 117, 54, 50, 14),
                control(2, BUTTON, None, CHILD | WS_TABSTOP | BS_PUSHBUTTON, 173, 54, 50, 14),
                control(1003, STATIC, "Message", CHILD, 46, 6, 176, 40),
                control(-1, STATIC, 1001, CHILD | SS_ICON, 13, 10, 32, 32),
            ])

    def test_icon_group(self):
        group = one(self.resources, RT_GROUP_ICON, 1001)
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((reserved, kind), (0, 1))
        self.assertEqual(len(group), 6 + 14 * count)
        sizes = []
        for i in range(count):
            width, height, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            side = width or 256
            self.assertEqual((height or 256, planes, bits, colours), (side, 1, 32, 0))
            image = one(self.resources, RT_ICON, image_id)
            self.assertEqual(len(image), size, f"{side} px image")
            if image.startswith(b"\x89PNG\r\n\x1a\n"):
                self.assertEqual(struct.unpack_from(">4sII", image, 12), (b"IHDR", side, side))
            else:
                header, bmp_width, bmp_height, _, bmp_bits = struct.unpack_from("<IiiHH", image)
                self.assertEqual((header, bmp_width, bmp_height, bmp_bits), (40, side, 2 * side, 32))
            sizes.append(side)
        self.assertEqual(sorted(sizes), [16, 32, 48, 256])

    def test_manifest(self):
        self.assertEqual([name for kind, name in self.resources if kind == RT_MANIFEST], [1])
        root = ET.fromstring(one(self.resources, RT_MANIFEST, 1))
        v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        controls = [a.attrib for a in root.iter(v1 + "assemblyIdentity")
                    if a.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(controls), 1)
        self.assertEqual((controls[0]["version"], controls[0]["publicKeyToken"]), ("6.0.0.0", "6595b64144ccf1df"))
        self.assertIn(root.find(f"{v1}dependency/{v1}dependentAssembly/{v1}assemblyIdentity").attrib, controls)
        level = root.find(f"{v3}trustInfo/{v3}security/{v3}requestedPrivileges/{v3}requestedExecutionLevel")
        self.assertEqual(level.attrib, {"level": "asInvoker", "uiAccess": "false"})
        compat = "{urn:schemas-microsoft-com:compatibility.v1}"
        self.assertEqual({e.get("Id") for e in root.iter(compat + "supportedOS")}, {
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # Windows 8
            "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # Windows 8.1
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # Windows 10 and 11
        })
        settings = root.find(f"{v3}application/{v3}windowsSettings")
        self.assertEqual(settings.findtext("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware"),
                         "true/pm")
        self.assertEqual(settings.findtext("{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness"),
                         "PerMonitorV2, PerMonitor")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    EXE = sys.argv.pop(1)
    unittest.main()

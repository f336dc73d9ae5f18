"""Puts back the case of window class names in a compiled resource file.

windres writes every class name in a DIALOGEX template in capitals: the
dialog's own CLASS and its controls' classes ("MyDialogClass" becomes
"MYDIALOGCLASS"). Windows compares class names without regard to case, but
the templates should carry the names as the program registers and writes them.
This rewrites, in place, each class name that equals one of NAMES apart from
case; a NAME that no template uses is an error.

Usage: res_class_case.py FILE.res NAME...
"""
import struct
import sys

RT_DIALOG = 5
DS_SETFONT = 0x40


def align4(offset):
    return (offset + 3) & ~3


def read_string(data, at):
    """A NUL-terminated UTF-16 string: (text, offset after it)."""
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def name_field(data, at):
    """A sz_Or_Ord field: (text or None, offset of its text, offset after it)."""
    first = struct.unpack_from("<H", data, at)[0]
    if first == 0xFFFF:
        return None, at, at + 4
    if first == 0:
        return None, at, at + 2
    text, after = read_string(data, at)
    return text, at, after


def class_fields(data, start):
    """The string class names of the DIALOGEX template at start: (text, offset)."""
    version, signature = struct.unpack_from("<HH", data, start)
    if (version, signature) != (1, 0xFFFF):
        raise SystemExit("res_class_case: a dialog is not a DIALOGEX template")
    style, count = struct.unpack_from("<IH", data, start + 12)
    _, _, at = name_field(data, start + 26)  # menu
    text, where, at = name_field(data, at)
    if text is not None:
        yield text, where
    _, at = read_string(data, at)  # caption
    if style & DS_SETFONT:
        _, at = read_string(data, at + 6)
    for _ in range(count):
        at = align4(at - start) + start + 24  # helpID .. id
        text, where, at = name_field(data, at)
        if text is not None:
            yield text, where
        _, _, at = name_field(data, at)  # title
        extra = struct.unpack_from("<H", data, at)[0]
        at += 2 + extra


def dialogs(data):
    """The start of each dialog template in a .res file."""
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        kind = struct.unpack_from("<HH", data, at + 8)
        if kind == (0xFFFF, RT_DIALOG):
            yield at + header
        at = align4(at + header + size)


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    path, names = sys.argv[1], sys.argv[2:]
    data = bytearray(open(path, "rb").read())
    unused = set(names)
    for start in list(dialogs(data)):
        for text, where in list(class_fields(data, start)):
            for name in names:
                if text.upper() == name.upper():
                    data[where:where + 2 * len(name)] = name.encode("utf-16-le")
                    unused.discard(name)
    if unused:
        raise SystemExit("res_class_case: no dialog uses the class " + ", ".join(sorted(unused)))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()

"""Writing launchers for the scenario tests: a copy of the stub with a Payload
appended after the raw data of its last PE section.

Well-formed Payloads come from Payload(...).encode(); damaged ones are built
from the same pieces (int32, string_entry, wide_entry, ...) or by cutting an
encoded Payload short.

Layout: magic D5 13 E4 E8; N1; N1 x (id, byte length, 8-bit text); N2;
N2 x (id, byte length, UTF-16LE text); then the included files, each an 8-byte
size followed by its bytes XOR 0xA7. All integers little-endian and signed.
"""

import struct
from dataclasses import dataclass, field

MAGIC = 0xE8E413D5
SCRAMBLE_BYTE = 0xA7
# The launcher's 8-bit texts are in the system ANSI code page: 1252 in the
# default test prefix.
ANSI = "cp1252"


@dataclass
class PeLayout:
    """What the launcher's header walk finds (and logs) in a PE file."""
    pe_offset: int
    section_count: int
    optional_header_size: int
    last_section_header: int  # "resSectionTableStart"
    raw_data_size: int
    raw_data_offset: int

    @property
    def payload_start(self):
        return self.raw_data_offset + self.raw_data_size


def pe_layout(data: bytes) -> PeLayout:
    if data[:2] != b"MZ":
        raise ValueError("not an MZ executable")
    (pe,) = struct.unpack_from("<i", data, 60)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    (sections,) = struct.unpack_from("<h", data, pe + 6)
    (optional,) = struct.unpack_from("<h", data, pe + 20)
    last = pe + optional + 40 * sections - 16
    size, offset = struct.unpack_from("<ii", data, last + 16)
    return PeLayout(pe, sections, optional, last, size, offset)


# ---- pieces ----------------------------------------------------------------

def int32(value: int) -> bytes:
    """A signed 32-bit field; values up to 0xFFFFFFFF are taken as their bit pattern."""
    return struct.pack("<I", value & 0xFFFFFFFF)


def int64(value: int) -> bytes:
    return struct.pack("<Q", value & 0xFFFFFFFFFFFFFFFF)


def to_ansi(text) -> bytes:
    return text if isinstance(text, bytes) else text.encode(ANSI)


def to_utf16(text) -> bytes:
    return text if isinstance(text, bytes) else text.encode("utf-16-le")


def string_entry(entry_id: int, text, length=None) -> bytes:
    """One string entry; length overrides the byte count written before the text."""
    data = to_ansi(text)
    return int32(entry_id) + int32(len(data) if length is None else length) + data


def wide_entry(entry_id: int, text, length=None) -> bytes:
    """One wide entry; length overrides the byte count written before the text."""
    data = to_utf16(text)
    return int32(entry_id) + int32(len(data) if length is None else length) + data


def included_file(content: bytes, size=None) -> bytes:
    """One included-file record: 8-byte size, then the content XOR-scrambled."""
    return int64(len(content) if size is None else size) + bytes(b ^ SCRAMBLE_BYTE for b in content)


@dataclass
class Payload:
    """A well-formed Payload. Entries keep their order; a list of pairs may
    repeat an id (the later value wins in the launcher)."""
    strings: object = field(default_factory=dict)  # {id: str|bytes} or [(id, value)]
    wides: object = field(default_factory=dict)    # {id: str|bytes} or [(id, value)]
    files: list = field(default_factory=list)      # contents of the included files

    @staticmethod
    def _pairs(entries):
        return list(entries.items()) if isinstance(entries, dict) else list(entries)

    def string_part(self) -> bytes:
        pairs = self._pairs(self.strings)
        return int32(len(pairs)) + b"".join(string_entry(i, v) for i, v in pairs)

    def wide_part(self) -> bytes:
        pairs = self._pairs(self.wides)
        return int32(len(pairs)) + b"".join(wide_entry(i, v) for i, v in pairs)

    def entries_end(self) -> int:
        """Offset of the included files relative to the Payload's start."""
        return 4 + len(self.string_part()) + len(self.wide_part())

    def encode(self) -> bytes:
        return (int32(MAGIC) + self.string_part() + self.wide_part()
                + b"".join(included_file(c) for c in self.files))


# ---- launchers ---------------------------------------------------------------

def attach(stub: bytes, payload: bytes) -> bytes:
    """The stub cut at the end of its last section, followed by payload."""
    return stub[:pe_layout(stub).payload_start] + payload


def write_launcher(stub_path, out_path, payload) -> None:
    """Writes stub + payload (a Payload or raw bytes) to out_path."""
    with open(stub_path, "rb") as f:
        stub = f.read()
    data = payload.encode() if isinstance(payload, Payload) else bytes(payload)
    with open(out_path, "wb") as f:
        f.write(attach(stub, data))


@dataclass
class ReadBack:
    strings: dict
    wides: dict
    files_offset: int


def read_payload(data: bytes) -> ReadBack:
    """Reads the entries back from a launcher file (for checking other writers)."""
    pos = pe_layout(data).payload_start

    def take(fmt):
        nonlocal pos
        (value,) = struct.unpack_from(fmt, data, pos)
        pos += struct.calcsize(fmt)
        return value

    def block():
        nonlocal pos
        n = take("<i")
        if n < 0 or pos + n > len(data):
            raise ValueError("bad length %d at %d" % (n, pos))
        pos += n
        return data[pos - n:pos]

    if take("<I") != MAGIC:
        raise ValueError("no Payload magic")
    strings, wides = {}, {}
    for _ in range(max(take("<i"), 0)):
        entry_id = take("<i")
        strings[entry_id] = block().decode(ANSI)
    for _ in range(max(take("<i"), 0)):
        entry_id = take("<i")
        wides[entry_id] = block().decode("utf-16-le")
    return ReadBack(strings, wides, pos)

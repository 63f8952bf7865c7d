#!/usr/bin/env python3
"""Writes the effect's property list (the "PiPL" resource) as raw bytes.

Names, version and flags are read from the effect's identity header, the
same one the module registers with in PluginDataEntryFunction2 and sets at
GLOBAL_SETUP; a host compares them (the resource tests pin every byte).

Layout, all integers little-endian:
    uint16 1, int32 0, int32 property count, then per property:
    '8BIM', key, int32 id 0, int32 data length, data padded to 4 bytes.
Four-character codes are the little-endian image of their 32-bit value, so
'kind' lands in the file as "dnik". Counted strings are a length byte and the
characters. The length field is the padded size for strings and the C string
but the bare 2 for eINF: that is how the vendor's resource tool writes it, and
hosts step over each property by its length rounded up to 4.

Usage: make_pipl.py IDENTITY_HEADER OUTPUT
"""
import re
import struct
import sys

PIPL_VERSION = (2, 0)
MAX_NAME = 31  # hosts refuse longer effect names

DEFINE = re.compile(r'^#define\s+(KV_\w+)\s+(?:"([^"\\]*)"|(0x[0-9A-Fa-f]+|\d+))\s*$')


def read_identity(path):
    """The KV_* defines of the identity header: strings as bytes, numbers as int."""
    values = {}
    with open(path, encoding="ascii") as header:
        for line in header:
            match = DEFINE.match(line.strip())
            if match:
                name, text, number = match.groups()
                values[name] = text.encode("ascii") if text is not None else int(number, 0)
    return values


def packed_version(ident):
    return (ident["KV_VERSION_MAJOR"] << 19 | ident["KV_VERSION_MINOR"] << 15 |
            ident["KV_VERSION_BUGFIX"] << 11 | ident["KV_VERSION_STAGE"] << 9 | ident["KV_VERSION_BUILD"])


def fourcc(code):
    assert len(code) == 4
    return struct.pack("<I", int.from_bytes(code.encode("ascii"), "big"))


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def counted(text):
    if len(text) > 255:
        raise ValueError("counted string longer than 255 bytes")
    return pad4(bytes([len(text)]) + text)


def prop(key, data, length=None):
    padded = pad4(data)
    if length is None:
        length = len(padded)
    return fourcc("8BIM") + fourcc(key) + struct.pack("<iI", 0, length) + padded


def pipl_bytes(ident):
    name = ident["KV_EFFECT_NAME"]
    match_name = ident["KV_EFFECT_MATCH_NAME"]
    if len(name) > MAX_NAME or len(match_name) > MAX_NAME:
        raise ValueError("effect or match name longer than 31 bytes")
    props = [
        prop("kind", fourcc("eFKT")),
        prop("name", counted(name)),
        prop("catg", counted(ident["KV_EFFECT_CATEGORY"])),
        prop("8664", ident["KV_EFFECT_ENTRY_POINT"] + b"\0"),
        prop("ePVR", struct.pack("<hh", *PIPL_VERSION)),
        prop("eSVR", struct.pack("<hh", ident["KV_API_VERSION_MAJOR"], ident["KV_API_VERSION_MINOR"])),
        prop("eVER", struct.pack("<I", packed_version(ident))),
        prop("eINF", struct.pack("<h", 0), length=2),
        prop("eGLO", struct.pack("<I", ident["KV_OUT_FLAGS"])),
        prop("eGL2", struct.pack("<I", ident["KV_OUT_FLAGS2"])),
        prop("eMNA", counted(match_name)),
        prop("aeFL", struct.pack("<I", 0)),
        prop("eURL", counted(ident["KV_EFFECT_SUPPORT_URL"])),
    ]
    return struct.pack("<Hii", 1, 0, len(props)) + b"".join(props)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_pipl.py IDENTITY_HEADER OUTPUT\n")
        return 2
    data = pipl_bytes(read_identity(argv[1]))
    with open(argv[2], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Writes the effect's property list (the "PiPL" resource) as raw bytes.

The values below are the ones the module registers with in
PluginDataEntryFunction2 and sets at GLOBAL_SETUP; a host compares them, so a
change here must be made there too (the Windows resource test pins every byte).

Layout, all integers little-endian:
    uint16 1, int32 0, int32 property count, then per property:
    '8BIM', key, int32 id 0, int32 data length, data padded to 4 bytes.
Four-character codes are the little-endian image of their 32-bit value, so
'kind' lands in the file as "dnik". Counted strings are a length byte and the
characters. The length field is the padded size for strings and the C string
but the bare 2 for eINF: that is how the vendor's resource tool writes it, and
hosts step over each property by its length rounded up to 4.

Usage: make_pipl.py OUTPUT
"""
import struct
import sys

EFFECT_NAME = b"Kromvale"
MATCH_NAME = b"KRVL Kromvale"
CATEGORY = b"Color Correction"
ENTRY_POINT = b"EffectMain"
SUPPORT_URL = b"https://kromvale.example/support"
API_VERSION = (13, 29)
PIPL_VERSION = (2, 0)
EFFECT_VERSION = 0x0008000C  # 1.0, build 12: major << 19 | build
OUT_FLAGS = 0x04000400  # PIX_INDEPENDENT | SEND_UPDATE_PARAMS_UI
OUT_FLAGS2 = 0x08000000  # SUPPORTS_THREADED_RENDERING
MAX_NAME = 31  # hosts refuse longer effect names


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


def pipl_bytes():
    if len(EFFECT_NAME) > MAX_NAME or len(MATCH_NAME) > MAX_NAME:
        raise ValueError("effect or match name longer than 31 bytes")
    props = [
        prop("kind", fourcc("eFKT")),
        prop("name", counted(EFFECT_NAME)),
        prop("catg", counted(CATEGORY)),
        prop("8664", ENTRY_POINT + b"\0"),
        prop("ePVR", struct.pack("<hh", *PIPL_VERSION)),
        prop("eSVR", struct.pack("<hh", *API_VERSION)),
        prop("eVER", struct.pack("<I", EFFECT_VERSION)),
        prop("eINF", struct.pack("<h", 0), length=2),
        prop("eGLO", struct.pack("<I", OUT_FLAGS)),
        prop("eGL2", struct.pack("<I", OUT_FLAGS2)),
        prop("eMNA", counted(MATCH_NAME)),
        prop("aeFL", struct.pack("<I", 0)),
        prop("eURL", counted(SUPPORT_URL)),
    ]
    return struct.pack("<Hii", 1, 0, len(props)) + b"".join(props)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_pipl.py OUTPUT\n")
        return 2
    data = pipl_bytes()
    with open(argv[1], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Pins what wixl leaves to chance in an MSI's summary information.

Usage: msi_pin_summary.py PACKAGE.msi PACKAGE-CODE EPOCH

wixl stamps a random package code (the revision number) and the build's
clock (created, last saved) into the "\\005SummaryInformation" stream. This
overwrites those three values in place with PACKAGE-CODE ({GUID}) and EPOCH
(seconds since 1970, UTC). Only bytes inside the stream change: the values
keep their sizes, so the compound file's layout stays as wixl wrote it.
Exits non-zero, touching nothing, when the file or the stream is not what
wixl writes.
"""

import re
import struct
import sys

FREE_SECTOR = 0xFFFFFFFF
END_OF_CHAIN = 0xFFFFFFFE
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64
SECONDS_1601_TO_1970 = 11644473600


class Compound:
    """Just enough of the compound file format to find one stream's bytes."""

    def __init__(self, data):
        if data[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
            raise ValueError("not a compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        dir_start, = struct.unpack_from("<I", data, 0x30)
        self.cutoff, minifat_start = struct.unpack_from("<II", data, 0x38)
        difat_start, difat_count = struct.unpack_from("<II", data, 0x44)
        fat_sectors = list(struct.unpack_from("<109I", data, 0x4C))
        per_sector = self.sector_size // 4
        for _ in range(difat_count):
            block = struct.unpack_from(f"<{per_sector}I", data, self.offset(difat_start))
            fat_sectors += block[:-1]
            difat_start = block[-1]
        self.fat = []
        for s in fat_sectors:
            if s != FREE_SECTOR:
                self.fat += struct.unpack_from(f"<{per_sector}I", data, self.offset(s))
        self.minifat = []
        for s in self.chain(minifat_start):
            self.minifat += struct.unpack_from(f"<{per_sector}I", data, self.offset(s))
        self.entries = {}
        for s in self.chain(dir_start):
            for at in range(self.offset(s), self.offset(s) + self.sector_size, 128):
                name_len, kind = struct.unpack_from("<HB", data, at + 64)
                start, size = struct.unpack_from("<II", data, at + 116)
                name = data[at:at + max(name_len - 2, 0)].decode("utf-16-le")
                self.entries.setdefault(name, (kind, start, size))
        root = self.entries.get("Root Entry")
        if root is None:
            raise ValueError("no root entry")
        self.mini_stream = [self.offset(s) for s in self.chain(root[1])]

    def offset(self, sector):
        return (sector + 1) * self.sector_size

    def chain(self, start, table=None):
        table = self.fat if table is None else table
        seen = set()
        while start not in (END_OF_CHAIN, FREE_SECTOR):
            if start in seen or start >= len(table):
                raise ValueError("broken sector chain")
            seen.add(start)
            yield start
            start = table[start]

    def stream_offsets(self, name):
        """The file offset of each byte of the stream, in order."""
        kind, start, size = self.entries[name]
        offsets = []
        if size < self.cutoff:
            per_sector = self.sector_size // self.mini_size
            for m in self.chain(start, self.minifat):
                base = self.mini_stream[m // per_sector] + (m % per_sector) * self.mini_size
                offsets += range(base, base + self.mini_size)
        else:
            for s in self.chain(start):
                offsets += range(self.offset(s), self.offset(s) + self.sector_size)
        if len(offsets) < size:
            raise ValueError(f"stream {name!r} is shorter than its size")
        return offsets[:size]


def patches(stream, package_code, epoch):
    """(position in the stream, new bytes) for the three values."""
    sets, = struct.unpack_from("<I", stream, 24)
    if struct.unpack_from("<H", stream, 0)[0] != 0xFFFE or sets < 1:
        raise ValueError("not a property set")
    section, = struct.unpack_from("<I", stream, 44)
    _, count = struct.unpack_from("<II", stream, section)
    where = dict(struct.unpack_from(f"<{2 * count}I", stream, section + 8)[i:i + 2]
                 for i in range(0, 2 * count, 2))
    out = []
    filetime = struct.pack("<Q", (epoch + SECONDS_1601_TO_1970) * 10**7)
    for pid, kind, value in ((PID_REVNUMBER, VT_LPSTR, package_code.encode("ascii") + b"\0"),
                             (PID_CREATE_DTM, VT_FILETIME, filetime),
                             (PID_LASTSAVE_DTM, VT_FILETIME, filetime)):
        if pid not in where:
            raise ValueError(f"no property {pid}")
        at = section + where[pid]
        if struct.unpack_from("<I", stream, at)[0] != kind:
            raise ValueError(f"property {pid} has an unexpected type")
        at += 4
        if kind == VT_LPSTR:
            length, = struct.unpack_from("<I", stream, at)
            if length != len(value):
                raise ValueError("the revision number is not a {GUID}")
            at += 4
        out.append((at, value))
    return out


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    path, package_code, epoch = sys.argv[1], sys.argv[2].upper(), int(sys.argv[3])
    if not re.fullmatch(r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}", package_code):
        sys.exit(f"error: {package_code} is not a {{GUID}}")
    with open(path, "rb") as f:
        data = bytearray(f.read())
    try:
        cf = Compound(bytes(data))
        offsets = cf.stream_offsets("\x05SummaryInformation")
        stream = bytes(data[o] for o in offsets)
        for at, value in patches(stream, package_code, epoch):
            for i, b in enumerate(value):
                data[offsets[at + i]] = b
    except (ValueError, KeyError, struct.error) as e:
        sys.exit(f"error: {path}: {e}")
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()

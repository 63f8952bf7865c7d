#!/usr/bin/env python3
"""Writes a zip of a folder that depends only on the files' names and bytes.

Usage: make_zip.py OUTPUT.zip FOLDER EPOCH

Entries are the folder itself and everything below it, folders before their
contents, in byte order of their paths; every entry carries the same time
(EPOCH, seconds since 1970 in UTC, no earlier than 1980 as zip allows), Unix
permissions 644 for files and 755 for folders, and no extra fields. Files are
deflated at level 9.
"""

import os
import sys
import time
import zipfile


def entry(name, epoch, is_dir):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, 315532800))[:6])
    info.create_system = 3  # Unix, so that the permissions below count
    if is_dir:
        info.external_attr = (0o40755 << 16) | 0x10  # and the MS-DOS folder bit
        info.compress_type = zipfile.ZIP_STORED
    else:
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    output, folder, epoch = sys.argv[1], sys.argv[2].rstrip("/"), int(sys.argv[3])
    base = os.path.dirname(folder)
    paths = []
    for parent, dirs, files in os.walk(folder):
        rel = os.path.relpath(parent, base)
        paths.append((rel + "/", None))
        paths.extend((f"{rel}/{name}", os.path.join(parent, name)) for name in files)
    paths.sort(key=lambda p: p[0].encode())
    with zipfile.ZipFile(output, "w") as archive:
        for name, source in paths:
            if source is None:
                archive.writestr(entry(name, epoch, True), b"")
            else:
                with open(source, "rb") as f:
                    archive.writestr(entry(name, epoch, False), f.read(), compresslevel=9)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Reads an archive with Python's zipfile and prints one line per entry: name, size, CRC.

Exit status 1 (with the reason on stderr) when zipfile cannot open the archive or testzip()
finds a damaged entry.
"""
import sys
import zipfile

try:
    with zipfile.ZipFile(sys.argv[1]) as archive:
        bad = archive.testzip()
        if bad is not None:
            sys.exit(f"testzip: bad entry {bad!r}")
        for info in archive.infolist():
            sys.stdout.buffer.write(f"{info.filename}\t{info.file_size}\t{info.CRC:08x}\n".encode())
except zipfile.BadZipFile as error:
    sys.exit(f"BadZipFile: {error}")

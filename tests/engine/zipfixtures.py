#!/usr/bin/env python3
"""Writes a test archive with Python's zipfile: every folder and file under SOURCE, in sorted
order, stored under its path relative to SOURCE.

usage: zipfixtures.py KIND SOURCE ARCHIVE
  deflated        the usual archive
  stored          method 0 throughout
  unseekable      written through a stream without seek or tell: data descriptors follow the data
  utf8-unflagged  UTF-8 names without flag bit 11
  cp1252          names in Windows-1252 without flag bit 11
"""
import io
import os
import shutil
import sys
import zipfile


class Unseekable(io.RawIOBase):
    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        return self.target.write(data)


class NamedInfo(zipfile.ZipInfo):
    """Stores its name in a chosen encoding, and never sets flag bit 11 for it."""

    name_encoding = None

    def _encodeFilenameFlags(self):
        if self.name_encoding is None:
            return super()._encodeFilenameFlags()
        return self.filename.encode(self.name_encoding), self.flag_bits & ~0x800


def main():
    kind, source, archive = sys.argv[1:4]
    method = zipfile.ZIP_STORED if kind == "stored" else zipfile.ZIP_DEFLATED
    NamedInfo.name_encoding = {"utf8-unflagged": "utf-8", "cp1252": "cp1252"}.get(kind)
    with open(archive, "wb") as raw:
        target = Unseekable(raw) if kind == "unseekable" else raw
        with zipfile.ZipFile(target, "w", method) as zf:
            for folder, dirs, files in os.walk(source):
                dirs.sort()
                for name in sorted(dirs) + sorted(files):
                    path = os.path.join(folder, name)
                    info = NamedInfo.from_file(path, os.path.relpath(path, source))
                    info.compress_type = method
                    if info.is_dir():
                        zf.writestr(info, b"")
                        continue
                    with open(path, "rb") as src, zf.open(info, "w") as dst:
                        shutil.copyfileobj(src, dst)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Rewrites each .deb named on the command line with its data member
uncompressed, in place. The guest unpacks every package under emulation,
where decompressing costs most; here it is native and quick."""
import gzip
import lzma
import os
import sys

DECOMPRESS = {b"data.tar.xz": lzma.decompress, b"data.tar.gz": gzip.decompress}


def members(blob):
    if not blob.startswith(b"!<arch>\n"):
        raise ValueError("not an ar archive")
    at = 8
    while at + 60 <= len(blob):
        header = blob[at:at + 60]
        name = header[:16].rstrip(b" ").rstrip(b"/")
        size = int(header[48:58])
        yield name, header, blob[at + 60:at + 60 + size]
        at += 60 + size + (size & 1)


def member(name, header, data):
    header = name.ljust(16) + header[16:48] + str(len(data)).encode().ljust(10) + b"`\n"
    return header + data + (b"\n" if len(data) & 1 else b"")


for path in sys.argv[1:]:
    blob = open(path, "rb").read()
    out = [b"!<arch>\n"]
    for name, header, data in members(blob):
        if name in DECOMPRESS:
            data, name = DECOMPRESS[name](data), b"data.tar"
        out.append(member(name, header, data))
    with open(path + ".plain", "wb") as f:
        f.writelines(out)
    os.replace(path + ".plain", path)

#!/usr/bin/env python3
"""Packs square RGBA PNG files into one .ico file.

Images of 256 px and more are stored as PNG (a directory entry of 0 means 256 px
or larger; the size is read from the PNG itself); smaller ones as 32-bit BMP
with an AND mask, which every loader understands.
   usage: pack-icon.py out.ico in-512.png in-256.png ... in-16.png
"""
import struct
import subprocess
import sys


def png_size(data):
    return struct.unpack(">II", data[16:24])


def rgba_pixels(path, size):
    raw = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "RGBA:-"],
                         check=True, capture_output=True).stdout
    assert len(raw) == size * size * 4, path
    return raw


def bmp_entry(path, size):
    rgba = rgba_pixels(path, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if rgba[(y * size + x) * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + b"".join(rows) + bytes(mask)


def main():
    out, inputs = sys.argv[1], sys.argv[2:]
    images = []
    for path in inputs:
        data = open(path, "rb").read()
        w, h = png_size(data)
        assert w == h, path
        images.append((w, data if w >= 256 else bmp_entry(path, w)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, blob in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(directory + entries + blobs)


if __name__ == "__main__":
    main()

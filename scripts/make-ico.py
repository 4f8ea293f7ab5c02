#!/usr/bin/env python3
"""Packs PNG renditions into one Windows icon file, each image stored as PNG (Windows Vista and
later read those at every size).

make-ico.py <output.ico> <image.png>..."""

import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(data):
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        raise ValueError("not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    images = []
    for path in sys.argv[2:]:
        with open(path, "rb") as file:
            data = file.read()
        width, height = png_size(data)
        if width > 256 or height > 256:
            raise SystemExit("%s: %dx%d is larger than an icon can hold" % (path, width, height))
        images.append((width, height, data))
    offset = 6 + 16 * len(images)
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    for width, height, data in images:
        # 256 is written as 0; colour count 0, reserved 0, one plane, 32 bits per pixel.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as file:
        file.write(header + entries + b"".join(data for _, _, data in images))
    return 0


if __name__ == "__main__":
    sys.exit(main())

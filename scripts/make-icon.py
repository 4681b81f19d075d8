#!/usr/bin/env python3
# Usage: scripts/make-icon.py [OUT.ico] — draws kivo's icon (a start arrow on a rounded square) at 16, 32 and 48 pixels into one .ico (default resources/kivo.ico).
import struct
import sys

BACKGROUND = (0x2B, 0x6C, 0xB0)  # RGB
ARROW = (0xFF, 0xFF, 0xFF)


def pixel(x, y, size):
    """RGBA of one pixel; y counts from the top."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    radius = 0.2
    cu, cv = min(max(u, radius), 1 - radius), min(max(v, radius), 1 - radius)
    if (u - cu) ** 2 + (v - cv) ** 2 > radius ** 2:
        return (0, 0, 0, 0)
    # A right-pointing triangle: the "start" sign.
    if 0.34 <= u <= 0.74 and abs(v - 0.5) <= (0.74 - u) * 0.6:
        return ARROW + (255,)
    return BACKGROUND + (255,)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as bitmaps are stored
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows.append(struct.pack("BBBB", b, g, r, a))
    pixels = b"".join(rows)
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def icon(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "resources/kivo.ico"
    with open(path, "wb") as f:
        f.write(icon([16, 32, 48]))

#!/usr/bin/env python3
"""Draws Quillet's icon and toolbar strip as 16-colour Windows images.

Run once when the pictures change; the outputs are kept in the repository.
"""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DGREY, LGREY, RED, GREEN, YELLOW, BLUE, WHITE = 0, 8, 7, 9, 10, 11, 12, 15


def canvas(w, h, fill):
    return [[fill] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c


def frame(img, x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        img[y0][x] = img[y1][x] = c
    for y in range(y0, y1 + 1):
        img[y][x0] = img[y][x1] = c


def note(img, ox, oy, size):
    """A yellow note page with ruled lines and a folded corner."""
    m = max(1, size // 16)
    x0, y0, x1, y1 = ox + m, oy, ox + size - 1 - m, oy + size - 1
    rect(img, x0, y0, x1, y1, YELLOW)
    frame(img, x0, y0, x1, y1, BLACK)
    step = max(2, size // 8)
    for y in range(y0 + step + 1, y1 - 1, step):
        for x in range(x0 + 2 * m + 1, x1 - 2 * m):
            img[y][x] = DGREY
    fold = size // 4
    for i in range(fold):
        for j in range(fold - i):
            img[y0 + i][x1 - j] = None if size > 16 else LGREY
        img[y0 + i][x1 - fold + i + 1] = BLACK
    for j in range(fold):
        img[y0 + fold][x1 - j] = BLACK


def toolbar():
    img = canvas(64, 16, LGREY)
    # 0: add topic (page with a green plus)
    rect(img, 1, 1, 10, 14, WHITE); frame(img, 1, 1, 10, 14, BLACK)
    rect(img, 8, 9, 14, 11, GREEN); rect(img, 10, 7, 12, 13, GREEN)
    # 1: delete topic (page with a red cross)
    rect(img, 17, 1, 26, 14, WHITE); frame(img, 17, 1, 26, 14, BLACK)
    for i in range(7):
        for x in (24 + i, 25 + i, 30 - i, 31 - i):
            img[7 + i][min(x, 31)] = RED
    # 2 and 3: arrows left and right: a shaft and a head
    for base, left in ((32, True), (48, False)):
        shaft = (base + 6, base + 13) if left else (base + 2, base + 9)
        rect(img, shaft[0], 6, shaft[1], 9, BLUE)
        for i in range(6):
            x = base + 1 + i if left else base + 14 - i
            for y in range(7 - i, 9 + i):
                img[y][x] = BLUE
    return img


def pack4(img, w, h):
    """Bottom-up rows of 4-bit pixels, each row padded to 4 bytes."""
    rows = []
    stride = ((w * 4 + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(0, w, 2):
            a = img[y][x] if img[y][x] is not None else 0
            b = img[y][x + 1] if img[y][x + 1] is not None else 0
            row.append((a << 4) | b)
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    return b"".join(rows)


def pack_mask(img, w, h):
    """AND mask: 1 where transparent."""
    rows = []
    stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray()
        for x in range(w):
            bits = (bits << 1) | (1 if img[y][x] is None else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    return b"".join(rows)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def dib(w, h, pixels, height_field):
    return struct.pack("<IiiHHIIiiII", 40, w, height_field, 1, 4, 0, len(pixels), 0, 0, 16, 0) + palette_bytes()


def write_bmp(path, img):
    h, w = len(img), len(img[0])
    pixels = pack4(img, w, h)
    info = dib(w, h, pixels, h)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    Path(path).write_bytes(header + info + pixels)


def write_ico(path, images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        h, w = len(img), len(img[0])
        xor = pack4(img, w, h)
        mask = pack_mask(img, w, h)
        blob = dib(w, h, xor + mask, 2 * h)[:40] + palette_bytes() + xor + mask
        entries.append(struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    Path(path).write_bytes(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


def icon(size):
    img = canvas(size, size, None)
    note(img, 0, 0, size)
    return img


if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    write_bmp(out / "toolbar.bmp", toolbar())
    write_ico(out / "quillet.ico", [icon(32), icon(16)])

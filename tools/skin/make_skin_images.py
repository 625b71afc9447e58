#!/usr/bin/env python3
"""Draws the skin's images (Skin/*.png) and the application icon at the desktop's sizes
(packaging/icons/) with supersampled antialiasing; standard library only.

Run it from the repository root after changing a drawing; the PNGs are committed.
packaging/icons/orvex-cloud-config.svg is the same drawing as the icon, kept by hand.
"""
import math
import struct
import zlib

SCALE = 4  # supersampling factor


def png(path, width, height, pixel):
    """Writes an RGBA PNG; pixel(x, y) returns (r, g, b, a) floats in 0..1 for a sample point."""
    rows = []
    for y in range(height):
        row = bytearray([0])
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SCALE):
                for sx in range(SCALE):
                    r, g, b, a = pixel(x + (sx + 0.5) / SCALE, y + (sy + 0.5) / SCALE)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SCALE * SCALE
            alpha = acc[3] / n
            if alpha > 0:
                row += bytes(round(255 * min(1.0, c / acc[3])) for c in acc[:3])
            else:
                row += b"\0\0\0"
            row.append(round(255 * alpha))
        rows.append(bytes(row))
    raw = b"".join(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def hexrgb(text):
    return tuple(int(text[i:i + 2], 16) / 255 for i in (0, 2, 4))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def close_button(path, background, cross):
    w, h = 46, 40
    cx, cy, arm, stroke = w / 2, h / 2, 5.5, 0.75

    def pixel(x, y):
        d = min(segment_distance(x, y, cx - arm, cy - arm, cx + arm, cy + arm),
                segment_distance(x, y, cx - arm, cy + arm, cx + arm, cy - arm))
        if d <= stroke:
            return (*hexrgb(cross), 1.0)
        if background:
            return (*hexrgb(background), 1.0)
        return (0, 0, 0, 0)

    png(path, w, h, pixel)


def logo(path, size=24):
    """The camera on a blue rounded square, drawn on a 24-unit grid scaled to size pixels."""
    radius = 6
    unit = size / 24

    def inside_rounded(x, y):
        qx = max(abs(x - 12) - (12 - radius), 0)
        qy = max(abs(y - 12) - (12 - radius), 0)
        return math.hypot(qx, qy) <= radius

    top, bottom = hexrgb("3B82F6"), hexrgb("1D4ED8")

    def pixel(x, y):
        x, y = x / unit, y / unit
        if not inside_rounded(x, y):
            return (0, 0, 0, 0)
        # a camera: body, lens ring and a small viewfinder bump
        body = 4.5 <= x <= 19.5 and 8 <= y <= 18
        bump = 8 <= x <= 12 and 6 <= y <= 8
        r = math.hypot(x - 12, y - 13)
        if (body or bump) and not (2.2 <= r <= 3.6 and body) and not r < 1.2:
            return (1, 1, 1, 1)
        t = y / 24
        return (*(top[i] * (1 - t) + bottom[i] * t for i in range(3)), 1.0)

    png(path, size, size, pixel)


if __name__ == "__main__":
    close_button("Skin/btn_close_normal.png", None, "D6E2F0")
    close_button("Skin/btn_close_hot.png", "E81123", "FFFFFF")
    close_button("Skin/btn_close_pushed.png", "B30E1B", "FFFFFF")
    logo("Skin/logo.png")
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        logo(f"packaging/icons/orvex-cloud-config-{size}.png", size)

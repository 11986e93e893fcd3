#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the desktop program's pictures: the icon (also in the icon theme's smaller sizes, in
icons/), the main window's background and the About box picture. Plain Python (zlib only); run
it from this folder to rewrite the PNGs."""

import math
import struct
import zlib

SS = 4  # samples per pixel edge


def png(path, width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            r, g, b, a = pixels[y * width + x]
            raw += bytes((clamp(r), clamp(g), clamp(b), clamp(a)))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(round(v))))


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.w, self.h = width, height
        self.px = [list(fill) for _ in range(width * height)]

    def shade(self, colour_at):
        """Paints every pixel with colour_at(x, y) (x, y in pixel units, opaque)."""
        for y in range(self.h):
            for x in range(self.w):
                self.px[y * self.w + x] = list(colour_at(x + 0.5, y + 0.5)) + [255]

    def fill(self, inside, colour, box=None):
        """Blends `colour` (r, g, b, a) over the pixels, weighted by how much of each pixel
        `inside(x, y)` covers; `box` (x0, y0, x1, y1) limits the work."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                if not hits:
                    continue
                cover = hits / (SS * SS) * colour[3] / 255.0
                p = self.px[y * self.w + x]
                out_a = cover + p[3] / 255.0 * (1 - cover)
                for i in range(3):
                    if out_a > 0:
                        p[i] = (colour[i] * cover + p[i] * p[3] / 255.0 * (1 - cover)) / out_a
                p[3] = out_a * 255

    def save(self, path):
        png(path, self.w, self.h, self.px)


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def cloud(cx, cy, s):
    """A cloud centred at (cx, cy), `s` pixels wide."""
    u = s / 100.0
    return union(circle(cx - 22 * u, cy + 4 * u, 20 * u), circle(cx + 2 * u, cy - 10 * u, 28 * u),
                 circle(cx + 26 * u, cy + 6 * u, 18 * u),
                 rounded_rect(cx - 42 * u, cy + 2 * u, cx + 44 * u, cy + 24 * u, 11 * u))


def sun(c, cx, cy, r, rays=True):
    if rays:
        for k in range(12):
            a = k * math.pi / 6
            def ray(x, y, a=a):
                dx, dy = x - cx, y - cy
                along = dx * math.cos(a) + dy * math.sin(a)
                across = -dx * math.sin(a) + dy * math.cos(a)
                return r * 1.25 <= along <= r * 1.75 and abs(across) <= r * 0.11
            c.fill(ray, (250, 190, 40, 255), (cx - 2 * r, cy - 2 * r, cx + 2 * r, cy + 2 * r))
    c.fill(circle(cx, cy, r), (255, 200, 45, 255), (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))
    c.fill(circle(cx - r * 0.25, cy - r * 0.25, r * 0.6), (255, 222, 110, 140),
           (cx - r, cy - r, cx + r, cy + r))


def icon(size):
    c = Canvas(size, size)
    u = size / 64.0
    top, bottom = (64, 140, 215), (140, 200, 245)
    c.fill(rounded_rect(2 * u, 2 * u, 62 * u, 62 * u, 12 * u), (0, 0, 0, 255))
    sky = Canvas(size, size)
    sky.shade(lambda x, y: mix(top, bottom, y / size))
    for i, p in enumerate(c.px):  # the rounded square takes the sky's colours
        if p[3]:
            p[0], p[1], p[2] = sky.px[i][:3]
    sun(c, 40 * u, 22 * u, 10 * u)
    shape = cloud(28 * u, 38 * u, 44 * u)
    c.fill(lambda x, y: shape(x - 1.2 * u, y - 1.6 * u), (30, 70, 120, 70))
    c.fill(shape, (250, 252, 255, 255))
    for dx in (18, 28, 38):  # rain drops
        c.fill(union(circle(dx * u, 56 * u, 2.2 * u),
                     lambda x, y, dx=dx: abs(x - dx * u) <= (y - 51 * u) * 0.45 and
                     51 * u <= y <= 56 * u),
               (40, 110, 200, 255))
    return c


def background(width, height):
    c = Canvas(width, height)
    top, bottom = (92, 160, 222), (214, 234, 248)
    c.shade(lambda x, y: mix(top, bottom, (y / height) ** 0.8))
    sun(c, width - 70, 52, 22)
    for cx, cy, s, a in ((120, 48, 110, 235), (250, 78, 80, 200), (40, 96, 60, 180)):
        shape = cloud(cx, cy, s)
        c.fill(shape, (255, 255, 255, a), (cx - s, cy - s, cx + s, cy + s))
    far = lambda x, y: y >= height * 0.70 + 10 * math.sin(x / 55.0 + 1.3) + 6 * math.sin(x / 23.0)
    near = lambda x, y: y >= height * 0.80 + 12 * math.sin(x / 80.0 + 4.0)
    c.fill(far, (120, 170, 110, 255), (0, height * 0.55, width, height))
    c.fill(near, (82, 140, 80, 255), (0, height * 0.62, width, height))
    # A weather mast on the far hill: pole, cross arm, anemometer cups and a vane.
    mx = 330
    base = height * 0.70 + 10 * math.sin(mx / 55.0 + 1.3) + 6 * math.sin(mx / 23.0) + 3
    grey = (70, 78, 90, 255)
    c.fill(lambda x, y: abs(x - mx) <= 1.2 and base - 62 <= y <= base, grey,
           (mx - 3, base - 64, mx + 3, base + 1))
    c.fill(lambda x, y: abs(y - (base - 58)) <= 1.0 and mx - 16 <= x <= mx + 16, grey,
           (mx - 17, base - 60, mx + 17, base - 56))
    for dx in (-16, 16):
        c.fill(circle(mx + dx, base - 61, 3.2), grey,
               (mx + dx - 4, base - 65, mx + dx + 4, base - 57))
    c.fill(lambda x, y: 0 <= x - mx <= 12 and abs(y - (base - 66)) <= 3 - (x - mx) / 4, grey,
           (mx - 1, base - 70, mx + 13, base - 62))
    c.fill(lambda x, y: abs(x - mx) <= 1.2 and base - 68 <= y <= base - 58, grey,
           (mx - 2, base - 69, mx + 2, base - 57))
    # The shelter beside it.
    c.fill(rounded_rect(mx - 40, base - 22, mx - 24, base - 4, 1.5), (245, 245, 240, 255),
           (mx - 41, base - 23, mx - 23, base - 3))
    c.fill(lambda x, y: abs(x - (mx - 32)) <= 1 and base - 4 <= y <= base + 2, grey,
           (mx - 34, base - 5, mx - 30, base + 3))
    return c


if __name__ == "__main__":
    icon(256).save("nimbora.png")
    # The installed icon theme's smaller sizes, each drawn at its size rather than scaled.
    for size in (16, 22, 24, 32, 48, 64, 128):
        icon(size).save("icons/nimbora-%d.png" % size)
    icon(96).save("about.png")
    background(431, 210).save("background.png")

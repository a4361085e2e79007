#!/usr/bin/env python3
"""Renders Kestrow's source pictures into resources/pictures/.

Pure Python (zlib only), so it runs anywhere:  python3 resources/render_pictures.py

  cd1.png          the disc, 256 x 256, in its normal silver colours
  cdicongreen.png  the same disc tinted green (a finished burn)
  cdicongrey.png   the same disc in grey (no burner, no disc, not writable)
  cdiconred.png    the same disc tinted red (a burn error)
  cd1alpha.png     the disc's shape as a grey-scale mask (white = opaque)
  bluefolder.png   a 32 x 32 blue folder on white (white is made transparent)

and the application icon, the disc with its shape as transparency, into
resources/icons/hicolor/<n>x<n>/apps/kestrow.png for n = 16 ... 256.

The disc pictures are opaque RGB on white; the program takes their shape
from cd1alpha.png.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")
SIZE = 256
SS = 3  # supersampling per axis, for smooth edges


def write_png(path, width, height, rows, channels):
    """rows: list of bytes objects, one per row, `channels` bytes per pixel."""
    colour_type = {1: 0, 3: 2, 4: 6}[channels]
    raw = b"".join(b"\x00" + bytes(r) for r in rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def clamp(v):
    return max(0, min(255, int(round(v))))


C = SIZE / 2.0
R_OUT = 124.0
R_RIM = 121.0
R_DATA_IN = 44.0
R_HUB = 34.0
R_HOLE = 15.0


def disc_sample(x, y):
    """Colour (r, g, b) and coverage (0/1) of one sub-sample of the disc."""
    dx, dy = x - C, y - C
    r = math.hypot(dx, dy)
    if r > R_OUT or r < R_HOLE:
        return None
    ang = math.atan2(dy, dx)
    if r > R_RIM:  # the bevelled outer edge
        shade = 150 + 60 * math.cos(ang + 2.3)
        return (shade, shade, shade + 6)
    if r < R_HUB:  # clear plastic hub with a ring
        if r < R_HOLE + 3:
            return (170, 172, 178)
        return (226, 228, 232)
    if r < R_DATA_IN:  # the mirror band inside the data area
        t = (r - R_HUB) / (R_DATA_IN - R_HUB)
        v = 196 + 40 * t
        return (v, v, v + 4)
    # Data area: silver base, two soft rainbow sheens opposite each other,
    # and faint concentric grooves.
    base = 205 + 20 * math.cos(2 * ang - 0.6)
    groove = 5 * math.sin(r * 1.7)
    sheen = max(0.0, math.cos(2 * (ang - 0.8))) ** 6
    hue = (r - R_DATA_IN) / (R_RIM - R_DATA_IN) * 2 * math.pi
    rr = base + groove + sheen * 55 * math.cos(hue)
    gg = base + groove + sheen * 55 * math.cos(hue - 2.1)
    bb = base + groove + 8 + sheen * 55 * math.cos(hue - 4.2)
    return (rr, gg, bb)


def render_disc():
    """Answers (rgb rows, coverage rows) at SIZE x SIZE."""
    rgb_rows, alpha_rows = [], []
    n = SS * SS
    for py in range(SIZE):
        rgb, alpha = bytearray(), bytearray()
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(SS):
                for sx in range(SS):
                    s = disc_sample(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    if s is None:
                        continue
                    cover += 1
                    for i in range(3):
                        acc[i] += s[i]
            if cover:
                col = [a / cover for a in acc]
                # Blend the edge with white, the pictures' background.
                f = cover / n
                col = [c * f + 255 * (1 - f) for c in col]
            else:
                col = [255, 255, 255]
            rgb += bytes(clamp(c) for c in col)
            alpha.append(clamp(255 * cover / n))
        rgb_rows.append(rgb)
        alpha_rows.append(alpha)
    return rgb_rows, alpha_rows


def tint(rows, colour, amount):
    out = []
    for row in rows:
        t = bytearray()
        for i in range(0, len(row), 3):
            r, g, b = row[i], row[i + 1], row[i + 2]
            lum = 0.3 * r + 0.59 * g + 0.11 * b
            if r == g == b == 255:
                t += bytes((255, 255, 255))
                continue
            for k, c in enumerate((r, g, b)):
                target = lum * colour[k] / 255.0
                t.append(clamp(c * (1 - amount) + target * amount))
        out.append(t)
    return out


def render_folder():
    """A 32 x 32 blue folder on white."""
    rows = []
    for y in range(32):
        row = bytearray()
        for x in range(32):
            col = (255, 255, 255)
            # tab
            if 3 <= x <= 13 and 5 <= y <= 8:
                col = (74, 134, 212)
            # back panel
            if 3 <= x <= 28 and 8 <= y <= 27:
                col = (74, 134, 212)
            # front panel, lighter, with a highlight line
            if 3 <= x <= 28 and 11 <= y <= 27:
                shade = 30 - (y - 11)
                col = (clamp(105 + shade), clamp(165 + shade), clamp(232 + shade // 2))
                if y == 11:
                    col = (170, 205, 245)
            # outline
            if (x in (3, 28) and 8 <= y <= 27) or (y == 27 and 3 <= x <= 28) or (y == 5 and 3 <= x <= 13):
                col = (40, 90, 160)
            row += bytes(col)
        rows.append(row)
    return rows


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def downscale_rgba(rgb_rows, alpha_rows, size):
    """Box-filters the SIZE x SIZE disc (alpha-weighted) down to size x size RGBA rows."""
    f = SIZE / size
    out = []
    for oy in range(size):
        row = bytearray()
        y0, y1 = int(oy * f), max(int(oy * f) + 1, int((oy + 1) * f))
        for ox in range(size):
            x0, x1 = int(ox * f), max(int(ox * f) + 1, int((ox + 1) * f))
            acc = [0.0, 0.0, 0.0]
            wsum = 0.0
            n = 0
            for y in range(y0, y1):
                rgb, alpha = rgb_rows[y], alpha_rows[y]
                for x in range(x0, x1):
                    a = alpha[x] / 255.0
                    wsum += a
                    n += 1
                    for k in range(3):
                        acc[k] += rgb[3 * x + k] * a
            if wsum > 0:
                row += bytes(clamp(c / wsum) for c in acc)
            else:
                row += bytes((0, 0, 0))
            row.append(clamp(255 * wsum / n))
        out.append(row)
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    rgb, alpha = render_disc()
    write_png(os.path.join(OUT, "cd1.png"), SIZE, SIZE, rgb, 3)
    write_png(os.path.join(OUT, "cdicongreen.png"), SIZE, SIZE, tint(rgb, (90, 235, 110), 0.75), 3)
    write_png(os.path.join(OUT, "cdicongrey.png"), SIZE, SIZE, tint(rgb, (200, 200, 200), 1.0), 3)
    write_png(os.path.join(OUT, "cdiconred.png"), SIZE, SIZE, tint(rgb, (255, 70, 60), 0.8), 3)
    write_png(os.path.join(OUT, "cd1alpha.png"), SIZE, SIZE, alpha, 1)
    write_png(os.path.join(OUT, "bluefolder.png"), 32, 32, render_folder(), 3)

    icons = os.path.join(os.path.dirname(OUT), "icons", "hicolor")
    for n in ICON_SIZES:
        folder = os.path.join(icons, "%dx%d" % (n, n), "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "kestrow.png"), n, n, downscale_rgba(rgb, alpha, n), 4)


if __name__ == "__main__":
    main()

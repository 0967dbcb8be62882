#!/usr/bin/env python3
"""Draws small pictures pixel by pixel, as PNG files into a folder.

  skin:  the skin engine's title-button glyphs (help, main menu, minimize,
         maximize, restore, close), the check box and its tick, the four small
         arrows and the window background, each at 100, 150 and 200 %
         (make-skin-artwork.sh);
  icons: the application icon at 17, 26 and 34 px, the caption icon at those
         three scales (make-artwork.sh).

Every size is laid out on its own pixel grid (strokes on whole pixels, 45-degree
strokes placed so their edges fall on pixel corners), never resampled from
another size. Pictures are written as 8-bit RGBA PNG; the background as 8-bit
RGB PNG, which make-skin-artwork.sh reduces to a palette.
   usage: draw-pictures.py skin|icons OUTDIR
"""
import math
import os
import struct
import sys
import zlib

SCALES = ((100, 1.0), (150, 1.5), (200, 2.0))


# --- PNG output -------------------------------------------------------------

def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, width, height, rows, colour_type):
    """Writes rows of raw bytes (RGBA for colour type 6, RGB for 2) with no
    ancillary chunks, so the files are byte-for-byte reproducible."""
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + _chunk(b"IDAT", zlib.compress(raw, 9))
                + _chunk(b"IEND", b""))


def hex_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def byte(v):
    return max(0, min(255, int(round(v * 255))))


def mix(a, b, f):
    f = max(0.0, min(1.0, f))
    return tuple(x + (y - x) * f for x, y in zip(a, b))


def smooth(edge0, edge1, v):
    t = max(0.0, min(1.0, (v - edge0) / (edge1 - edge0)))
    return t * t * (3 - 2 * t)


def px(v):
    """Rounds half up (Python's round() goes to even)."""
    return int(math.floor(v + 0.5))


# --- Coverage masks and an RGBA canvas --------------------------------------

def coverage(w, h, inside, samples=8):
    """Fraction of each pixel that lies inside a shape (a predicate on
    continuous coordinates, pixel (i, j) spanning [i, i+1) x [j, j+1))."""
    offsets = [(k + 0.5) / samples for k in range(samples)]
    total = samples * samples
    mask = []
    for j in range(h):
        for i in range(w):
            n = 0
            for oy in offsets:
                y = j + oy
                for ox in offsets:
                    if inside(i + ox, y):
                        n += 1
            mask.append(n / total)
    return mask


def shifted(mask, w, h, dx, dy):
    out = [0.0] * (w * h)
    for j in range(h):
        for i in range(w):
            si, sj = i - dx, j - dy
            if 0 <= si < w and 0 <= sj < h:
                out[j * w + i] = mask[sj * w + si]
    return out


def grown(mask, w, h, diagonal=0.5):
    """The mask spread by one pixel (a soft halo): edge neighbours count fully,
    corner neighbours by `diagonal`."""
    out = list(mask)
    for j in range(h):
        for i in range(w):
            best = out[j * w + i]
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    si, sj = i + dx, j + dy
                    if 0 <= si < w and 0 <= sj < h:
                        weight = diagonal if dx and dy else 1.0
                        best = max(best, mask[sj * w + si] * weight)
            out[j * w + i] = best
    return out


class Canvas:
    """Straight-alpha RGBA pixels in 0..1, painted with the usual 'over' rule."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def paint(self, mask, colour, alpha=1.0):
        """Paints one colour through a coverage mask; `colour` may also be a
        function of the pixel (i, j)."""
        for index, m in enumerate(mask):
            a = m * alpha
            if a <= 0.0:
                continue
            rgb = colour(index % self.w, index // self.w) if callable(colour) else colour
            p = self.px[index]
            keep = p[3] * (1.0 - a)
            out = a + keep
            for c in range(3):
                p[c] = (rgb[c] * a + p[c] * keep) / out
            p[3] = out

    def save(self, path):
        rows = []
        for j in range(self.h):
            row = bytearray()
            for p in self.px[j * self.w:(j + 1) * self.w]:
                alpha = byte(p[3])
                row += bytes((byte(p[0]), byte(p[1]), byte(p[2]), alpha)) if alpha else b"\0\0\0\0"
            rows.append(row)
        write_png(path, self.w, self.h, rows, 6)


# --- Shapes (predicates on continuous coordinates) ---------------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def frame(x0, y0, x1, y1, side, top=None):
    """A rectangular outline with `side`-pixel sides and bottom and a `top`-pixel top."""
    top = side if top is None else top
    return minus(rect(x0, y0, x1, y1), rect(x0 + side, y0 + top, x1 - side, y1 - side))


def band(direction, centre, extent, x0, x1, y0, y1):
    """A 45-degree stroke: the points where y - x (direction -1) or x + y
    (direction +1) lies within extent / 2 of centre, inside a clip box."""
    half = extent / 2.0
    if direction > 0:
        return lambda x, y: x0 <= x < x1 and y0 <= y < y1 and abs(x + y - centre) <= half
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1 and abs(y - x - centre) <= half


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def on_lattice(value, extent):
    """The nearest centre line for a 45-degree band of the given extent whose
    edges fall on pixel corners: whole numbers for odd extents, halves for even."""
    if extent % 2:
        return float(px(value))
    return math.floor(value) + 0.5


def span(length, room):
    """A whole length near `length` with the parity of `room`, so that it
    centres exactly in it."""
    n = px(length)
    if (room - n) % 2:
        n -= 1
    return max(1, n)


# --- Title-button glyphs -----------------------------------------------------

WHITE = hex_colour("ffffff")
SHADOW = hex_colour("061a33")


def glyph_box(w, h, s):
    """The common glyph area of the title buttons: 10 x 8 at 100 %."""
    gw, gh = span(10 * s, w), span(8 * s, h)
    return (w - gw) // 2, (h - gh) // 2, gw, gh


def strokes(s):
    """Thin and heavy stroke widths at a scale."""
    thin = max(1, int(s))
    return thin, 2 * thin


def glyph_minimize(w, h, s):
    x, y, gw, gh = glyph_box(w, h, s)
    thin, heavy = strokes(s)
    inset = px(s)
    return rect(x + inset, y + gh - heavy, x + gw - inset, y + gh)


def glyph_maximize(w, h, s):
    x, y, gw, gh = glyph_box(w, h, s)
    thin, heavy = strokes(s)
    return frame(x, y, x + gw, y + gh, thin, heavy)


def glyph_restore(w, h, s):
    x, y, gw, gh = glyph_box(w, h, s)
    thin, heavy = strokes(s)
    d = px(2 * s)
    front = (x, y + d, x + gw - d, y + gh)
    back = (x + d, y, x + gw, y + gh - d)
    return union(frame(*front, thin, heavy), minus(frame(*back, thin, heavy), rect(*front)))


def glyph_menu(w, h, s):
    x, y, gw, gh = glyph_box(w, h, s)
    thin, heavy = strokes(s)
    bar = px(s) if s < 2 else thin    # 1, 2 and 2 pixels
    # Three bars spaced evenly, with room below the last for its shadow.
    gap = (gh - 3 * bar - thin) // 2
    top = y + (gh - (3 * bar + 2 * gap) - thin) // 2
    inset = px(s)
    return union(*(rect(x + inset, top + k * (bar + gap), x + gw - inset, top + k * (bar + gap) + bar)
                   for k in range(3)))


def glyph_close(w, h, s):
    extent = px(2 * s)
    height = span(8 * s, h)
    yc = h / 2.0
    y0, y1 = yc - height / 2.0, yc + height / 2.0
    # Both strokes cross at (xc, yc); xc is moved by at most half a pixel so the
    # stroke edges fall on pixel corners.
    xc = on_lattice(w / 2.0 - yc, extent) + yc
    half_w = height / 2.0 + extent / 2.0
    x0, x1 = xc - half_w, xc + half_w
    return union(band(-1, yc - xc, extent, x0, x1, y0, y1), band(+1, xc + yc, extent, x0, x1, y0, y1))


# The question mark at 100 %: too small for curves, so it is set pixel by pixel
# ('#' full, '+' half).
HELP_100 = (
    "+####+",
    "##..##",
    "....##",
    "...##+",
    "..##..",
    "..##..",
    "......",
    "..##..",
)


def segment(ax, ay, bx, by, width):
    """A stroke of the given width from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    r2 = (width / 2.0) ** 2

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= r2
    return inside


def glyph_help(w, h, s):
    """A question mark: a hook (most of a ring), a short slant into the stem,
    the stem and a dot. The stem and the dot stand on whole pixels."""
    x, y, gw, gh = glyph_box(w, h, s)
    if s == 1.0:
        left = (w - len(HELP_100[0])) // 2
        def art(px_, py_):
            i, j = int(px_) - left, int(py_) - y
            if 0 <= j < len(HELP_100) and 0 <= i < len(HELP_100[0]):
                mark = HELP_100[j][i]
                # '+' covers the left half of its pixel: half the samples.
                return mark == "#" or (mark == "+" and px_ % 1.0 < 0.5)
            return False
        return art
    stem = px(1.5 * s)
    cx = px((w - stem) / 2.0) + stem / 2.0
    top, bottom = y - px(s), y + gh      # a little taller than the box
    r_out = 0.29 * (bottom - top)
    cy = top + r_out
    r_mid = r_out - stem / 2.0
    dot_top = bottom - stem
    stem_bottom = dot_top - max(1, px(s))
    stem_top = cy + r_out * 0.75
    end_angle = math.radians(30.0)   # below the horizontal, on the right
    ex, ey = cx + r_mid * math.cos(end_angle), cy + r_mid * math.sin(end_angle)

    def hook(px_, py_):
        d2 = (px_ - cx) ** 2 + (py_ - cy) ** 2
        if not (r_out - stem) ** 2 <= d2 <= r_out ** 2:
            return False
        return py_ <= cy or math.atan2(py_ - cy, px_ - cx) <= end_angle
    return union(hook, segment(ex, ey, cx, stem_top + stem / 2.0, stem),
                 rect(cx - stem / 2.0, stem_top, cx + stem / 2.0, stem_bottom),
                 rect(cx - stem / 2.0, dot_top, cx + stem / 2.0, bottom))


TITLE_GLYPHS = (
    ("help", 26, glyph_help),
    ("main-menu", 26, glyph_menu),
    ("minimize", 26, glyph_minimize),
    ("maximize", 26, glyph_maximize),
    ("restore", 26, glyph_restore),
    ("close", 38, glyph_close),
)


def draw_title_glyph(shape_of, width, s):
    w, h = px(width * s), px(18 * s)
    glyph = coverage(w, h, shape_of(w, h, s))
    # A soft dark halo so the glyph reads on light pictures and on the pressed
    # and hot gradients, and a firmer shadow below and to the right.
    halo = grown(glyph, w, h)
    drop = shifted(glyph, w, h, 1, 1)
    far = shifted(glyph, w, h, 2, 2) if s >= 2 else [0.0] * (w * h)
    shadow = [max(0.35 * a, 0.6 * b, 0.3 * c) for a, b, c in zip(halo, drop, far)]
    canvas = Canvas(w, h)
    canvas.paint(shadow, SHADOW)
    canvas.paint(glyph, WHITE)
    return canvas


# --- Check box, tick and arrows ----------------------------------------------

def draw_check_box(s):
    """A framed square with softened corners, filled with a light gradient and
    a faint inner highlight."""
    n = px(13 * s)
    t = max(1, int(s))
    c = Canvas(n, n)
    outer = coverage(n, n, frame(0, 0, n, n, t))
    corner = coverage(n, n, union(rect(0, 0, t, t), rect(n - t, 0, n, t), rect(0, n - t, t, n),
                                  rect(n - t, n - t, n, n)))
    c.paint([a * (1.0 - 0.6 * b) for a, b in zip(outer, corner)], hex_colour("5b7795"))
    top, bottom = hex_colour("d9e5f3"), hex_colour("ffffff")

    def fill(i, j):
        return mix(top, bottom, (j - t) / max(1, n - 2 * t - 1))

    c.paint(coverage(n, n, rect(t, t, n - t, n - t)), fill)
    c.paint(coverage(n, n, frame(t, t, n - t, n - t, t)), WHITE, 0.55)
    return c


def draw_tick(s):
    """A check mark in the box's inner area: a short stroke down to the right
    and a long one up to the right, each three pixels tall at 100 %."""
    n = px(13 * s)
    extent = px(3 * s)
    left, split, right = px(3 * s), px(6 * s), px(10 * s)
    down = on_lattice(3 * s, extent)       # y - x of the short stroke
    up = on_lattice(14 * s, extent)        # x + y of the long stroke
    shape = union(band(-1, down, extent, left, split, 0, n), band(+1, up, extent, split, right, 0, n))
    c = Canvas(n, n)
    c.paint(coverage(n, n, shape), hex_colour("14365e"))
    return c


def draw_arrow(direction, s):
    """A solid black triangle: rows of 7, 5, 3 and 1 pixels at 100 %, each row
    one pixel narrower on either side; the point is the named direction."""
    base = px(7 * s)
    depth = (base + 1) // 2
    across, along = (base, px(4 * s)) if direction in ("down", "up") else (px(4 * s), base)
    c = Canvas(across, along)
    offset = ((along if direction in ("down", "up") else across) - depth) // 2
    mask = [0.0] * (across * along)
    for k in range(depth):
        for m in range(k, base - k):
            step = offset + k
            if direction == "down":
                i, j = m, step
            elif direction == "up":
                i, j = m, along - 1 - step
            elif direction == "right":
                i, j = step, m
            else:
                i, j = across - 1 - step, m
            mask[j * across + i] = 1.0
    c.paint(mask, (0.0, 0.0, 0.0))
    return c


# --- The window background ---------------------------------------------------
#
# Designed in the main window's own coordinates (317 x 537 at 96 DPI), over
# which the picture is stretched, so every band lands where the controls are.

WINDOW_W, WINDOW_H = 317.0, 537.0
CAPTION = 25.0


CAPTION_TOP = hex_colour("3590ee")
CAPTION_BOTTOM = hex_colour("0b58bf")
CAPTION_SHINE = hex_colour("8cc6ff")
ACCENT = hex_colour("0088ff")
BODY_TOP = hex_colour("e1edfb")
BODY = hex_colour("f8fbfe")
BODY_LOW = hex_colour("eff5fc")
WAVE_FAR = hex_colour("d3e6fb")
WAVE_NEAR = hex_colour("a5c9f2")


def background_colour(x, y, sy):
    """Colour at window point (x, y); sy is the height of one picture pixel in
    window units, the width of the soft edge under the caption."""
    if y >= CAPTION + sy:
        return body_colour(x, y)
    f = y / CAPTION
    colour = mix(CAPTION_TOP, CAPTION_BOTTOM, f)
    # Gloss on the upper half and a soft glow behind the icon and the title.
    colour = mix(colour, WHITE, 0.10 * (1.0 - smooth(0.35, 0.55, f)))
    colour = mix(colour, CAPTION_SHINE, 0.5 * (1.0 - smooth(0.0, 2.0, y)))
    glow = math.exp(-(((x - 40) / 120.0) ** 2 + ((y - 4) / 18.0) ** 2))
    colour = mix(colour, CAPTION_SHINE, 0.22 * glow)
    edge = smooth(CAPTION - sy / 2, CAPTION + sy / 2, y)
    return mix(colour, body_colour(x, y), edge) if edge > 0.0 else colour


def wave(x, base, amplitude, cycles, phase, tilt):
    return base + amplitude * math.sin(x / WINDOW_W * 2 * math.pi * cycles + phase) + tilt * x


def body_colour(x, y):
    # An azure rule under the caption, fading into a light, quiet body.
    t = max(0.0, y - CAPTION)
    colour = mix(BODY_TOP, BODY, smooth(0, 60, t))
    colour = mix(colour, ACCENT, 0.6 * math.exp(-t / 1.5))
    colour = mix(colour, BODY_LOW, smooth(400, 497, y))
    # Two waves along the bottom, behind the push buttons, the nearer one with
    # a light crest.
    far = wave(x, 503, 7, 0.75, 0.4, -0.025)
    near = wave(x, 518, 6, 1.05, 2.3, 0.02)
    colour = mix(colour, WAVE_FAR, 0.85 * smooth(far - 1.5, far + 1.5, y))
    colour = mix(colour, WAVE_NEAR, 0.7 * smooth(near - 1.5, near + 1.5, y))
    colour = mix(colour, WHITE, 0.55 * math.exp(-((y - near - 1.0) / 1.2) ** 2))
    return colour


def draw_background(s):
    w, h = px(431 * s), px(353 * s)
    sx, sy = WINDOW_W / w, WINDOW_H / h
    rows = []
    sub = ((0.25, 0.25), (0.75, 0.25), (0.25, 0.75), (0.75, 0.75))
    for j in range(h):
        row = bytearray()
        for i in range(w):
            acc = [0.0, 0.0, 0.0]
            for ox, oy in sub:
                c = background_colour((i + ox) * sx, (j + oy) * sy, sy)
                for k in range(3):
                    acc[k] += c[k]
            row += bytes(byte(v / len(sub)) for v in acc)
        rows.append(row)
    return w, h, rows


# --- Small application icons -------------------------------------------------

ICON_DISC_IN = hex_colour("3aa0ff")
ICON_DISC_OUT = hex_colour("0b4fb3")
ICON_RIM = hex_colour("bfe0ff")
ICON_LINE = hex_colour("0b4fb3")
ICON_LENS = hex_colour("ffcc33")


def draw_small_icon(n):
    """The application icon (a blue disc, a page of text and a magnifier) laid
    out on an n-pixel grid: the page and its lines on whole pixels."""
    k = n / 512.0
    c = Canvas(n, n)
    r = n / 2.0
    body = coverage(n, n, disc(r, r, r))

    def disc_colour(i, j):
        return mix(ICON_DISC_IN, ICON_DISC_OUT, math.hypot(i + 0.5 - r, j + 0.5 - r) / r)

    c.paint(body, disc_colour)
    # The light rim, one pixel wide, kept one pixel inside the disc's dark edge.
    rim_r = r - 1.5
    c.paint(coverage(n, n, ring(r, r, rim_r + 0.5, rim_r - 0.5)), ICON_RIM, 0.5)
    # The page: whole-pixel edges.
    x0, x1 = px(150 * k), px(340 * k)
    y0, y1 = px(110 * k), px(380 * k)
    c.paint(coverage(n, n, rect(x0, y0, x1, y1)), WHITE)
    # Text lines: one pixel tall (two from 34 px), with a clear row between.
    line_h = 1 if n < 30 else 2
    pad = max(1, px(30 * k))
    rows = []
    y = y0 + pad
    lengths = (310, 310, 280, 250)
    for length in lengths:
        if y + line_h > y1 - pad + (0 if n < 30 else 1):
            break
        rows.append((y, length))
        y += line_h + max(1, line_h)
    for y, length in rows:
        c.paint(coverage(n, n, rect(x0 + pad, y, min(x1 - pad, px(length * k)), y + line_h)), ICON_LINE)
    # The magnifier: a ring and a handle, at least one pixel wide.
    lens_r = 62 * k
    lens_w = max(1.2, 22 * k)
    cx = cy = 318 * k
    c.paint(coverage(n, n, ring(cx, cy, lens_r + lens_w / 2, lens_r - lens_w / 2)), ICON_LENS)
    handle_w = max(1.5, 30 * k)
    hx0, hx1 = 362 * k, 410 * k

    def handle(x, y):
        t = ((x - hx0) + (y - hx0)) / 2.0
        d = abs((x - hx0) - (y - hx0)) / math.sqrt(2)
        return 0 <= t <= hx1 - hx0 and d <= handle_w / 2

    c.paint(coverage(n, n, handle), ICON_LENS)
    # Clip everything to the disc.
    for p, m in zip(c.px, body):
        p[3] *= m
    return c


# --- Output ------------------------------------------------------------------

def draw_skin(out):
    for percent, s in SCALES:
        suffix = "-%d.png" % percent
        for name, width, shape_of in TITLE_GLYPHS:
            draw_title_glyph(shape_of, width, s).save(os.path.join(out, name + suffix))
        draw_check_box(s).save(os.path.join(out, "check-box" + suffix))
        draw_tick(s).save(os.path.join(out, "tick" + suffix))
        for direction in ("down", "up", "left", "right"):
            draw_arrow(direction, s).save(os.path.join(out, "arrow-%s%s" % (direction, suffix)))
        w, h, rows = draw_background(s)
        write_png(os.path.join(out, "background-rgb" + suffix), w, h, rows, 2)


def draw_icons(out):
    for n in (17, 26, 34):
        draw_small_icon(n).save(os.path.join(out, "icon-%d.png" % n))


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("skin", "icons"):
        sys.exit("usage: draw-pictures.py skin|icons OUTDIR")
    os.makedirs(sys.argv[2], exist_ok=True)
    (draw_skin if sys.argv[1] == "skin" else draw_icons)(sys.argv[2])


if __name__ == "__main__":
    main()

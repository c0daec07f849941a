"""Side pictures of the General (272) and Profile (273) pages, the About
picture (117) and the Display page's group-box picture (182).

These are loaded with LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS: the palette
entry of the first pixel becomes the dialog face colour. So each picture
keeps a margin in one key colour that nothing else uses; the dark panel then
floats on whatever face colour the user's scheme has.
"""

import math

from raster import Circle, RoundRect, Stroke, Offset, Ring, Intersect, linear, arc_points
from fonts import stroke_text_centred, stroke_text_width, pixel_text, pixel_text_centred, pixel_text_width
import pad

# Stands for the dialog face colour; chosen close to the usual face so the
# picture also looks right where the mapping does not happen (a viewer).
KEY = (236, 237, 240)

PANEL_TOP = (48, 52, 61)
PANEL_BOT = (20, 22, 26)
WORDMARK = (238, 242, 246)
TAGLINE = (26, 204, 186)
FOOT = (132, 140, 152)


def panel(cv, x0, y0, x1, y1, r):
    """The dark card; returns its inner shape so decorations can stay inside it."""
    box = RoundRect(x0, y0, x1, y1, r)
    cv.fill(box, (14, 15, 18))
    cv.fill(Offset(box, -1.0), linear(PANEL_TOP, PANEL_BOT, (0, y0), (0, y1)))
    # a faint teal sheen from the top corner
    cv.fill(Offset(box, -1.0), lambda x, y: pad.TEAL + (max(0.0, 0.10 - math.hypot(x - x0, y - y0) / 2600.0),))
    cv.fill(Ring(Offset(box, -1.6), 0.9), lambda x, y: (120, 128, 142, max(0.0, 0.5 - (y - y0) / 200.0)))
    return Offset(box, -2.5)


def motion_arcs(cv, within, cx, cy, r0, n, step, a0, a1, width, alpha):
    """Concentric arcs around the pad, the sign of its tilt sensor."""
    for k in range(n):
        pts = arc_points(cx, cy, r0 + k * step, a0, a1)
        cv.fill(Intersect([Stroke(pts, width), within]), pad.TEAL, alpha=alpha * (1.0 - k / float(n + 1)))


def wordmark(cv, cx, cy, size):
    """"Kinetra" in the stroke face, with the dot of the i in teal."""
    weight = 0.15
    stroke_text_centred(cv, "Kinetra", cx, cy, size, WORDMARK, weight=weight, tracking=0.14)
    # recolour the i's dot: find it from the same layout the text used
    w = stroke_text_width("Kinetra", size, weight, 0.14)
    x = cx - w / 2.0 + weight * size / 2.0
    adv_k = (0.62 + weight + 0.14) * size
    dot = Circle(x + adv_k, cy - size / 2.0 + 0.08 * size, weight * size * 0.62)
    cv.fill(Offset(dot, 0.6), pad.TEAL_LIT)


def banner(cv, w, h):
    """Vertical banner: word mark, tag line, the pad, and a foot line."""
    m = 4
    inner = panel(cv, m, m, w - m, h - m, 14)
    cx = w / 2.0
    size = w * 0.15
    wy = h * 0.135
    wordmark(cv, cx, wy, size)
    line_w = w * 0.42
    cv.fill(Stroke([(cx - line_w / 2, wy + size * 0.85), (cx + line_w / 2, wy + size * 0.85)], 1.6), pad.TEAL,
            alpha=0.9)
    tag = "MOTION  FORCE  KEYS"
    spacing = 1 if pixel_text_width(tag, 1, 2) > w - 24 else 2
    pixel_text_centred(cv, tag, cx, int(wy + size * 0.85 + 10), TAGLINE, spacing=spacing)

    # the pad, with arcs that hint at its tilt sensor
    s = (w - 2 * m - 26) / 349.0
    pcx, pcy = cx, h * 0.56
    T = (s, pcx - 198.5 * s, pcy - 148.0 * s)
    for a0, a1, alpha in ((28, 62, 0.55), (118, 152, 0.55), (208, 242, 0.35), (298, 332, 0.35)):
        motion_arcs(cv, inner, pcx, pcy, 175 * s + 8, 3, 8, a0, a1, 2.0, alpha)
    pad.draw_pad(cv, T, labels=False, hard_edge=False)

    foot = "MULTI FUNCTION DRIVER"
    spacing = 1
    if pixel_text_width(foot, 1, 1) > w - 20:
        foot = "MULTI FUNCTION"
    pixel_text_centred(cv, foot, cx, int(h - m - 24), FOOT, spacing=spacing)


def about(cv, w, h):
    """The About box picture: word mark over the pad."""
    m = 3
    inner = panel(cv, m, m, w - m, h - m, 12)
    cx = w / 2.0
    size = 24.0
    wy = 24.0
    wordmark(cv, cx, wy, size)
    pixel_text_centred(cv, "MOTION  FORCE  KEYS", cx, int(wy + size * 0.5 + 7), TAGLINE, spacing=2)
    s = 0.37
    pcx, pcy = cx, 105.0
    T = (s, pcx - 198.5 * s, pcy - 148.0 * s)
    motion_arcs(cv, inner, pcx, pcy, 74, 3, 8, 152, 208, 2.0, 0.5)
    motion_arcs(cv, inner, pcx, pcy, 74, 3, 8, -28, 28, 2.0, 0.5)
    pad.draw_pad(cv, T, labels=False, hard_edge=False)


def group_caption(cv, w, h, text):
    """Caption strip for the Display page's group box: the 16-pixel pad glyph and the title."""
    from icons import pad_glyph16
    pad_glyph16(cv, 0, (h - 16) // 2)
    pixel_text(cv, text, 20, (h - 7) // 2, (44, 48, 56))

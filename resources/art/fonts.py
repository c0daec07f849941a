"""Lettering for the artwork.

Two faces:
- a 5 x 7 pixel face for small captions and the numbers on small parts: at
  that size hand-placed pixels read better than any smoothed outline;
- a stroke face (centre lines drawn with a round pen) for the larger numbers
  on the face buttons and the "Kinetra" word mark.
"""

from raster import Stroke, Circle, arc_points

# ---------------------------------------------------------------- 5 x 7 pixel face

PIXEL_GLYPHS = {
    '0': [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    '1': ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    '2': [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    '3': ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    '4': ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    '5': ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    '6': ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    '7': ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    '8': [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    '9': [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'B': ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    'C': [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    'D': ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'F': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    'G': [" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"],
    'H': ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'I': [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    'J': ["  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "],
    'K': ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    'L': ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    'M': ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    'N': ["#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"],
    'O': [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'P': ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    'Q': [" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'U': ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    'W': ["#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "],
    'X': ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    'Y': ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    'Z': ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    ' ': ["     "] * 7,
    '-': ["     ", "     ", "     ", "#####", "     ", "     ", "     "],
    '.': ["     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "],
    '/': ["    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "],
    '+': ["     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     "],
    '*': ["     ", "     ", "  #  ", " ### ", "  #  ", "     ", "     "],
}


def pixel_text_width(text, scale=1, spacing=1):
    if not text:
        return 0
    return (len(text) * (5 + spacing) - spacing) * scale


def pixel_text(canvas, text, x, y, colour, scale=1, spacing=1, alpha=1.0):
    """Draw text with its top-left pixel at (x, y)."""
    cx = x
    for ch in text:
        glyph = PIXEL_GLYPHS.get(ch.upper(), PIXEL_GLYPHS[' '])
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == '#':
                    for sy in range(scale):
                        for sx in range(scale):
                            canvas.set_pixel(cx + gx * scale + sx, y + gy * scale + sy, colour, alpha)
        cx += (5 + spacing) * scale


def pixel_text_centred(canvas, text, cx, top, colour, scale=1, spacing=1, alpha=1.0):
    """Centre text horizontally on the pixel column boundary nearest cx."""
    w = pixel_text_width(text, scale, spacing)
    pixel_text(canvas, text, int(round(cx - w / 2.0)), top, colour, scale, spacing, alpha)


# ---------------------------------------------------------------- stroke face
# Each glyph is drawn in a box one unit high (0 = cap line, 1 = base line);
# lower-case letters reach up to the x-height line at 0.28.

XH = 0.30  # x-height line


def _g(width, strokes, dots=()):
    return (width, strokes, dots)


STROKE_GLYPHS = {
    '0': _g(0.62, [arc_points(0.31, 0.5, 0.31, 0, 360, 40, ry=0.5)]),
    '1': _g(0.44, [[(0.06, 0.2), (0.30, 0.0), (0.30, 1.0)]]),
    '2': _g(0.62, [arc_points(0.30, 0.28, 0.28, 160, -35, 24) + [(0.02, 1.0), (0.62, 1.0)]]),
    '3': _g(0.62, [arc_points(0.29, 0.245, 0.245, 150, -90, 24),
                   arc_points(0.30, 0.735, 0.265, 90, -150, 26)]),
    '4': _g(0.64, [[(0.48, 1.0), (0.48, 0.0), (0.0, 0.68), (0.64, 0.68)]]),
    '5': _g(0.62, [[(0.58, 0.0), (0.10, 0.0), (0.05, 0.46)] + arc_points(0.30, 0.69, 0.31, 130, -150, 26)[0:]]),
    '6': _g(0.62, [arc_points(0.31, 0.69, 0.31, 0, 360, 36, ry=0.31),
                   arc_points(0.66, 0.69, 0.66, 180, 112, 12, ry=0.69)]),
    '7': _g(0.60, [[(0.0, 0.0), (0.60, 0.0), (0.20, 1.0)]]),
    '8': _g(0.60, [arc_points(0.30, 0.24, 0.24, 0, 360, 30), arc_points(0.30, 0.73, 0.28, 0, 360, 34)]),
    '9': _g(0.62, [arc_points(0.31, 0.31, 0.31, 0, 360, 36),
                   arc_points(-0.04, 0.31, 0.66, 0, -68, 12, ry=0.69)]),
    'K': _g(0.62, [[(0.0, 0.0), (0.0, 1.0)], [(0.60, 0.0), (0.04, 0.56)], [(0.22, 0.40), (0.64, 1.0)]]),
    'k': _g(0.50, [[(0.0, 0.0), (0.0, 1.0)], [(0.48, XH), (0.04, 0.72)], [(0.18, 0.60), (0.52, 1.0)]]),
    'i': _g(0.0, [[(0.0, XH), (0.0, 1.0)]], dots=[(0.0, 0.08)]),
    'n': _g(0.50, [[(0.0, XH), (0.0, 1.0)],
                   [(0.0, 0.56)] + arc_points(0.25, 0.56, 0.25, 180, 0, 16) + [(0.50, 1.0)]]),
    'e': _g(0.64, [[(0.02, 0.65), (0.64, 0.65)] + arc_points(0.33, 0.65, 0.32, 0, 318, 40, ry=0.35)]),
    't': _g(0.36, [[(0.14, 0.08), (0.14, 0.84)] + arc_points(0.34, 0.84, 0.20, 180, 270, 8, ry=0.16)
                   + [(0.40, 1.0)], [(0.0, XH), (0.38, XH)]]),
    'r': _g(0.36, [[(0.0, XH), (0.0, 1.0)], [(0.0, 0.62)] + arc_points(0.30, 0.62, 0.30, 180, 75, 12, ry=0.32)]),
    'a': _g(0.62, [arc_points(0.31, 0.655, 0.31, 0, 360, 36, ry=0.345), [(0.62, XH), (0.62, 1.0)]]),
}


def stroke_text_width(text, size, weight=0.14, tracking=0.16):
    total = 0.0
    for i, ch in enumerate(text):
        w, _, _ = STROKE_GLYPHS[ch]
        total += (w + weight) * size
        if i:
            total += tracking * size
    return total


def stroke_text_shapes(text, x, y, size, weight=0.14, tracking=0.16):
    """Shapes of text whose box starts at (x, y) (top left, cap line) and is size high."""
    shapes = []
    pen = x + weight * size / 2.0
    for ch in text:
        w, strokes, dots = STROKE_GLYPHS[ch]
        for pts in strokes:
            shapes.append(Stroke([(pen + px * size, y + py * size) for px, py in pts], weight * size))
        for dx, dy in dots:
            shapes.append(Circle(pen + dx * size, y + dy * size, weight * size * 0.62))
        pen += (w + weight + tracking) * size
    return shapes


def stroke_text(canvas, text, x, y, size, paint, T=(1.0, 0.0, 0.0), weight=0.14, tracking=0.16, alpha=1.0,
                feather=1.0):
    for s in stroke_text_shapes(text, x, y, size, weight, tracking):
        canvas.fill(s, paint, T, alpha=alpha, feather=feather)


def stroke_text_centred(canvas, text, cx, cy, size, paint, T=(1.0, 0.0, 0.0), weight=0.14, tracking=0.16,
                        alpha=1.0, feather=1.0):
    """Centre the text's box (cap line to base line) on (cx, cy)."""
    w = stroke_text_width(text, size, weight, tracking)
    stroke_text(canvas, text, cx - w / 2.0, cy - size / 2.0, size, paint, T, weight, tracking, alpha, feather)

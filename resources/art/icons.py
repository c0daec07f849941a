"""Icons: the application (101), the configuration sheet (269), the tray (274)
and the sixteen event icons of the Display page's macro row (230-249).

Every icon is drawn on a transparent canvas and written as 32-bit images with
an AND mask. The 16 x 16 images are drawn on the pixel grid rather than
scaled down from 32, so that they stay crisp in the tray and the icon row.
"""

import math

from raster import Canvas, Circle, RoundRect, Capsule, Union, Offset, Ring, linear, shade, mix
from fonts import pixel_text
import pad

TILE_TOP = (64, 232, 212)
TILE_BOT = (0, 132, 122)
BODY_TOP = (76, 82, 94)
BODY_BOT = (40, 43, 50)
EDGE = (14, 15, 18)
LIGHT = (214, 220, 228)


# ---------------------------------------------------------------- pad glyphs

def pad_glyph(cv, T, body=None, accent=pad.TEAL, outline=EDGE, faces=True):
    """The pad in a 32-unit box (drawn for 32 px and larger)."""
    shape = Union([RoundRect(3.5, 9.0, 28.5, 20.5, 5.5),
                   Capsule(8.5, 16.0, 6.6, 25.8, 3.9),
                   Capsule(23.5, 16.0, 25.4, 25.8, 3.9)], k=3.0)
    cv.fill(Offset(shape, 0.3), outline, T)
    if body is None:
        cv.fill(Offset(shape, -1.0), linear(BODY_TOP, BODY_BOT, (0, 9), (0, 26)), T)
    else:
        cv.fill(Offset(shape, -1.0), body, T)
    detail = LIGHT if body is None else EDGE
    cx, cy = 9.8, 14.6
    cross = Union([RoundRect(cx - 1.3, cy - 3.6, cx + 1.3, cy + 3.6, 0.6),
                   RoundRect(cx - 3.6, cy - 1.3, cx + 3.6, cy + 1.3, 0.6)])
    cv.fill(cross, detail, T)
    fx, fy = 22.2, 14.6
    for n, (dx, dy) in ((1, (0, -2.6)), (2, (2.6, 0)), (3, (0, 2.6)), (4, (-2.6, 0))):
        col = pad.FACE[n] if faces else detail
        cv.fill(Circle(fx + dx, fy + dy, 1.35), col, T)
    for sx in (13.2, 18.8):
        cv.fill(Circle(sx, 19.0, 1.7), EDGE if body is None else (0, 96, 88), T)
        cv.fill(Circle(sx, 19.0, 0.9), (96, 104, 118) if body is None else EDGE, T)
    if accent and body is None:
        cv.fill(RoundRect(14.0, 12.2, 18.0, 13.2, 0.5), accent, T)


def pad_glyph16(cv, ox=0, oy=0, body=None, outline=EDGE, faces=True):
    """The pad for 16 x 16: a silhouette with a pixel cross and a pixel diamond."""
    T = (1.0, ox, oy)
    shape = Union([RoundRect(1.0, 4.0, 15.0, 10.6, 3.0),
                   Capsule(4.0, 8.0, 3.3, 12.9, 2.1),
                   Capsule(12.0, 8.0, 12.7, 12.9, 2.1)], k=1.5)
    cv.fill(shape, outline, T)
    if body is None:
        cv.fill(Offset(shape, -0.9), linear(BODY_TOP, BODY_BOT, (0, 4), (0, 13)), T)
    else:
        cv.fill(Offset(shape, -0.9), body, T)
    detail = LIGHT if body is None else EDGE
    # the cross: pixel rows, not outlines
    for x, y, w, h in ((3, 7, 3, 1), (4, 6, 1, 3)):
        cv.fill(RoundRect(x, y, x + w, y + h, 0), detail, T, hard=True)
    for n, (x, y) in ((1, (11, 6)), (2, (12, 7)), (3, (11, 8)), (4, (10, 7))):
        col = pad.FACE[n] if faces else detail
        cv.fill(RoundRect(x, y, x + 1, y + 1, 0), col, T, hard=True)


def tile(cv, size, T):
    box = RoundRect(0.5, 0.5, 31.5, 31.5, 6.5)
    cv.fill(box, shade(TILE_BOT, -0.35), T)
    cv.fill(Offset(box, -1.0), linear(TILE_TOP, TILE_BOT, (0, 0), (0, 32)), T)
    cv.fill(Ring(Offset(box, -1.6), 0.8), (255, 255, 255, 0.35), T)


def tile16(cv):
    box = RoundRect(0.0, 0.0, 16.0, 16.0, 3.2)
    cv.fill(box, shade(TILE_BOT, -0.35))
    cv.fill(Offset(box, -0.8), linear(TILE_TOP, TILE_BOT, (0, 0), (0, 16)))


def gear(cv, cx, cy, r, T, col=(244, 247, 250), hole=EDGE):
    """A small settings gear: a ring with eight square teeth."""
    teeth = []
    for k in range(8):
        a = k * math.pi / 4
        ux, uy = math.cos(a), math.sin(a)
        teeth.append(Capsule(cx + ux * r * 0.6, cy + uy * r * 0.6, cx + ux * r * 0.88, cy + uy * r * 0.88, r * 0.2))
    body = Union([Circle(cx, cy, r * 0.74)] + teeth)
    cv.fill(Offset(body, 1.0), EDGE, T)
    cv.fill(body, col, T)
    cv.fill(Circle(cx, cy, r * 0.32), hole, T)


# ---------------------------------------------------------------- the three window icons

def app_icon(size):
    cv = Canvas(size, size, alpha=True)
    if size == 16:
        tile16(cv)
        pad_glyph16(cv, 0, 0.5)
    else:
        s = size / 32.0
        tile(cv, size, (s, 0, 0))
        pad_glyph(cv, (s, 0, -3.0 * s))
    return cv.rgba()


def sheet_icon(size):
    """The application tile with a settings gear: the window where the pad is set up."""
    cv = Canvas(size, size, alpha=True)
    if size == 16:
        # too small for a gear to read: the same picture as the application's
        tile16(cv)
        pad_glyph16(cv, 0, 0.5)
    else:
        s = size / 32.0
        tile(cv, size, (s, 0, 0))
        pad_glyph(cv, (s, 0, -4.0 * s))
        gear(cv, 25.5, 25.5, 5.2, (s, 0, 0))
    return cv.rgba()


def tray_icon(size):
    """Teal pad without a tile: it has to read on light and dark task bars alike."""
    cv = Canvas(size, size, alpha=True)
    if size == 16:
        pad_glyph16(cv, 0, 0, body=linear(TILE_TOP, pad.TEAL, (0, 4), (0, 13)), faces=False)
    else:
        s = size / 32.0
        # fill the box: the glyph's pad spans x 3..29, y 9..30 of its 32 units
        pad_glyph(cv, (s * 1.12, -2.0 * s, -7.2 * s), body=linear(TILE_TOP, pad.TEAL, (0, 8), (0, 28)),
                  faces=False)
    return cv.rgba()


# ---------------------------------------------------------------- event icons

def _digit(cv, n, col):
    pixel_text(cv, str(n), 6, 5, col)


def face_button_icon(n):
    cv = Canvas(16, 16, alpha=True)
    c = Circle(8.5, 8.5, 7.4)
    cv.fill(c, EDGE)
    col = pad.FACE[n]
    cv.fill(Offset(c, -1.0), linear(shade(col, 0.35), shade(col, -0.15), (0, 2), (0, 15)))
    _digit(cv, n, pad.DARK_TEXT)
    return cv.rgba()


def shoulder_button_icon(n):
    cv = Canvas(16, 16, alpha=True)
    b = RoundRect(0.5, 3.0, 16.0, 14.0, 3.5)
    cv.fill(b, EDGE)
    cv.fill(Offset(b, -1.0), linear(pad.TEAL_LIT, shade(pad.TEAL, -0.2), (0, 3), (0, 14)))
    cv.fill(RoundRect(2.0, 4.0, 14.5, 5.0, 0.5), (255, 255, 255, 0.45))
    _digit(cv, n, pad.DARK_TEXT)
    return cv.rgba()


HAT_NAMES = ['up', 'up-right', 'right', 'down-right', 'down', 'down-left', 'left', 'up-left']


def hat_icon(direction):
    """A direction pad with the pushed arm(s) lit and a dark wedge pointing
    the way; a diagonal lights both neighbours and adds a corner arrow.
    Drawn pixel by pixel: at 16 x 16 smoothed shapes turn to mush."""
    cv = Canvas(16, 16, alpha=True)

    def in_cross(x, y):
        if not (0 <= x < 16 and 0 <= y < 16):
            return False
        if (x, y) in ((5, 0), (10, 0), (5, 15), (10, 15), (0, 5), (0, 10), (15, 5), (15, 10)):
            return False  # rounded arm tips
        return 5 <= x <= 10 or 5 <= y <= 10

    lit = direction.split('-')
    lit_test = {'up': lambda x, y: y <= 7 and 5 <= x <= 10, 'down': lambda x, y: y >= 8 and 5 <= x <= 10,
                'left': lambda x, y: x <= 7 and 5 <= y <= 10, 'right': lambda x, y: x >= 8 and 5 <= y <= 10}
    for y in range(16):
        for x in range(16):
            if not in_cross(x, y):
                continue
            edge = not all(in_cross(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                col = EDGE
            elif any(lit_test[a](x, y) for a in lit):
                col = mix(pad.TEAL_LIT, pad.TEAL, y / 15.0)
            else:
                col = mix((104, 111, 124), (58, 63, 72), y / 15.0)
            cv.set_pixel(x, y, col)
    wedges = {
        'up': [(7, 3), (8, 3), (6, 4), (7, 4), (8, 4), (9, 4)],
        'down': [(7, 12), (8, 12), (6, 11), (7, 11), (8, 11), (9, 11)],
        'left': [(3, 7), (3, 8), (4, 6), (4, 7), (4, 8), (4, 9)],
        'right': [(12, 7), (12, 8), (11, 6), (11, 7), (11, 8), (11, 9)],
    }
    for a in lit:
        for x, y in wedges[a]:
            cv.set_pixel(x, y, pad.DARK_TEXT)
    if len(lit) == 2:
        # an arrow in the empty corner between the two lit arms, pointing out
        arrow = [(2, 0), (3, 0), (4, 0), (3, 1), (4, 1), (2, 2), (4, 2), (1, 3), (0, 4)]
        for ax, ay in arrow:
            x = 11 + ax if 'right' in lit else 4 - ax
            y = ay if 'up' in lit else 15 - ay
            cv.set_pixel(x, y, shade(pad.TEAL, -0.25))
    return cv.rgba()


# Display page icon row: resource id -> (file name, what it shows)
EVENT_ICONS = {
    236: ('evt_button1_236.ico', 'button 1'),
    237: ('evt_button2_237.ico', 'button 2'),
    238: ('evt_button3_238.ico', 'button 3'),
    239: ('evt_button4_239.ico', 'button 4'),
    240: ('evt_button5_240.ico', 'button 5'),
    235: ('evt_button6_235.ico', 'button 6'),
    242: ('evt_button7_242.ico', 'button 7'),
    241: ('evt_button8_241.ico', 'button 8'),
    248: ('evt_hat_up_248.ico', 'up'),
    230: ('evt_hat_upright_230.ico', 'up-right'),
    243: ('evt_hat_right_243.ico', 'right'),
    244: ('evt_hat_downright_244.ico', 'down-right'),
    245: ('evt_hat_down_245.ico', 'down'),
    246: ('evt_hat_downleft_246.ico', 'down-left'),
    247: ('evt_hat_left_247.ico', 'left'),
    249: ('evt_hat_upleft_249.ico', 'up-left'),
}


def event_icon(what):
    if what.startswith('button '):
        n = int(what.split()[1])
        return face_button_icon(n) if n <= 4 else shoulder_button_icon(n)
    return hat_icon(what)

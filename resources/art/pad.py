"""The Kinetra pad, drawn in the pixel coordinates of the controller picture (290).

Every part sits in the rectangle the Button page marks for it; the picture
and its pressed-state twin take the layout from the table below, and
check.py holds the Button page's own copy of it to compare against.
"""

import math

from raster import (Circle, RoundRect, Capsule, Union, Offset, Ring, Moved, Polygon, Stroke,
                    linear, radial, shade)
from fonts import pixel_text_centred, stroke_text_centred

W, H = 397, 283

# Button n -> (left, top, width, height) on the picture; the Button page marks these.
BUTTON_RECTS = {
    1: (294, 56, 30, 30),
    2: (325, 86, 30, 30),
    3: (294, 113, 30, 30),
    4: (262, 84, 30, 30),
    5: (70, 28, 18, 14),
    6: (281, 26, 18, 14),
    7: (94, 28, 18, 14),
    8: (310, 28, 18, 14),
    9: (139, 145, 16, 16),
    10: (242, 145, 16, 16),
    11: (151, 90, 22, 15),
    12: (221, 91, 24, 14),
}

# Direction pad, mirroring the face buttons' diamond; dpad_arm_rects() gives its arm patches.
DPAD_C = (88.5, 99.5)
DPAD_HALF = 12.0     # half the width of an arm
DPAD_REACH = 38.0    # centre to the tip of an arm

# The sticks are buttons 9 and 10 (pressing a stick); their caps fill those rectangles.
STICKS = {9: (147.0, 153.0), 10: (250.0, 153.0)}
STICK_WELL_R = 21.0
STICK_SKIRT_R = 12.5
STICK_CAP_R = 7.5


def stick_patches(n):
    """Where a stick pushed to one side shows: 10 x 10 patches on its skirt."""
    cx, cy = STICKS[n]
    d = STICK_SKIRT_R + 1.0
    out = {}
    for name, (dx, dy) in (('left', (-1, 0)), ('right', (1, 0)), ('up', (0, -1)), ('down', (0, 1))):
        px, py = cx + dx * d, cy + dy * d
        out[name] = (int(round(px - 5)), int(round(py - 5)), 10, 10)
    return out


# ---------------------------------------------------------------- colours

OUTLINE = (16, 16, 16)          # near-black: pure black is the transparent surround
BODY_TOP = (70, 75, 86)
BODY_BOT = (38, 41, 48)
HIGHLIGHT = (150, 158, 172)
GRIP = (30, 32, 38)
RECESS = (26, 28, 33)
RECESS_RIM = (86, 92, 104)
PART = (82, 88, 100)
PART_DARK = (50, 54, 62)
PART_EDGE = (22, 23, 27)
LABEL = (222, 226, 232)
LABEL_DIM = (150, 157, 168)
TEAL = (26, 204, 186)
TEAL_LIT = (72, 236, 214)
GLOW = (150, 255, 238)
FACE = {1: (26, 204, 186), 2: (255, 98, 84), 3: (255, 178, 36), 4: (166, 122, 255)}
DARK_TEXT = (20, 22, 26)


def rect_centre(r):
    x, y, w, h = r
    return x + w / 2.0, y + h / 2.0


def _px(T, x, y):
    s, ox, oy = T
    return x * s + ox, y * s + oy


def _clip(T, rect):
    s, ox, oy = T
    x, y, w, h = rect
    return (int(math.floor(x * s + ox)), int(math.floor(y * s + oy)),
            int(math.ceil((x + w) * s + ox)), int(math.ceil((y + h) * s + oy)))


# ---------------------------------------------------------------- shapes

def body_shape():
    # The Button page puts the boxes of buttons 9 to 12 in the gap between the
    # grips and those of 5 to 8 above the top corners, and the box of button 4
    # just right of x = 387: the outline keeps clear of all of them.
    main = RoundRect(24, 40, 373, 162, 48)
    grip_l = Capsule(84, 118, 62, 234, 39)
    grip_r = Capsule(313, 118, 335, 234, 39)
    middle = RoundRect(112, 96, 285, 183, 30)
    return Union([main, grip_l, grip_r, middle], k=18)


def shoulder_housings():
    return [RoundRect(66, 22, 119, 47, 8), RoundRect(274, 20, 332, 47, 8)]


def silhouette():
    return Union([body_shape()] + shoulder_housings())


def dpad_shape(c=DPAD_C, half=DPAD_HALF, reach=DPAD_REACH, r=4.0):
    cx, cy = c
    return Union([RoundRect(cx - half, cy - reach, cx + half, cy + reach, r),
                  RoundRect(cx - reach, cy - half, cx + reach, cy + half, r)])


# ---------------------------------------------------------------- parts

def _button_label_colour(lit, n):
    return DARK_TEXT if lit else FACE[n]


def draw_face_button(cv, T, n, lit=False, labels=True):
    cx, cy = rect_centre(BUTTON_RECTS[n])
    col = FACE[n]
    cap = Circle(cx, cy, 12.5)
    if lit:
        cv.fill(Circle(cx, cy, 14.6), GLOW if n == 1 else shade(col, 0.45), T, alpha=0.55, feather=3.0)
        cv.fill(cap, PART_EDGE, T)
        cv.fill(Offset(cap, -1.2), radial(shade(col, 0.35), col, (cx - 3, cy - 4), 14), T)
        cv.fill(Ring(Offset(cap, -2.2), 1.0), shade(col, 0.55), T, alpha=0.6)
    else:
        cv.fill(Moved(cap, 0.8, 1.8), (8, 8, 10), T, alpha=0.55, feather=3.0)
        cv.fill(cap, PART_EDGE, T)
        cv.fill(Offset(cap, -1.2), radial((78, 84, 96), (44, 48, 56), (cx - 4, cy - 5), 16), T)
        cv.fill(Ring(Offset(cap, -2.6), 1.3), col, T, alpha=0.85)
    if labels:
        stroke_text_centred(cv, str(n), cx + (0.4 if n == 1 else 0.0), cy, 11.0,
                            _button_label_colour(lit, n), T, weight=0.2)


def draw_shoulder(cv, T, n, lit=False, labels=True):
    x, y, w, h = BUTTON_RECTS[n]
    shape = RoundRect(x + 0.5, y + 0.5, x + w - 0.5, y + h - 0.5, 4.0)
    cv.fill(shape, PART_EDGE, T)
    if lit:
        cv.fill(Offset(shape, -1.1), linear(TEAL_LIT, TEAL, (0, y), (0, y + h)), T)
    else:
        cv.fill(Offset(shape, -1.1), linear((104, 111, 124), (66, 71, 81), (0, y), (0, y + h)), T)
    if labels:
        cx, _ = rect_centre(BUTTON_RECTS[n])
        pixel_text_centred(cv, str(n), cx * T[0] + T[1], int(round((y + 3.5) * T[0] + T[2])),
                           DARK_TEXT if lit else LABEL)


def draw_pill(cv, T, n, lit=False, labels=True):
    x, y, w, h = BUTTON_RECTS[n]
    shape = RoundRect(x + 0.5, y + 0.5, x + w - 0.5, y + h - 0.5, (h - 1) / 2.0)
    if not lit:
        cv.fill(Moved(shape, 0.6, 1.4), (8, 8, 10), T, alpha=0.5, feather=2.5)
    cv.fill(shape, PART_EDGE, T)
    if lit:
        cv.fill(Offset(shape, -1.1), linear(TEAL_LIT, TEAL, (0, y), (0, y + h)), T)
    else:
        cv.fill(Offset(shape, -1.1), linear((96, 103, 116), (62, 67, 77), (0, y), (0, y + h)), T)
    if labels:
        cx, cy = rect_centre(BUTTON_RECTS[n])
        pixel_text_centred(cv, str(n), cx * T[0] + T[1], int(round((cy - 3.5) * T[0] + T[2])),
                           DARK_TEXT if lit else LABEL)


def draw_stick(cv, T, n, lit=False, labels=True):
    cx, cy = STICKS[n]
    if not lit:
        well = Circle(cx, cy, STICK_WELL_R)
        cv.fill(Offset(well, 1.2), RECESS_RIM, T, alpha=0.55)
        cv.fill(well, PART_EDGE, T)
        cv.fill(Offset(well, -1.0), radial((20, 21, 25), (34, 36, 42), (cx, cy - 3), STICK_WELL_R), T)
        skirt = Circle(cx, cy, STICK_SKIRT_R)
        cv.fill(Moved(skirt, 0.8, 2.0), (6, 6, 8), T, alpha=0.6, feather=3.0)
        cv.fill(skirt, PART_EDGE, T)
        cv.fill(Offset(skirt, -1.0), radial((92, 98, 111), (50, 54, 62), (cx - 4, cy - 5), 15), T)
        # the rubber rim's grip ridges
        for k in range(16):
            a = 2 * math.pi * k / 16
            p0 = (cx + math.cos(a) * (STICK_CAP_R + 1.6), cy + math.sin(a) * (STICK_CAP_R + 1.6))
            p1 = (cx + math.cos(a) * (STICK_SKIRT_R - 1.6), cy + math.sin(a) * (STICK_SKIRT_R - 1.6))
            cv.fill(Stroke([p0, p1], 0.8), (36, 39, 45), T, alpha=0.7)
    cap = Circle(cx, cy, STICK_CAP_R)
    cv.fill(cap, PART_EDGE, T)
    if lit:
        cv.fill(Offset(cap, -0.9), radial(TEAL_LIT, TEAL, (cx - 2, cy - 2), 9), T)
    else:
        cv.fill(Offset(cap, -0.9), radial((44, 48, 55), (76, 82, 94), (cx, cy - 1), 8), T)
    if labels:
        pixel_text_centred(cv, str(n), cx * T[0] + T[1] + (0.5 if n == 10 else 0.0),
                           int(round((cy - 3.5) * T[0] + T[2])), DARK_TEXT if lit else LABEL, spacing=1)


def draw_stick_push(cv, T, n, side):
    """A lit crescent on the skirt at one side: the stick pushed that way."""
    cx, cy = STICKS[n]
    dx, dy = {'left': (-1, 0), 'right': (1, 0), 'up': (0, -1), 'down': (0, 1)}[side]
    mark = Circle(cx + dx * (STICK_SKIRT_R - 0.5), cy + dy * (STICK_SKIRT_R - 0.5), 4.0)
    cv.fill(mark, GLOW, T, alpha=0.35, feather=2.5)
    cv.fill(Offset(mark, -1.0), TEAL_LIT, T)


def dpad_arm_rects(c, half, reach):
    """The four arm patches of a direction pad (left, top, width, height)."""
    cx, cy = c
    f, cl = math.floor, math.ceil
    return {
        'up': (int(f(cx - half)), int(f(cy - reach)), int(cl(2 * half + 1)), int(cl(reach - half + 2))),
        'right': (int(f(cx + half - 1)), int(f(cy - half)), int(cl(reach - half + 2)), int(cl(2 * half + 1))),
        'down': (int(f(cx - half)), int(f(cy + half - 1)), int(cl(2 * half + 1)), int(cl(reach - half + 2))),
        'left': (int(f(cx - reach)), int(f(cy - half)), int(cl(reach - half + 2)), int(cl(2 * half + 1))),
    }


def draw_dpad(cv, T, lit_arms=(), c=DPAD_C, half=DPAD_HALF, reach=DPAD_REACH, r=4.0, arms=None):
    """A raised direction pad; lit_arms are drawn in their pressed look, each
    confined to its arm patch."""
    cx, cy = c
    k = half / DPAD_HALF  # everything else scales with the arm width
    arms = arms or dpad_arm_rects(c, half, reach)
    shape = dpad_shape(c, half, reach, r)
    hub = Circle(cx, cy, 6.5 * k)
    if not lit_arms:
        cv.fill(Moved(shape, 1.0 * k, 2.5 * k), (6, 6, 8), T, alpha=0.6, feather=4.0 * k)
        cv.fill(shape, PART_EDGE, T)
        cv.fill(Offset(shape, -1.2), linear((100, 107, 120), (58, 63, 72), (0, cy - reach), (0, cy + reach)), T)
        cv.fill(hub, (48, 52, 60), T)
        cv.fill(Ring(hub, 1.0), (110, 117, 130), T, alpha=0.5)
    save = cv.clip
    for arm in lit_arms:
        cv.clip = _clip(T, arms[arm])
        cv.fill(Offset(shape, -1.2), linear(TEAL_LIT, TEAL, (0, cy - reach), (0, cy + reach)), T)
        cv.fill(hub, (48, 52, 60), T)
        cv.fill(Ring(hub, 1.0), (110, 117, 130), T, alpha=0.5)
    cv.clip = save
    # arrow marks on the arms
    d = reach - 6.0 * k
    for arm, (dx, dy, ang) in (('up', (0, -1, 90)), ('right', (1, 0, 0)), ('down', (0, 1, 270)),
                               ('left', (-1, 0, 180))):
        if lit_arms and arm not in lit_arms:
            continue
        tip = (cx + dx * d, cy + dy * d)
        t = math.radians(ang)
        ux, uy = math.cos(t), -math.sin(t)
        ln, hw = 6.0 * k, 5.0 * k
        pts = [tip, (tip[0] - ux * ln - uy * hw, tip[1] - uy * ln + ux * hw),
               (tip[0] - ux * ln + uy * hw, tip[1] - uy * ln - ux * hw)]
        cv.fill(Polygon(pts), DARK_TEXT if arm in lit_arms else (150, 158, 172), T, alpha=0.95)


def draw_body(cv, T, hard_edge=True):
    body = body_shape()
    sil = silhouette()
    cv.fill(sil, OUTLINE, T, hard=hard_edge)
    inner = Offset(body, -1.8)
    cv.fill(inner, linear(BODY_TOP, BODY_BOT, (0, 45), (0, 265)), T)
    # soft light on the upper face, falling off towards the grips
    cv.fill(Offset(body, -6), lambda x, y: HIGHLIGHT + (max(0.0, 0.16 - (y - 40) / 700.0),), T, feather=8)
    # bevel: a thin lit line just inside the top edge
    cv.fill(Ring(Offset(body, -2.8), 1.1),
            lambda x, y: HIGHLIGHT + (max(0.0, 0.55 - (y - 40) / 110.0),), T)
    # darker grips
    for a, b in (((84, 150), (62, 234)), ((313, 150), (335, 234))):
        grip = Capsule(a[0], a[1], b[0], b[1], 27)
        cv.fill(grip, GRIP, T, alpha=0.45, feather=10)
    # shoulder housings sit along the back edge
    for h in shoulder_housings():
        cv.fill(Offset(h, -1.5), linear((44, 47, 55), (28, 30, 35), (0, 20), (0, 47)), T)
    # wells for the direction pad and the four face buttons
    for (cx, cy), r in ((DPAD_C, 47.0), ((308.5, 99.5), 49.0)):
        well = Circle(cx, cy, r)
        cv.fill(Offset(well, 1.2), RECESS_RIM, T, alpha=0.35)
        cv.fill(well, (22, 24, 28), T)
        cv.fill(Offset(well, -1.0), linear((28, 30, 35), (44, 47, 54), (0, cy - r), (0, cy + r)), T)
    # centre plate with the name and the four player lights
    plate = RoundRect(140, 52, 257, 118, 14)
    cv.fill(Offset(plate, 1.0), (22, 24, 28), T, alpha=0.7)
    cv.fill(plate, linear((58, 62, 72), (44, 47, 55), (0, 52), (0, 118)), T)
    cv.fill(Stroke([(170, 83), (227, 83)], 1.2), TEAL, T, alpha=0.55)
    for k in range(4):
        led = Circle(186 + 8.5 * k, 77.0, 1.8)
        cv.fill(Offset(led, 1.5), TEAL, T, alpha=0.25, feather=2)
        cv.fill(led, TEAL_LIT if k == 0 else (46, 92, 88), T)


def draw_pad(cv, T=(1.0, 0.0, 0.0), pressed=False, labels=True, hard_edge=True, name=True):
    """The whole pad. pressed=True draws every part in its pressed look, each
    confined to its own patch so that copying a patch shows just that part."""
    draw_body(cv, T, hard_edge)
    if name and labels:
        pixel_text_centred(cv, "KINETRA", 198.5 * T[0] + T[1], int(round(58 * T[0] + T[2])), LABEL_DIM)
    draw_dpad(cv, T)
    for n in (1, 2, 3, 4):
        draw_face_button(cv, T, n, labels=labels)
    for n in (5, 6, 7, 8):
        draw_shoulder(cv, T, n, labels=labels)
    for n in (11, 12):
        draw_pill(cv, T, n, labels=labels)
    for n in (9, 10):
        draw_stick(cv, T, n, labels=labels)
    if not pressed:
        return
    save = cv.clip
    for n, rect in BUTTON_RECTS.items():
        cv.clip = _clip(T, rect)
        if n <= 4:
            draw_face_button(cv, T, n, lit=True, labels=labels)
        elif n <= 8:
            draw_shoulder(cv, T, n, lit=True, labels=labels)
        elif n <= 10:
            draw_stick(cv, T, n, lit=True, labels=labels)
        else:
            draw_pill(cv, T, n, lit=True, labels=labels)
    cv.clip = save
    draw_dpad(cv, T, lit_arms=("up", "right", "down", "left"))
    for n in (9, 10):
        for side, rect in stick_patches(n).items():
            cv.clip = _clip(T, rect)
            draw_stick_push(cv, T, n, side)
    cv.clip = save


def pressed_patches():
    """Every patch that differs between the picture and its pressed twin."""
    out = {'button %d' % n: r for n, r in BUTTON_RECTS.items()}
    for arm, r in dpad_arm_rects(DPAD_C, DPAD_HALF, DPAD_REACH).items():
        out['pad ' + arm] = r
    for n in (9, 10):
        for side, r in stick_patches(n).items():
            out['stick %d %s' % (n, side)] = r
    return out

"""The direction pad and tilt picture (291), 577 x 265.

The Direction Pad and Motion Function page lays its key boxes out in two
clusters under the picture: the direction pad boxes around x = 119 px and the
tilt boxes around x = 350 px (page dialog units converted at 1.5 px per unit
from the picture's left edge). The two figures stand over those clusters.
The bottom strip is left empty because the page's "UP" and "TILT UP" labels
reach into it.
"""

import math

from raster import Circle, Offset, Ring, Stroke, Polygon, Union, linear, shade
from fonts import pixel_text_centred
import pad

W, H = 577, 265

DPAD_C = (119.0, 124.0)
DPAD_HALF = 25.0
DPAD_REACH = 72.0
PLATE_R = 92.0

TILT_C = (352.0, 124.0)
TILT_SCALE = 0.42
ARROW_GAP = 7.0      # from the small pad's edge to an arrow's tail
ARROW_LEN = 30.0

# Headings stand on the surround, so they must read on black and on the page colour alike.
HEADING = (20, 170, 156)


def tilt_pad_T():
    """Transform that centres the small pad on TILT_C."""
    s = TILT_SCALE
    # the pad body spans x 24..373 and y 20..276 in its own picture
    return (s, TILT_C[0] - 198.5 * s, TILT_C[1] - 148.0 * s)


def tilt_pad_extent():
    s = TILT_SCALE
    return (373 - 24) * s / 2.0, (276 - 20) * s / 2.0


def arrows():
    """name -> (tail, tip, direction in degrees)."""
    hx, hy = tilt_pad_extent()
    cx, cy = TILT_C
    g, L = ARROW_GAP, ARROW_LEN
    return {
        'tilt up': ((cx, cy - hy - g), (cx, cy - hy - g - L), 90),
        'tilt down': ((cx, cy + hy + g), (cx, cy + hy + g + L), 270),
        'tilt left': ((cx - hx - g, cy), (cx - hx - g - L, cy), 180),
        'tilt right': ((cx + hx + g, cy), (cx + hx + g + L, cy), 0),
    }


def arrow_rect(name):
    (tx, ty), (px, py), _ = arrows()[name]
    x0, x1 = min(tx, px), max(tx, px)
    y0, y1 = min(ty, py), max(ty, py)
    m = 13.0  # half the arrow head's width plus its glow
    if x0 == x1:
        return (int(math.floor(x0 - m)), int(math.floor(y0 - 4)), int(2 * m), int(math.ceil(y1 - y0 + 8)))
    return (int(math.floor(x0 - 4)), int(math.floor(y0 - m)), int(math.ceil(x1 - x0 + 8)), int(2 * m))


def arrow_shape(name):
    (tx, ty), (px, py), ang = arrows()[name]
    t = math.radians(ang)
    ux, uy = math.cos(t), -math.sin(t)
    head_len, head_hw = 13.0, 11.5
    bx, by = px - ux * head_len, py - uy * head_len
    shaft = Stroke([(tx, ty), (bx + ux * 2, by + uy * 2)], 8.0)
    head = Polygon([(px, py), (bx - uy * head_hw, by + ux * head_hw), (bx + uy * head_hw, by - ux * head_hw)])
    return Union([shaft, head])


def draw_arrow(cv, name, lit):
    shape = arrow_shape(name)
    if lit:
        cv.fill(Offset(shape, 2.5), pad.GLOW, alpha=0.45, feather=4.0)
    cv.fill(Offset(shape, 1.4), pad.OUTLINE)
    if lit:
        cv.fill(shape, shade(pad.TEAL_LIT, 0.25))
    else:
        cv.fill(shape, linear((92, 99, 112), (62, 67, 77), (0, TILT_C[1] - 90), (0, TILT_C[1] + 90)))
        cv.fill(Offset(shape, -2.0), pad.TEAL, alpha=0.35)


def dpad_arms():
    return pad.dpad_arm_rects(DPAD_C, DPAD_HALF, DPAD_REACH)


def silhouette():
    parts = [Circle(DPAD_C[0], DPAD_C[1], PLATE_R)]
    parts += [Offset(arrow_shape(n), 1.4) for n in arrows()]
    s, ox, oy = tilt_pad_T()
    return parts, (s, ox, oy)


def draw(cv, pressed=False):
    cx, cy = DPAD_C
    # the direction pad on a round piece of the pad's body
    plate = Circle(cx, cy, PLATE_R)
    cv.fill(plate, pad.OUTLINE, hard=True)
    cv.fill(Offset(plate, -1.8), linear(pad.BODY_TOP, pad.BODY_BOT, (0, cy - PLATE_R), (0, cy + PLATE_R)))
    cv.fill(Ring(Offset(plate, -2.8), 1.1),
            lambda x, y: pad.HIGHLIGHT + (max(0.0, 0.6 - (y - (cy - PLATE_R)) / 120.0),))
    well = Circle(cx, cy, PLATE_R - 10)
    cv.fill(Offset(well, 1.2), pad.RECESS_RIM, alpha=0.35)
    cv.fill(well, (22, 24, 28))
    cv.fill(Offset(well, -1.2), linear((28, 30, 35), (46, 49, 56), (0, cy - PLATE_R), (0, cy + PLATE_R)))
    pad.draw_dpad(cv, (1.0, 0.0, 0.0), c=DPAD_C, half=DPAD_HALF, reach=DPAD_REACH, r=7.0)

    # the tilting pad: a small pad with an arrow for each way it can lean
    pad.draw_pad(cv, tilt_pad_T(), labels=False, hard_edge=True)
    for name in arrows():
        draw_arrow(cv, name, False)

    # section headings
    pixel_text_centred(cv, "DIRECTION PAD", cx, 14, HEADING, spacing=2)
    pixel_text_centred(cv, "MOTION - TILT", TILT_C[0], 14, HEADING, spacing=2)

    if pressed:
        pad.draw_dpad(cv, (1.0, 0.0, 0.0), lit_arms=('up', 'right', 'down', 'left'), c=DPAD_C,
                      half=DPAD_HALF, reach=DPAD_REACH, r=7.0)
        save = cv.clip
        for name in arrows():
            x, y, w, h = arrow_rect(name)
            cv.clip = (x, y, x + w, y + h)
            draw_arrow(cv, name, True)
        cv.clip = save


def pressed_patches():
    out = {'pad ' + k: v for k, v in dpad_arms().items()}
    out.update({k: arrow_rect(k) for k in arrows()})
    return out

#!/usr/bin/env python3
"""Render all of Kinetra's bitmaps and icons into resources/.

    python3 resources/art/render.py [--preview DIR]

Needs only the Python 3 standard library. --preview also writes a PNG of
each bitmap (and a 4x enlargement of the icons) into DIR for looking at.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder free of __pycache__
sys.path.insert(0, HERE)

from raster import Canvas  # noqa: E402
from imgio import build_palette, quantise, write_bmp8, write_ico, write_png, write_png8  # noqa: E402
import pad  # noqa: E402
import movement  # noqa: E402
import decor  # noqa: E402
import icons  # noqa: E402

OUT = os.path.normpath(os.path.join(HERE, '..'))

# id -> file name, in resources/
FILES = {
    290: 'pad_290.bmp',
    189: 'pad_pressed_189.bmp',
    190: 'pad_mask_190.bmp',
    291: 'movement_291.bmp',
    263: 'movement_pressed_263.bmp',
    194: 'movement_mask_194.bmp',
    272: 'side_general_272.bmp',
    273: 'side_profile_273.bmp',
    117: 'about_117.bmp',
    182: 'display_group_182.bmp',
    101: 'app_101.ico',
    269: 'sheet_269.ico',
    274: 'tray_274.ico',
}
for _id, (_name, _what) in icons.EVENT_ICONS.items():
    FILES[_id] = _name

# The display scales the pictures are drawn for, in per cent. 100 % is the BMP the rc file
# names by id; each other scale is an 8-bit PNG in resources/scaled/ named ART<id>_<scale>,
# which the program decodes with the system's codecs and picks by the system DPI.
SCALES = (100, 125, 150, 175, 200)
SCALED_DIR = 'scaled'
SCALED_RC = os.path.join(HERE, 'scaled.rc.inc')


def scaled_file(rid, pct):
    return '%s/%s@%d.png' % (SCALED_DIR, FILES[rid][:-4], pct)


def write_picture(rid, pct, w, h, idx, palette, preview):
    """The picture of one scale: the BMP at 100 %, an indexed PNG at the others."""
    if pct == 100:
        write_bmp8(os.path.join(OUT, FILES[rid]), w, h, idx, palette)
        name = FILES[rid][:-4]
    else:
        write_png8(os.path.join(OUT, scaled_file(rid, pct)), w, h, idx, palette)
        name = '%s@%d' % (FILES[rid][:-4], pct)
    if preview:
        write_png(os.path.join(preview, name + '.png'), w, h, [palette[i] for i in idx])


BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


def opaque_pictures(w, h, draw, silhouette_cov, scale):
    """Render a picture and its pressed twin on black and pin the surround.

    Pixels outside the silhouette become pure black (transparent for the
    mask and the OR-draw); the returned 'inside' list is what the mask
    source marks and what must never turn black."""
    plain = Canvas(w, h, scale=scale)
    draw(plain, False)
    pressed = Canvas(w, h, scale=scale)
    draw(pressed, True)
    w, h = plain.w, plain.h
    a, b = plain.pixels(), pressed.pixels()
    inside = list(silhouette_cov)
    for i in range(w * h):
        if not inside[i] and max(a[i]) > 40:
            inside[i] = True  # captions drawn on the surround
    for i in range(w * h):
        if not inside[i]:
            a[i] = BLACK
            b[i] = BLACK
    return a, b, inside, w, h


def pad_silhouette_cov(scale):
    cv = Canvas(pad.W, pad.H, scale=scale)
    return cv.coverage(pad.silhouette())


def movement_silhouette_cov(scale):
    cv = Canvas(movement.W, movement.H, scale=scale)
    parts, T = movement.silhouette()
    cov = [False] * (cv.w * cv.h)
    for shape in parts:
        c = cv.coverage(shape)
        cov = [x or y for x, y in zip(cov, c)]
    c = cv.coverage(pad.silhouette(), T)
    return [x or y for x, y in zip(cov, c)]


def mask_indices(inside):
    return [1 if v else 0 for v in inside]


def render_controller_pictures(preview, pct):
    scale = pct / 100.0
    pa, pb, pin, pw, ph = opaque_pictures(pad.W, pad.H, lambda cv, p: pad.draw_pad(cv, pressed=p),
                                          pad_silhouette_cov(scale), scale)
    ma, mb, min_, mw, mh = opaque_pictures(movement.W, movement.H, lambda cv, p: movement.draw(cv, pressed=p),
                                           movement_silhouette_cov(scale), scale)
    fixed = [BLACK, pad.OUTLINE, pad.TEAL, pad.TEAL_LIT, pad.LABEL, pad.DARK_TEXT, movement.HEADING,
             pad.PART_EDGE] + [pad.FACE[n] for n in (1, 2, 3, 4)]
    inner = [[c for c, i in zip(img, ins) if i] for img, ins in ((pa, pin), (pb, pin), (ma, min_), (mb, min_))]
    palette = build_palette(inner, fixed)
    for img, ins, w, h, rid in ((pa, pin, pw, ph, 290), (pb, pin, pw, ph, 189), (ma, min_, mw, mh, 291),
                                (mb, min_, mw, mh, 263)):
        write_picture(rid, pct, w, h, quantise(img, palette, forbid_first=ins), palette, preview)
    mask_pal = [BLACK, WHITE]
    for ins, w, h, rid in ((pin, pw, ph, 190), (min_, mw, mh, 194)):
        write_picture(rid, pct, w, h, mask_indices(ins), mask_pal, preview)


def render_decor(rid, w, h, draw, preview, pct):
    cv = Canvas(w, h, bg=decor.KEY, scale=pct / 100.0)
    draw(cv, w, h)
    px = cv.pixels()
    # only the margin keeps the key colour exactly: it is palette entry 0,
    # which LR_LOADTRANSPARENT turns into the face colour
    not_key = [c != decor.KEY for c in px]
    palette = build_palette([[c for c in px if c != decor.KEY]], [decor.KEY])
    idx = quantise(px, palette, forbid_first=not_key)
    write_picture(rid, pct, cv.w, cv.h, idx, palette, preview)


def icon_preview(path, images):
    """4x enlargement of each image of an icon side by side, on a checker board."""
    scale = 4
    total_w = sum(s for s, _ in images) * scale + 8 * (len(images) + 1)
    total_h = max(s for s, _ in images) * scale + 16
    rgb = []
    for y in range(total_h):
        for x in range(total_w):
            rgb.append((238, 238, 238) if (x // 8 + y // 8) % 2 else (205, 208, 214))
    xo = 8
    for size, px in images:
        for y in range(size * scale):
            for x in range(size * scale):
                r, g, b, a = px[(y // scale) * size + x // scale]
                i = (y + 8) * total_w + xo + x
                br, bg, bb = rgb[i]
                f = a / 255.0
                rgb[i] = (int(r * f + br * (1 - f)), int(g * f + bg * (1 - f)), int(b * f + bb * (1 - f)))
        xo += size * scale + 8
    write_png(path, total_w, total_h, rgb)


def render_icons(preview):
    # The sizes Windows asks for from 100 % to 200 %: the small icon is 16-32 pixels, the
    # large one 32-48 (and 64 at 200 %, which takes the 48 image down a step).
    sizes = (48, 40, 32, 24, 20, 16)
    sets = {
        101: [(s, icons.app_icon(s)) for s in sizes],
        269: [(s, icons.sheet_icon(s)) for s in sizes],
        274: [(s, icons.tray_icon(s)) for s in sizes],
    }
    for rid, (name, what) in icons.EVENT_ICONS.items():
        sets[rid] = [(16, icons.event_icon(what))]
    for rid, images in sets.items():
        write_ico(os.path.join(OUT, FILES[rid]), images)
        if preview:
            icon_preview(os.path.join(preview, FILES[rid][:-4] + '.png'), images)


SCALED_IDS = (290, 189, 190, 291, 263, 194, 272, 273, 117, 182)


def write_scaled_rc():
    lines = ['// Written by resources/art/render.py: the pictures of the display scales above 100 %,',
             '// decoded by the program (framework/ScaledArt.cpp). Paths are relative to resources/.']
    for rid in SCALED_IDS:
        for pct in SCALES[1:]:
            lines.append('ART%d_%d RCDATA "%s"' % (rid, pct, scaled_file(rid, pct)))
    with open(SCALED_RC, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main(argv):
    preview = None
    if len(argv) > 1:
        if argv[1] != '--preview' or len(argv) != 3:
            print(__doc__)
            return 2
        preview = argv[2]
        os.makedirs(preview, exist_ok=True)
    os.makedirs(os.path.join(OUT, SCALED_DIR), exist_ok=True)
    for pct in SCALES:
        render_controller_pictures(preview, pct)
        render_decor(272, 240, 400, decor.banner, preview, pct)
        render_decor(273, 167, 360, decor.banner, preview, pct)
        render_decor(117, 250, 164, decor.about, preview, pct)
        render_decor(182, 128, 16, lambda cv, w, h: decor.group_caption(cv, w, h, "CONTROLLER DISPLAY"), preview,
                     pct)
    write_scaled_rc()
    render_icons(preview)
    for rid in sorted(FILES):
        print('%4d  resources/%s' % (rid, FILES[rid]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))

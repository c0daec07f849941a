#!/usr/bin/env python3
"""Check the rendered artwork in resources/ against what the program expects.

    python3 resources/art/check.py

Reads the files as written (not the drawing code's idea of them) and exits
non-zero with a list of problems when any check fails:
- every bitmap is an uncompressed 8-bit BMP3 of the size its user expects, and each larger
  display scale an 8-bit indexed PNG of that size scaled; every check below holds at each
  scale, with the patches' edges scaled as the program scales them;
- the controller pictures are pure black exactly where their mask sources
  are black, so the mask and the OR-draw leave no fringe and no hole;
- the pressed-state pictures differ from the pictures only inside the
  patches the pages copy, and every Button page rectangle shows a change;
- the side, About and group-box pictures keep one palette entry for their
  margin (the entry LR_LOADTRANSPARENT turns into the face colour);
- no palette entry used by a picture is one of the 3-D greys;
- every icon holds the sizes it should, as 32-bit images;
- resources.rc.inc names every resource id once, and every file it names exists.
"""

import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder free of __pycache__
RES = os.path.normpath(os.path.join(HERE, '..'))
sys.path.insert(0, HERE)

from imgio import read_bmp8, read_png8, MAPPED_GREYS  # noqa: E402
from raster import scaled  # noqa: E402
from render import SCALES, scaled_file  # noqa: E402
import pad  # noqa: E402
import movement  # noqa: E402

# The Button page's rectangles (picture pixels), as its HighlightButton marks them.
BUTTON_PAGE_RECTS = {
    1: (294, 56, 30, 30), 2: (325, 86, 30, 30), 3: (294, 113, 30, 30), 4: (262, 84, 30, 30),
    5: (70, 28, 18, 14), 6: (281, 26, 18, 14), 7: (94, 28, 18, 14), 8: (310, 28, 18, 14),
    9: (139, 145, 16, 16), 10: (242, 145, 16, 16), 11: (151, 90, 22, 15), 12: (221, 91, 24, 14),
}

BITMAPS = {  # id: (file, width, height)
    290: ('pad_290.bmp', 397, 283), 190: ('pad_mask_190.bmp', 397, 283), 189: ('pad_pressed_189.bmp', 397, 283),
    291: ('movement_291.bmp', 577, 265), 194: ('movement_mask_194.bmp', 577, 265),
    263: ('movement_pressed_263.bmp', 577, 265),
    272: ('side_general_272.bmp', 240, 400), 273: ('side_profile_273.bmp', 167, 360),
    117: ('about_117.bmp', 250, 164), 182: ('display_group_182.bmp', 128, 16),
}
EVENT_IDS = [230] + list(range(235, 250))
WINDOW_ICON_SIZES = {16, 20, 24, 32, 40, 48}
ICONS = {101: ('app_101.ico', WINDOW_ICON_SIZES), 269: ('sheet_269.ico', WINDOW_ICON_SIZES),
         274: ('tray_274.ico', WINDOW_ICON_SIZES)}

problems = []


def fail(msg):
    problems.append(msg)


def load(rid, pct=100):
    name, w, h = BITMAPS[rid]
    if pct != 100:
        name = scaled_file(rid, pct)
        w, h = scaled(w, pct / 100.0), scaled(h, pct / 100.0)
    path = os.path.join(RES, name)
    try:
        bw, bh, idx, pal = read_bmp8(path) if pct == 100 else read_png8(path)
    except (OSError, ValueError) as e:
        fail('%d %s: %s' % (rid, name, e))
        return None
    if (bw, bh) != (w, h):
        fail('%d %s: %dx%d, expected %dx%d' % (rid, name, bw, bh, w, h))
        return None
    return bw, bh, idx, pal


def check_used_greys(rid, img):
    _, _, idx, pal = img
    for i in set(idx):
        if pal[i] in MAPPED_GREYS:
            fail('%d: uses the 3-D grey %s, which LR_LOADMAP3DCOLORS would replace' % (rid, pal[i]))


def scale_rect(r, pct):
    x, y, w, h = r
    k = pct / 100.0
    return scaled(x, k), scaled(y, k), scaled(x + w, k) - scaled(x, k), scaled(y + h, k) - scaled(y, k)


def check_controller(pic_id, mask_id, pressed_id, patches, must_change, pct=100):
    patches = [scale_rect(r, pct) for r in patches]
    must_change = {name: scale_rect(r, pct) for name, r in must_change.items()}
    pic, mask, pressed = load(pic_id, pct), load(mask_id, pct), load(pressed_id, pct)
    if not (pic and mask and pressed):
        return
    w, h, pidx, ppal = pic
    _, _, midx, mpal = mask
    _, _, sidx, spal = pressed
    if set(mpal[i] for i in set(midx)) - {(0, 0, 0), (255, 255, 255)}:
        fail('%d: the mask source holds colours other than black and white' % mask_id)
    inside_n = 0
    for i in range(w * h):
        inside = mpal[midx[i]] != (0, 0, 0)
        inside_n += inside
        for rid, idx, pal in ((pic_id, pidx, ppal), (pressed_id, sidx, spal)):
            black = pal[idx[i]] == (0, 0, 0)
            if inside == black:
                fail('%d: pixel (%d, %d) is %s but the mask says %s' % (
                    rid, i % w, i // w, 'black' if black else 'not black', 'controller' if inside else 'surround'))
                break
        if len(problems) > 20:
            return
    if not (0.2 * w * h < inside_n < 0.9 * w * h):
        fail('%d: the mask covers %d of %d pixels' % (mask_id, inside_n, w * h))

    def in_patch(x, y):
        return any(px <= x < px + pw and py <= y < py + ph for px, py, pw, ph in patches)

    stray = 0
    for i in range(w * h):
        if ppal[pidx[i]] != spal[sidx[i]] and not in_patch(i % w, i // w):
            stray += 1
    if stray:
        fail('%d: %d pixels differ from %d outside the pressed patches' % (pressed_id, stray, pic_id))
    for name, (x, y, rw, rh) in must_change.items():
        if x < 0 or y < 0 or x + rw > w or y + rh > h:
            fail('%d: %s rectangle %s leaves the picture' % (pic_id, name, (x, y, rw, rh)))
            continue
        changed = sum(1 for yy in range(y, y + rh) for xx in range(x, x + rw)
                      if ppal[pidx[yy * w + xx]] != spal[sidx[yy * w + xx]])
        if changed < 0.2 * rw * rh:
            fail('%d: %s at %s: only %d of %d pixels look pressed' % (pressed_id, name, (x, y, rw, rh), changed,
                                                                     rw * rh))
        cx, cy = x + rw // 2, y + rh // 2
        if mpal[midx[cy * w + cx]] == (0, 0, 0):
            fail('%d: the centre of %s is outside the controller' % (pic_id, name))
    for rid, img in ((pic_id, pic), (pressed_id, pressed)):
        check_used_greys(rid, img)


def check_decor(rid, pct=100):
    img = load(rid, pct)
    if not img:
        return
    w, h, idx, pal = img
    corners = {idx[0], idx[w - 1], idx[(h - 1) * w], idx[h * w - 1]}
    if len(corners) != 1:
        fail('%d: the corners use different palette entries %s' % (rid, sorted(corners)))
        return
    key = corners.pop()
    if sum(1 for c in pal if c == pal[key]) != 1:
        fail('%d: the margin colour %s appears twice in the palette' % (rid, pal[key]))
    used = set(idx)
    if len(used) < 8:
        fail('%d: only %d colours used' % (rid, len(used)))
    if idx[(h // 2) * w + w // 2] == key and rid != 182:
        fail('%d: the middle of the picture has the margin colour' % rid)
    check_used_greys(rid, img)


def check_ico(path, sizes):
    try:
        with open(path, 'rb') as f:
            raw = f.read()
    except OSError as e:
        fail('%s: %s' % (path, e))
        return
    reserved, kind, count = struct.unpack_from('<HHH', raw, 0)
    if reserved != 0 or kind != 1 or count < 1:
        fail('%s: not an icon file' % path)
        return
    found = set()
    for n in range(count):
        bw, bh, _, _, planes, bpp, size, offset = struct.unpack_from('<BBBBHHII', raw, 6 + 16 * n)
        bw, bh = bw or 256, bh or 256
        hdr, iw, ih, _, ibpp = struct.unpack_from('<IiiHH', raw, offset)
        if hdr != 40 or iw != bw or ih != 2 * bh or ibpp != 32 or bpp != 32:
            fail('%s: image %d has an unexpected header' % (path, n))
        want = 40 + bw * bh * 4 + ((bw + 31) // 32) * 4 * bh
        if size != want or offset + size > len(raw):
            fail('%s: image %d is %d bytes, expected %d' % (path, n, size, want))
        opaque = sum(1 for k in range(bw * bh) if raw[offset + 40 + 4 * k + 3] > 0)
        if opaque < bw * bh // 5:
            fail('%s: image %d is nearly empty' % (path, n))
        found.add(bw)
    if found != sizes:
        fail('%s: sizes %s, expected %s' % (path, sorted(found), sorted(sizes)))


def check_rc():
    path = os.path.join(HERE, 'resources.rc.inc')
    try:
        text = open(path).read()
    except OSError as e:
        fail('resources.rc.inc: %s' % e)
        return
    seen = {}
    for m in re.finditer(r'^\s*(\d+)\s+(BITMAP|ICON)\s+"([^"]+)"', text, re.M):
        rid, kind, name = int(m.group(1)), m.group(2), m.group(3)
        if rid in seen:
            fail('resources.rc.inc: id %d twice' % rid)
        seen[rid] = (kind, name)
        if not os.path.isfile(os.path.join(RES, name)):
            fail('resources.rc.inc: %s does not exist in resources/' % name)
    want = {rid: ('BITMAP', v[0]) for rid, v in BITMAPS.items()}
    want.update({rid: ('ICON', v[0]) for rid, v in ICONS.items()})
    for rid in EVENT_IDS:
        want[rid] = ('ICON', None)
    for rid, (kind, name) in want.items():
        if rid not in seen:
            fail('resources.rc.inc: no line for %d' % rid)
        elif seen[rid][0] != kind or (name and seen[rid][1] != name):
            fail('resources.rc.inc: %d should be %s "%s"' % (rid, kind, name))
    for rid in set(seen) - set(want):
        fail('resources.rc.inc: unexpected id %d' % rid)
    return seen


def main():
    if pad.BUTTON_RECTS != BUTTON_PAGE_RECTS:
        fail('pad.py does not draw the buttons in the Button page rectangles')
    pad_patches = list(BUTTON_PAGE_RECTS.values()) + list(pad.pressed_patches().values())
    must = {'button %d' % n: r for n, r in BUTTON_PAGE_RECTS.items()}
    must.update(pad.pressed_patches())
    mov = movement.pressed_patches()
    for pct in SCALES:
        check_controller(290, 190, 189, pad_patches, must, pct)
        check_controller(291, 194, 263, list(mov.values()), mov, pct)
        for rid in (272, 273, 117, 182):
            check_decor(rid, pct)
    for rid, (name, sizes) in ICONS.items():
        check_ico(os.path.join(RES, name), sizes)
    seen = check_rc() or {}
    for rid in EVENT_IDS:
        if rid in seen:
            check_ico(os.path.join(RES, seen[rid][1]), {16})
    if problems:
        for p in problems:
            print('FAIL', p)
        return 1
    print('artwork OK: %d bitmaps at %d scales, %d icons' % (len(BITMAPS), len(SCALES), len(ICONS) + len(EVENT_IDS)))
    return 0


if __name__ == '__main__':
    sys.exit(main())

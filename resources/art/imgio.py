"""Palette reduction and the BMP / ICO / PNG writers for the artwork."""

import struct
import zlib

# The 3-D greys that LoadImage(LR_LOADMAP3DCOLORS) swaps for system colours.
# A palette entry that happens to equal one of them would change colour on
# screen, so they are nudged away unless an image asks for them on purpose.
MAPPED_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}


# ---------------------------------------------------------------- palette


def median_cut(hist, n):
    """Reduce a {colour: count} histogram to at most n colours."""
    boxes = [list(hist.items())]
    if not boxes[0]:
        return []

    def spread(box):
        best = (-1, 0)
        for ch in range(3):
            lo = min(c[ch] for c, _ in box)
            hi = max(c[ch] for c, _ in box)
            if hi - lo > best[0]:
                best = (hi - lo, ch)
        return best

    def score(box):
        rng, _ = spread(box)
        count = sum(k for _, k in box)
        return rng * (count ** 0.5) if len(box) > 1 else -1

    while len(boxes) < n:
        boxes.sort(key=score)
        box = boxes[-1]
        if len(box) < 2 or score(box) <= 0:
            break
        boxes.pop()
        _, ch = spread(box)
        box.sort(key=lambda e: e[0][ch])
        total = sum(k for _, k in box)
        acc = 0
        cut = 1
        for i, (_, k) in enumerate(box):
            acc += k
            if acc >= total / 2.0:
                cut = max(1, min(len(box) - 1, i + 1))
                break
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    out = []
    for box in boxes:
        total = sum(k for _, k in box)
        out.append(tuple(int(round(sum(c[ch] * k for c, k in box) / total)) for ch in range(3)))
    return out


def build_palette(images, fixed, size=256, keep_greys=False):
    """Palette with the fixed colours first, then the median cut of the rest."""
    hist = {}
    fixed = [tuple(c) for c in fixed]
    fixed_set = set(fixed)
    for img in images:
        for c in img:
            if c not in fixed_set:
                hist[c] = hist.get(c, 0) + 1
    rest = median_cut(hist, size - len(fixed))
    pal = list(fixed)
    for c in rest:
        if not keep_greys and c in MAPPED_GREYS:
            c = (c[0], c[1], c[2] + 1)
        if c not in pal:
            pal.append(c)
    while len(pal) < size:
        pal.append((0, 0, 0))
    return pal


def quantise(pixels, palette, allowed=None, forbid_first=None):
    """Index of the nearest palette colour for each pixel.

    allowed: indices the search may use (None = all).
    forbid_first: list of booleans; where True the index 0 entry is skipped
    (the pad body must never turn into the transparent black)."""
    cache = {}
    cache_nz = {}
    idx_all = list(range(len(palette))) if allowed is None else list(allowed)
    idx_nz = [i for i in idx_all if i != 0]
    out = []
    for n, c in enumerate(pixels):
        nz = forbid_first[n] if forbid_first is not None else False
        memo = cache_nz if nz else cache
        hit = memo.get(c)
        if hit is None:
            best, bd = 0, 1e18
            r, g, b = c
            for i in (idx_nz if nz else idx_all):
                p = palette[i]
                d = 2 * (r - p[0]) ** 2 + 4 * (g - p[1]) ** 2 + 3 * (b - p[2]) ** 2
                if d < bd:
                    bd, best = d, i
            memo[c] = best
            hit = best
        out.append(hit)
    return out


# ---------------------------------------------------------------- writers


def write_bmp8(path, w, h, indices, palette):
    """8 bits per pixel, 256-entry colour table, bottom-up rows (BMP3)."""
    row = (w + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytes(indices[y * w:(y + 1) * w])
        data += line + b'\0' * (row - w)
    pal = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        pal += bytes((b, g, r, 0))
    offset = 14 + 40 + len(pal)
    header = b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pal + data)


def read_bmp8(path):
    """Read back what write_bmp8 wrote: (w, h, indices, palette)."""
    with open(path, 'rb') as f:
        raw = f.read()
    if raw[:2] != b'BM':
        raise ValueError(path + ': not a BMP')
    offset = struct.unpack_from('<I', raw, 10)[0]
    size, w, h, planes, bpp, comp = struct.unpack_from('<IiiHHI', raw, 14)
    if size != 40 or bpp != 8 or comp != 0 or h <= 0:
        raise ValueError(path + ': not an uncompressed bottom-up 8-bit BMP3')
    ncol = struct.unpack_from('<I', raw, 46)[0] or 256
    palette = []
    for i in range(ncol):
        b, g, r, _ = raw[54 + 4 * i:58 + 4 * i]
        palette.append((r, g, b))
    row = (w + 3) & ~3
    indices = [0] * (w * h)
    for y in range(h):
        src = offset + (h - 1 - y) * row
        indices[y * w:(y + 1) * w] = raw[src:src + w]
    return w, h, indices, palette


def write_ico(path, images):
    """images: list of (size, rgba pixel list). 32-bit images with an AND mask."""
    entries = []
    blobs = []
    for size, rgba in images:
        xor = bytearray()
        for y in range(size - 1, -1, -1):
            for x in range(size):
                r, g, b, a = rgba[y * size + x]
                xor += bytes((b, g, r, a))
        mrow = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            bits = bytearray(mrow)
            for x in range(size):
                if rgba[y * size + x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append(info + xor + mask)
        entries.append(size)
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in zip(entries, blobs):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def _png_chunk(tag, data):
    c = tag + data
    return struct.pack('>I', len(data)) + c + struct.pack('>I', zlib.crc32(c) & 0xffffffff)


def write_png8(path, w, h, indices, palette):
    """Indexed PNG (8 bits, PLTE): the shipped pictures of the larger display scales."""
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        raw += bytes(indices[y * w:(y + 1) * w])
    plte = b''.join(bytes(palette[i][:3]) for i in range(len(palette)))
    png = b'\x89PNG\r\n\x1a\n' + _png_chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 3, 0, 0, 0))
    png += _png_chunk(b'PLTE', plte) + _png_chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + _png_chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(png)


def read_png8(path):
    """(w, h, indices, palette) of a PNG that write_png8 wrote (filter 0 on every row)."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG')
    pos, chunks = 8, {}
    while pos < len(data):
        n, = struct.unpack('>I', data[pos:pos + 4])
        tag = data[pos + 4:pos + 8]
        chunks[tag] = chunks.get(tag, b'') + data[pos + 8:pos + 8 + n]
        pos += 12 + n
    w, h, depth, kind = struct.unpack('>IIBB', chunks[b'IHDR'][:10])
    if (depth, kind) != (8, 3):
        raise ValueError('not an 8-bit indexed PNG')
    raw = zlib.decompress(chunks[b'IDAT'])
    plte = chunks[b'PLTE']
    palette = [tuple(plte[i:i + 3]) for i in range(0, len(plte), 3)]
    indices = []
    for y in range(h):
        row = raw[y * (w + 1):(y + 1) * (w + 1)]
        if row[0] != 0:
            raise ValueError('row %d has filter %d' % (y, row[0]))
        indices.extend(row[1:])
    return w, h, indices, palette


def write_png(path, w, h, rgb):
    """Plain RGB PNG, for looking at renders (not shipped)."""
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            raw += bytes(rgb[y * w + x][:3])

    def chunk(tag, data):
        c = tag + data
        return struct.pack('>I', len(data)) + c + struct.pack('>I', zlib.crc32(c) & 0xffffffff)
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(png)

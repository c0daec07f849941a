"""A small anti-aliased vector rasteriser for Kinetra's artwork.

Shapes are signed distance functions in design coordinates (negative inside).
A Canvas fills a shape by turning the distance at each pixel centre into a
coverage value, which gives clean anti-aliased edges without supersampling.
A transform (scale, offset x, offset y) maps design coordinates to pixels, so
the same drawing code renders the full-size pad picture and the small pads on
the banners and icons.

Only the Python standard library is used.
"""

import math

# ---------------------------------------------------------------- shapes


class Shape:
    bbox = (0.0, 0.0, 0.0, 0.0)

    def sdf(self, x, y):
        raise NotImplementedError


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def sdf(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r


class RoundRect(Shape):
    """Axis-aligned rectangle from (x0, y0) to (x1, y1) with corner radius r."""

    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.cx, self.cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        self.hx, self.hy = (x1 - x0) / 2.0, (y1 - y0) / 2.0
        self.r = min(r, self.hx, self.hy)
        self.bbox = (x0, y0, x1, y1)

    def sdf(self, x, y):
        r = self.r
        qx = abs(x - self.cx) - self.hx + r
        qy = abs(y - self.cy) - self.hy + r
        if qx > 0.0 or qy > 0.0:
            return math.hypot(max(qx, 0.0), max(qy, 0.0)) - r
        return max(qx, qy) - r


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def sdf(self, x, y):
        px, py = (x - self.cx), (y - self.cy)
        k0 = math.hypot(px / self.rx, py / self.ry)
        k1 = math.hypot(px / (self.rx * self.rx), py / (self.ry * self.ry))
        if k1 == 0.0:
            return -min(self.rx, self.ry)
        return k0 * (k0 - 1.0) / k1


def _seg_dist(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    if l2 == 0.0:
        return math.hypot(x - ax, y - ay)
    t = ((x - ax) * dx + (y - ay) * dy) / l2
    if t < 0.0:
        t = 0.0
    elif t > 1.0:
        t = 1.0
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


class Capsule(Shape):
    def __init__(self, ax, ay, bx, by, r):
        self.a = (ax, ay)
        self.b = (bx, by)
        self.r = r
        self.bbox = (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)

    def sdf(self, x, y):
        return _seg_dist(x, y, self.a[0], self.a[1], self.b[0], self.b[1]) - self.r


class Stroke(Shape):
    """A polyline of the given width with round joins and caps."""

    def __init__(self, points, width):
        self.pts = [(float(a), float(b)) for a, b in points]
        self.hw = width / 2.0
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.bbox = (min(xs) - self.hw, min(ys) - self.hw, max(xs) + self.hw, max(ys) + self.hw)
        self.segs = list(zip(self.pts[:-1], self.pts[1:])) or [(self.pts[0], self.pts[0])]

    def sdf(self, x, y):
        best = 1e9
        for (ax, ay), (bx, by) in self.segs:
            d = _seg_dist(x, y, ax, ay, bx, by)
            if d < best:
                best = d
        return best - self.hw


class Polygon(Shape):
    def __init__(self, points):
        self.pts = [(float(a), float(b)) for a, b in points]
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def sdf(self, x, y):
        pts = self.pts
        n = len(pts)
        d = 1e18
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            dd = _seg_dist(x, y, xi, yi, xj, yj)
            if dd < d:
                d = dd
            if (yi > y) != (yj > y):
                xc = xi + (y - yi) * (xj - xi) / (yj - yi)
                if x < xc:
                    inside = not inside
            j = i
        return -d if inside else d


def _bbox_union(shapes):
    return (min(s.bbox[0] for s in shapes), min(s.bbox[1] for s in shapes),
            max(s.bbox[2] for s in shapes), max(s.bbox[3] for s in shapes))


class Union(Shape):
    """Union of shapes; k > 0 blends them with a smooth fillet of about k units."""

    def __init__(self, shapes, k=0.0):
        self.shapes = list(shapes)
        self.k = k
        self.bbox = _bbox_union(self.shapes)
        if k:
            x0, y0, x1, y1 = self.bbox
            self.bbox = (x0 - k, y0 - k, x1 + k, y1 + k)

    def sdf(self, x, y):
        k = self.k
        it = iter(self.shapes)
        d = next(it).sdf(x, y)
        for s in it:
            e = s.sdf(x, y)
            if k:
                h = max(k - abs(d - e), 0.0) / k
                d = min(d, e) - h * h * k * 0.25
            elif e < d:
                d = e
        return d


class Intersect(Shape):
    def __init__(self, shapes):
        self.shapes = list(shapes)
        b = [s.bbox for s in self.shapes]
        self.bbox = (max(q[0] for q in b), max(q[1] for q in b), min(q[2] for q in b), min(q[3] for q in b))

    def sdf(self, x, y):
        return max(s.sdf(x, y) for s in self.shapes)


class Subtract(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))


class Offset(Shape):
    """Grow (d > 0) or shrink (d < 0) a shape."""

    def __init__(self, shape, d):
        self.s, self.d = shape, d
        x0, y0, x1, y1 = shape.bbox
        g = max(d, 0.0)
        self.bbox = (x0 - g, y0 - g, x1 + g, y1 + g)

    def sdf(self, x, y):
        return self.s.sdf(x, y) - self.d


class Ring(Shape):
    """A band of the given width centred on a shape's outline."""

    def __init__(self, shape, width):
        self.s, self.hw = shape, width / 2.0
        x0, y0, x1, y1 = shape.bbox
        self.bbox = (x0 - self.hw, y0 - self.hw, x1 + self.hw, y1 + self.hw)

    def sdf(self, x, y):
        return abs(self.s.sdf(x, y)) - self.hw


class Moved(Shape):
    """A shape translated by (dx, dy)."""

    def __init__(self, shape, dx, dy):
        self.s, self.dx, self.dy = shape, dx, dy
        x0, y0, x1, y1 = shape.bbox
        self.bbox = (x0 + dx, y0 + dy, x1 + dx, y1 + dy)

    def sdf(self, x, y):
        return self.s.sdf(x - self.dx, y - self.dy)


def arc_points(cx, cy, r, a0, a1, steps=None, ry=None):
    """Points on an arc; angles in degrees, counter-clockwise as seen on screen."""
    ry = r if ry is None else ry
    if steps is None:
        steps = max(4, int(abs(a1 - a0) / 6))
    out = []
    for i in range(steps + 1):
        t = math.radians(a0 + (a1 - a0) * i / steps)
        out.append((cx + r * math.cos(t), cy - ry * math.sin(t)))
    return out


def arrow_head(tip, direction_deg, length, half_width):
    """Triangle with its tip at `tip`, pointing along direction (screen ccw degrees)."""
    t = math.radians(direction_deg)
    ux, uy = math.cos(t), -math.sin(t)
    bx, by = tip[0] - ux * length, tip[1] - uy * length
    nx, ny = -uy, ux
    return Polygon([tip, (bx + nx * half_width, by + ny * half_width), (bx - nx * half_width, by - ny * half_width)])


# ---------------------------------------------------------------- paints


def linear(c0, c1, p0, p1):
    """Paint that blends c0 at p0 to c1 at p1 (clamped)."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    l2 = dx * dx + dy * dy or 1.0

    def paint(x, y):
        t = ((x - p0[0]) * dx + (y - p0[1]) * dy) / l2
        t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
        return mix(c0, c1, t)
    return paint


def radial(c0, c1, centre, radius):
    def paint(x, y):
        t = math.hypot(x - centre[0], y - centre[1]) / radius
        t = 1.0 if t > 1.0 else t
        return mix(c0, c1, t)
    return paint


def mix(a, b, t):
    out = tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))
    return out


def shade(c, f):
    """Lighten (f > 0) towards white or darken (f < 0) towards black."""
    if f >= 0:
        return tuple(v + (255 - v) * f for v in c[:3])
    return tuple(v * (1 + f) for v in c[:3])


# ---------------------------------------------------------------- canvas

IDENTITY = (1.0, 0.0, 0.0)


def scaled(v, scale):
    """A design pixel edge at a display scale, rounded as the program's MulDiv rounds it."""
    return int(math.floor(v * scale + 0.5))


class Canvas:
    """w x h design pixels; scale renders them at a display scale (1.5 for 150 %), so the
    same drawing gives the picture of each scale, its parts at the scaled edges."""

    def __init__(self, w, h, bg=(0, 0, 0), alpha=False, scale=1.0):
        self.scale = scale
        w, h = scaled(w, scale), scaled(h, scale)
        self.w, self.h = w, h
        # With alpha=True the canvas starts transparent; the colour planes then
        # hold premultiplied colour (the background is black) and rgba() undoes it.
        self.a = [0.0] * (w * h) if alpha else None
        self.r = [float(bg[0])] * (w * h)
        self.g = [float(bg[1])] * (w * h)
        self.b = [float(bg[2])] * (w * h)
        self.clip = None  # (x0, y0, x1, y1) in design pixels, exclusive end

    def _clip_px(self):
        if not self.clip:
            return None
        return tuple(scaled(v, self.scale) for v in self.clip)

    def _T(self, T):
        s, ox, oy = T
        k = self.scale
        return s * k, ox * k, oy * k

    def fill(self, shape, paint, T=IDENTITY, alpha=1.0, feather=1.0, hard=False):
        """Paint a shape. feather widens the edge (soft shadows, glows).
        hard=True covers exactly the pixels whose centre lies inside."""
        s, ox, oy = self._T(T)
        if feather > 1.0:
            feather *= self.scale  # a glow or shadow keeps its look; a plain edge stays one pixel
        x0, y0, x1, y1 = shape.bbox
        grow = feather + 1.0
        px0 = max(0, int(math.floor(x0 * s + ox - grow)))
        py0 = max(0, int(math.floor(y0 * s + oy - grow)))
        px1 = min(self.w, int(math.ceil(x1 * s + ox + grow)) + 1)
        py1 = min(self.h, int(math.ceil(y1 * s + oy + grow)) + 1)
        if self.clip:
            cx0, cy0, cx1, cy1 = self._clip_px()
            px0, py0 = max(px0, cx0), max(py0, cy0)
            px1, py1 = min(px1, cx1), min(py1, cy1)
        solid = not callable(paint)
        R, G, B, A = self.r, self.g, self.b, self.a
        w = self.w
        sdf = shape.sdf
        inv = 1.0 / s
        for py in range(py0, py1):
            v = (py + 0.5 - oy) * inv
            row = py * w
            for px in range(px0, px1):
                u = (px + 0.5 - ox) * inv
                d = sdf(u, v) * s
                if hard:
                    if d > 0.0:
                        continue
                    cov = 1.0
                else:
                    cov = 0.5 - d / feather
                    if cov <= 0.0:
                        continue
                    if cov > 1.0:
                        cov = 1.0
                col = paint if solid else paint(u, v)
                a = cov * alpha
                if len(col) > 3:
                    a *= col[3]
                if a <= 0.0:
                    continue
                i = row + px
                R[i] += (col[0] - R[i]) * a
                G[i] += (col[1] - G[i]) * a
                B[i] += (col[2] - B[i]) * a
                if A is not None:
                    A[i] += (1.0 - A[i]) * a

    def coverage(self, shape, T=IDENTITY):
        """List of booleans: pixel centre inside the shape."""
        s, ox, oy = self._T(T)
        out = [False] * (self.w * self.h)
        x0, y0, x1, y1 = shape.bbox
        px0 = max(0, int(math.floor(x0 * s + ox - 2)))
        py0 = max(0, int(math.floor(y0 * s + oy - 2)))
        px1 = min(self.w, int(math.ceil(x1 * s + ox + 2)) + 1)
        py1 = min(self.h, int(math.ceil(y1 * s + oy + 2)) + 1)
        for py in range(py0, py1):
            v = (py + 0.5 - oy) / s
            for px in range(px0, px1):
                if shape.sdf((px + 0.5 - ox) / s, v) <= 0.0:
                    out[py * self.w + px] = True
        return out

    def set_pixel(self, x, y, col, a=1.0):
        """Paints design pixel (x, y): at a scale, the block of pixels it covers, so pixel
        text stays sharp."""
        if self.scale == 1.0:
            self._set_pixel(x, y, col, a)
            return
        for py in range(scaled(y, self.scale), scaled(y + 1, self.scale)):
            for px in range(scaled(x, self.scale), scaled(x + 1, self.scale)):
                self._set_pixel(px, py, col, a)

    def _set_pixel(self, x, y, col, a):
        if 0 <= x < self.w and 0 <= y < self.h:
            if self.clip:
                cx0, cy0, cx1, cy1 = self._clip_px()
                if not (cx0 <= x < cx1 and cy0 <= y < cy1):
                    return
            i = y * self.w + x
            self.r[i] += (col[0] - self.r[i]) * a
            self.g[i] += (col[1] - self.g[i]) * a
            self.b[i] += (col[2] - self.b[i]) * a
            if self.a is not None:
                self.a[i] += (1.0 - self.a[i]) * a

    def pixels(self):
        """Rounded 8-bit RGB tuples, row-major, top row first."""
        out = []
        for i in range(self.w * self.h):
            out.append((_c8(self.r[i]), _c8(self.g[i]), _c8(self.b[i])))
        return out


    def rgba(self):
        """8-bit RGBA tuples (straight alpha) of an alpha canvas."""
        out = []
        for i in range(self.w * self.h):
            a = self.a[i]
            if a <= 1.0 / 512:
                out.append((0, 0, 0, 0))
                continue
            out.append((_c8(self.r[i] / a), _c8(self.g[i] / a), _c8(self.b[i] / a), _c8(a * 255)))
        return out


def _c8(v):
    v = int(round(v))
    return 0 if v < 0 else 255 if v > 255 else v

#!/usr/bin/env python3
"""Draws Keystead's pictures from scratch.

Everything here is generated: the script writes SVG text, rasterises it with
rsvg-convert and encodes the results with ImageMagick.  Nothing is traced or
copied from elsewhere.

    python3 resources/pictures/make_pictures.py            # rewrite the pictures
    python3 resources/pictures/make_pictures.py --preview /tmp/keystead-pictures

Outputs, next to this script:
    background.jpg      734 x 564 baseline RGB JPEG, the main window's backdrop
    quarter_note.png     27 x 80  RGBA
    eighth_note.png      51 x 89  RGBA
    sixteenth_note.png   53 x 93  RGBA

Needs python3 (standard library only), rsvg-convert (librsvg2-bin) and
ImageMagick's convert/identify.  The output is deterministic: every random
choice uses a fixed seed, and encoders are told to leave out time stamps.
"""

import argparse
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

PAPER = '#F4EFE4'
INK = '#000000'
# The lines are drawn in full black ink.  The window shows the backdrop at this
# opacity over white once its controls are up, which is where text is read.
SHOWN_OPACITY = 0.35
# As shown, every 40 x 24 tile of the backdrop must stay at least this bright
# (0..255), so black text laid over any part of it stays easy to read ...
MIN_TILE_LUMA = 200.0
# ... and its darkest lines at most this bright, so the drawing is still seen.
MAX_LINE_LUMA = 180.0


# ---------------------------------------------------------------------------
# small geometry and SVG helpers

def sub(a, b): return (a[0] - b[0], a[1] - b[1], a[2] - b[2])
def dot(a, b): return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]
def cross(a, b): return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def norm(a):
    n = math.sqrt(dot(a, a))
    return (a[0] / n, a[1] / n, a[2] / n)


def fmt(p):
    return f'{p[0]:.1f},{p[1]:.1f}'


def poly_d(pts, closed=True):
    return 'M ' + ' L '.join(fmt(p) for p in pts) + (' Z' if closed else '')


def cr_segments(pts, closed=False, tension=1.0):
    """Catmull-Rom spline through pts as a list of cubic Bezier segments."""
    n = len(pts)
    segs = []
    for i in range(n if closed else n - 1):
        p0 = pts[(i - 1) % n] if (closed or i > 0) else pts[0]
        p1, p2 = pts[i], pts[(i + 1) % n]
        p3 = pts[(i + 2) % n] if (closed or i + 2 < n) else pts[-1]
        c1 = (p1[0] + (p2[0] - p0[0]) * tension / 6, p1[1] + (p2[1] - p0[1]) * tension / 6)
        c2 = (p2[0] - (p3[0] - p1[0]) * tension / 6, p2[1] - (p3[1] - p1[1]) * tension / 6)
        segs.append((p1, c1, c2, p2))
    return segs


def segs_d(segs):
    d = 'M ' + fmt(segs[0][0])
    for _, c1, c2, p2 in segs:
        d += f' C {fmt(c1)} {fmt(c2)} {fmt(p2)}'
    return d


def smooth_d(pts, closed=False, tension=1.0):
    if len(pts) < 3:
        return poly_d(pts, closed)
    return segs_d(cr_segments(pts, closed, tension)) + (' Z' if closed else '')


def ellipse_d(c, rx, ry):
    return (f'M {c[0] - rx:.2f},{c[1]:.2f} a {rx:.2f},{ry:.2f} 0 1 0 {2 * rx:.2f},0 '
            f'a {rx:.2f},{ry:.2f} 0 1 0 {-2 * rx:.2f},0 Z')


class Pen:
    """Collects SVG path elements in drawing order (later ones cover earlier)."""

    def __init__(self):
        self.out = []

    def path(self, d, w=1.0, fill='none'):
        if w <= 0:
            self.out.append(f'<path d="{d}" fill="{fill}" stroke="none"/>')
        else:
            self.out.append(f'<path d="{d}" fill="{fill}" stroke="{INK}" stroke-width="{w:.2f}"/>')

    def stroke(self, pts, w=0.8):
        self.path(smooth_d(pts), w)

    def shape(self, pts, w=1.1, open_edges=()):
        """A closed smooth outline filled with paper.  Edges listed in
        open_edges (by the index of the point they start at) are left
        unstroked, so a limb can merge into the body it grows from."""
        segs = cr_segments(pts, closed=True)
        self.path(segs_d(segs) + ' Z', 0, fill=PAPER)
        n = len(segs)
        start = (max(open_edges) + 1) % n if open_edges else 0
        run = []
        for k in range(n):
            i = (start + k) % n
            if i in open_edges:
                if run:
                    self.path(segs_d(run), w)
                run = []
            else:
                run.append(segs[i])
        if run:
            self.path(segs_d(run) + ('' if open_edges else ' Z'), w)


# ---------------------------------------------------------------------------
# the backdrop: a pianist at an upright piano in a furnished room
#
# Room coordinates in metres: x runs along the wall the piano stands against
# (bass end to treble end), y is up, z comes out of that wall into the room.
# The second wall, with the window, is the plane x = 0.

BG_W, BG_H = 734, 564


class Camera:
    """Pinhole camera held level, so verticals stay vertical; the horizon is
    placed with cy instead of by tilting."""

    def __init__(self, eye, target, focal, cx, cy):
        self.eye = eye
        t = sub(target, eye)
        self.f = norm((t[0], 0.0, t[2]))
        self.r = norm(cross(self.f, (0, 1, 0)))
        self.u = cross(self.r, self.f)
        self.focal, self.cx, self.cy = focal, cx, cy

    def depth(self, p):
        return dot(sub(p, self.eye), self.f)

    def __call__(self, p):
        d = sub(p, self.eye)
        z = dot(d, self.f)
        return (self.cx + self.focal * dot(d, self.r) / z, self.cy - self.focal * dot(d, self.u) / z)


CAM = Camera(eye=(4.3, 1.45, 3.8), target=(1.15, 1.45, 0.75), focal=800, cx=BG_W / 2, cy=150)
NEAR = 0.4


def proj(pts):
    return [CAM(p) for p in pts]


def line3(pen, a, b, w=1.0):
    da, db = CAM.depth(a), CAM.depth(b)
    if da < NEAR and db < NEAR:
        return
    if da < NEAR or db < NEAR:          # clip against the near plane
        t = (NEAR - da) / (db - da)
        m = tuple(a[i] + (b[i] - a[i]) * t for i in range(3))
        a, b = (m, b) if da < NEAR else (a, m)
    pen.path(poly_d([CAM(a), CAM(b)], False), w)


def poly3(pen, pts, w=1.0, fill='none'):
    pen.path(poly_d(proj(pts)), w, fill)


def box(pen, x0, x1, y0, y1, z0, z1, w=1.0, faces=('side', 'front', 'top')):
    # from this camera only the +x, +z and +y faces of a box can be seen
    for f in faces:
        if f == 'side':
            poly3(pen, [(x1, y0, z0), (x1, y0, z1), (x1, y1, z1), (x1, y1, z0)], w, PAPER)
        elif f == 'front':
            poly3(pen, [(x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)], w, PAPER)
        elif f == 'top':
            poly3(pen, [(x0, y1, z0), (x1, y1, z0), (x1, y1, z1), (x0, y1, z1)], w, PAPER)


def ring(c, r, n=48):
    """Horizontal circle around the point c (closed: last point repeats the first)."""
    return [(c[0] + r * math.cos(2 * math.pi * i / n), c[1], c[2] + r * math.sin(2 * math.pi * i / n))
            for i in range(n + 1)]


def hull(pts):
    pts = sorted(set((round(p[0], 2), round(p[1], 2)) for p in pts))

    def half(seq):
        h = []
        for p in seq:
            while len(h) >= 2 and ((h[-1][0] - h[-2][0]) * (p[1] - h[-2][1])
                                   - (h[-1][1] - h[-2][1]) * (p[0] - h[-2][0])) <= 0:
                h.pop()
            h.append(p)
        return h

    return half(pts)[:-1] + half(pts[::-1])[:-1]


def cylinder(pen, c, r, y0, y1, w=1.0, top_line=True, r1=None):
    """Upright cylinder (or cone frustum when r1 is given) standing on the floor point c."""
    r1 = r if r1 is None else r1
    bot = proj(ring((c[0], y0, c[2]), r))
    top = proj(ring((c[0], y1, c[2]), r1))
    pen.path(poly_d(hull(bot + top)), w, PAPER)
    if top_line:
        pen.path(smooth_d(top[:-1], closed=True), w * 0.8)


def tube(center, w0, w1):
    """Outline around a 2D centre line whose width tapers from w0 to w1."""
    n = len(center)
    left, right = [], []
    for i, p in enumerate(center):
        a, b = center[max(i - 1, 0)], center[min(i + 1, n - 1)]
        dx, dy = b[0] - a[0], b[1] - a[1]
        ln = math.hypot(dx, dy) or 1
        nx, ny = -dy / ln, dx / ln
        w = (w0 + (w1 - w0) * i / (n - 1)) / 2
        left.append((p[0] + nx * w, p[1] + ny * w))
        right.append((p[0] - nx * w, p[1] - ny * w))
    return left + right[::-1]


# -- the room ---------------------------------------------------------------

def walls(pen):
    M, T, F = 1.2, 0.8, 0.5
    line3(pen, (0, 0, 0), (0, 3.0, 0), T)
    # floor line, skirting board, picture rail
    for y, w in ((0.0, M), (0.10, T), (0.115, F), (2.42, F), (2.45, T)):
        line3(pen, (0, y, 0), (6, y, 0), w)
        line3(pen, (0, y, 0), (0, y, 6), w)


def floor(pen):
    rnd = random.Random(7)
    F = 0.45
    zs = [0.14 * k for k in range(1, 40)]
    for z in zs:
        line3(pen, (0, 0, z), (6, 0, z), F)
    # staggered joints where one board ends and the next begins
    for z0, z1 in zip([0.0] + zs, zs):
        x = rnd.uniform(0.1, 1.2)
        while x < 6:
            line3(pen, (x, 0, z0), (x, 0, z1), F)
            x += rnd.uniform(0.9, 1.7)


def rug(pen):
    T, F = 0.9, 0.5
    xa, xb, za, zb = 0.62, 2.02, 0.78, 2.1
    y = 0.003

    def rect(o, w, fill='none'):
        poly3(pen, [(xa + o, y, za + o), (xb - o, y, za + o), (xb - o, y, zb - o), (xa + o, y, zb - o)], w, fill)

    rect(0, T, PAPER)
    rect(0.07, F)
    rect(0.11, F)
    # zigzag running round between the border lines
    for p, q, n, along_x in ((xa + 0.09, xb - 0.09, 14, True), (za + 0.09, zb - 0.09, 13, False)):
        for edge in ((za + 0.09, zb - 0.09) if along_x else (xa + 0.09, xb - 0.09)):
            pts = []
            for i in range(2 * n + 1):
                t = p + (q - p) * i / (2 * n)
                off = 0.02 if i % 2 else -0.02
                pts.append((t, y, edge + off) if along_x else (edge + off, y, t))
            pen.path(poly_d(proj(pts), False), 0.35)
    # fringe on the two short ends
    for x, s in ((xa, -1), (xb, 1)):
        for i in range(40):
            z = za + 0.015 + (zb - za - 0.03) * i / 39
            line3(pen, (x, y, z), (x + s * 0.05, y, z + 0.004), 0.35)


def window(pen):
    M, T, F = 1.1, 0.8, 0.45
    za, zb, ya, yb = 0.62, 1.42, 0.95, 2.08
    R = -0.11                       # the glass sits this far back in the wall
    # outside: a line of hills and a round-headed tree
    hills = [(R, 1.20, zb), (R, 1.27, 1.25), (R, 1.22, 1.08), (R, 1.32, 0.88), (R, 1.25, za)]
    pen.path(smooth_d(proj(hills)), F)

    def crown(a, r):
        return CAM((R, 1.58 + r * 1.05 * math.sin(a), 1.10 + r * math.cos(a)))

    n = 10
    d = 'M ' + fmt(crown(0, 0.15))
    for i in range(n):
        a0, a1 = 2 * math.pi * i / n, 2 * math.pi * (i + 1) / n
        d += f' Q {fmt(crown((a0 + a1) / 2, 0.215))} {fmt(crown(a1, 0.15))}'
    pen.path(d + ' Z', F)
    for dz in (-0.012, 0.012):
        line3(pen, (R, 1.245, 1.10 + dz), (R, 1.43, 1.10 + dz * 0.7), F)
    line3(pen, (R, 1.47, 1.10), (R, 1.53, 1.05), F)
    line3(pen, (R, 1.47, 1.10), (R, 1.55, 1.16), F)
    # opening, reveal, sashes and glazing bars
    poly3(pen, [(0, ya, za), (0, yb, za), (0, yb, zb), (0, ya, zb)], M)
    for y, z in ((ya, za), (yb, za), (yb, zb)):
        line3(pen, (0, y, z), (R, y, z), T)
    poly3(pen, [(R, ya, za), (R, yb, za), (R, yb, zb), (R, ya, zb)], T)
    s = 0.045
    poly3(pen, [(R, ya + s, za + s), (R, yb - s, za + s), (R, yb - s, zb - s), (R, ya + s, zb - s)], F)
    ym, zm = (ya + yb) / 2, (za + zb) / 2
    for y in (ym - 0.02, ym + 0.02):
        line3(pen, (R, y, za + s), (R, y, zb - s), T)
    for z in (zm - 0.01, zm + 0.01):
        line3(pen, (R, ya + s, z), (R, ym - 0.02, z), F)
        line3(pen, (R, ym + 0.02, z), (R, yb - s, z), F)
    for y in ((ya + ym) / 2, (ym + yb) / 2):
        line3(pen, (R, y, za + s), (R, y, zb - s), F)
    # architrave and sill
    o = 0.075
    poly3(pen, [(0.005, ya, za - o), (0.005, yb + o, za - o), (0.005, yb + o, zb + o), (0.005, ya, zb + o)], T)
    box(pen, 0, 0.07, ya - 0.035, ya, za - o - 0.03, zb + o + 0.03, T)
    # curtain rod with finials, and a curtain tied back on each side
    rod_y, rx = 2.26, 0.10
    for dy in (0.012, -0.012):
        line3(pen, (rx, rod_y + dy, 0.30), (rx, rod_y + dy, 1.75), T)
    for z in (0.28, 1.77):
        pen.path(ellipse_d(CAM((rx, rod_y, z)), 3.2, 3.2), T, PAPER)
    for zo, zi, zt in ((0.34, 0.78, 0.46), (1.72, 1.26, 1.60)):
        curtain(pen, zo, zi, zt, rod_y, rx - 0.01)


def curtain(pen, z_out, z_in, z_tie, y_top, x):
    """Floor-length curtain gathered by a tie at sill height.  z_out is its
    outer edge, z_in its inner edge at the rod, z_tie its inner edge at the tie."""
    M, T, F = 1.0, 0.7, 0.45
    y_tie = 1.02

    def pt(z, y):
        return CAM((x, y, z))

    z_end = z_tie + (z_in - z_tie) * 0.55          # inner edge at the hem
    inner = [pt(z_in + (z_tie - z_in) * math.sin(t * math.pi / 2) ** 1.3, y_top - (y_top - y_tie) * t)
             for t in (i / 10 for i in range(11))]
    below = [pt(z_tie + (z_end - z_tie) * t ** 1.6, y_tie - (y_tie - 0.02) * t)
             for t in (i / 8 for i in range(1, 9))]
    hem = [pt(z_end + (z_out - z_end) * i / 10, 0.02 + (0.025 if i % 2 else 0.0)) for i in range(1, 11)]
    outer = [pt(z_out, y_top - (y_top - 0.02) * (1 - i / 10)) for i in range(1, 11)]
    pen.path(smooth_d(inner + below + hem + outer, tension=0.8) + ' Z', M, PAPER)
    # folds run from the rod, pinch together at the tie and spread to the hem
    for k in range(1, 5):
        f = k / 5
        zt = z_out + (z_in - z_out) * f
        ztie = z_out + (z_tie - z_out) * f
        zb = z_out + (z_end - z_out) * f
        fold = [pt(zt + (ztie - zt) * math.sin(t * math.pi / 2) ** 1.3, y_top - 0.04 - (y_top - 0.04 - y_tie) * t)
                for t in (i / 8 for i in range(9))]
        fold += [pt(ztie + (zb - ztie) * t ** 1.6, y_tie - (y_tie - 0.05) * t) for t in (i / 8 for i in range(1, 8))]
        pen.path(smooth_d(fold), F)
    a, b = pt(z_out, y_tie + 0.03), pt(z_tie, y_tie + 0.03)
    c, d = pt(z_tie, y_tie - 0.03), pt(z_out, y_tie - 0.03)
    pen.path(f'M {fmt(a)} Q {fmt(((a[0] + b[0]) / 2, (a[1] + b[1]) / 2 + 3))} {fmt(b)} L {fmt(c)} '
             f'Q {fmt(((c[0] + d[0]) / 2, (c[1] + d[1]) / 2 + 3))} {fmt(d)} Z', T, PAPER)
    for i in range(6):                              # rings on the rod
        pen.path(ellipse_d(pt(z_out + (z_in - z_out) * i / 5, y_top), 2, 2.6), 0.5)


def picture(pen):
    """A framed landscape hanging above the piano."""
    M, T, F = 1.1, 0.8, 0.45
    xa, xb, ya, yb = 0.98, 1.62, 1.60, 2.04
    z = 0.03
    nail = (1.30, 2.16, 0.005)
    line3(pen, (xa + 0.06, yb - 0.02, 0.01), nail, F)
    line3(pen, nail, (xb - 0.06, yb - 0.02, 0.01), F)
    box(pen, xa, xb, ya, yb, 0.0, z, M, faces=('side', 'front'))
    for o, w in ((0.04, T), (0.075, F)):
        poly3(pen, [(xa + o, ya + o, z), (xb - o, ya + o, z), (xb - o, yb - o, z), (xa + o, yb - o, z)], w)
    ia, ib, ja, jb = xa + 0.075, xb - 0.075, ya + 0.075, yb - 0.075

    def pp(u, v):
        return CAM((ia + (ib - ia) * u, ja + (jb - ja) * v, z))

    pen.path(smooth_d([pp(0, 0.35), pp(0.25, 0.55), pp(0.5, 0.45), pp(0.75, 0.62), pp(1, 0.5)]), F)
    pen.path(smooth_d([pp(0, 0.18), pp(0.3, 0.3), pp(0.65, 0.22), pp(1, 0.32)]), F)
    pen.path(ellipse_d(pp(0.72, 0.8), 4, 4), F)
    for u, v in ((0.25, 0.8), (0.35, 0.72)):          # two birds
        b = pp(u, v)
        pen.path(f'M {b[0] - 3:.1f},{b[1] - 1:.1f} q 1.5,-1.5 3,0.6 q 1.5,-2.1 3,-0.6', F)


def lamp(pen):
    """Standard lamp with a pleated shade, beside the piano."""
    M, T, F = 1.1, 0.8, 0.45
    c = (2.42, 0, 0.24)
    cylinder(pen, c, 0.15, 0.0, 0.03, T)
    cylinder(pen, c, 0.05, 0.03, 0.06, T)
    cylinder(pen, c, 0.012, 0.06, 1.50, T, top_line=False)
    cylinder(pen, c, 0.02, 0.70, 0.74, F)
    yb, yt, rb, rt = 1.50, 1.74, 0.21, 0.125
    cylinder(pen, c, rb, yb, yt, M, top_line=False, r1=rt)
    pen.path(smooth_d(proj(ring((c[0], yb, c[2]), rb, 64))[:-1], closed=True), T)
    for k in range(24):
        a = 2 * math.pi * k / 24
        p = (c[0] + rb * math.cos(a), yb, c[2] + rb * math.sin(a))
        q = (c[0] + rt * math.cos(a), yt, c[2] + rt * math.sin(a))
        if dot((math.cos(a), 0, math.sin(a)), sub(CAM.eye, p)) > 0.05:   # pleats on the near side only
            line3(pen, p, q, 0.35)
    cylinder(pen, c, 0.01, yt, yt + 0.05, F)
    line3(pen, (c[0] + 0.05, 1.52, c[2] + 0.05), (c[0] + 0.05, 1.36, c[2] + 0.05), F)   # pull cord
    pen.path(ellipse_d(CAM((c[0] + 0.05, 1.355, c[2] + 0.05)), 1.5, 1.5), F)


def clock(pen):
    """Round wall clock beside the window, at ten past ten."""
    T, F = 0.9, 0.45
    zc, yc, r = 2.0, 1.86, 0.12

    def on_wall(x, a, rr):
        return (x, yc + rr * math.cos(a), zc + rr * math.sin(a))

    back = [CAM(on_wall(0.0, 2 * math.pi * i / 48, r)) for i in range(48)]
    face = [CAM(on_wall(0.04, 2 * math.pi * i / 48, r)) for i in range(48)]
    pen.path(poly_d(hull(back + face)), T, PAPER)
    pen.path(smooth_d(face, closed=True), T)
    pen.path(smooth_d([CAM(on_wall(0.04, 2 * math.pi * i / 48, r * 0.86)) for i in range(48)], closed=True), F)
    for h in range(12):
        a = 2 * math.pi * h / 12
        line3(pen, on_wall(0.04, a, r * 0.78), on_wall(0.04, a, r * (0.64 if h % 3 == 0 else 0.7)), F)
    # for someone facing this wall, clockwise from twelve runs toward -z
    for a, rr, w in ((-2 * math.pi * 10.17 / 12, 0.42, 0.9), (-2 * math.pi * 2 / 12, 0.62, 0.6)):
        line3(pen, on_wall(0.04, 0, 0), on_wall(0.04, a, r * rr), w)
    pen.path(ellipse_d(CAM(on_wall(0.04, 0, 0)), 1.2, 1.2), F, INK)


def leaf(pen, at, ang, length, width, w=0.7):
    ux, uy = math.cos(ang), math.sin(ang)
    nx, ny = -uy, ux

    def q(a, b):
        return (at[0] + ux * a + nx * b, at[1] + uy * a + ny * b)

    L, Wd = length, width
    pen.path(f'M {fmt(at)} C {fmt(q(L * 0.1, Wd))} {fmt(q(L * 0.7, Wd * 1.1))} {fmt(q(L, 0))} '
             f'C {fmt(q(L * 0.7, -Wd * 1.1))} {fmt(q(L * 0.1, -Wd))} {fmt(at)} Z', w, PAPER)
    pen.path(f'M {fmt(at)} Q {fmt(q(L * 0.5, Wd * 0.15))} {fmt(q(L * 0.9, 0))}', 0.4)
    for t, r in ((0.25, 0.6), (0.45, 0.6), (0.65, 0.42)):
        a = q(L * t, Wd * 0.05)
        for sgn in (1, -1):
            pen.path(f'M {fmt(a)} Q {fmt(q(L * (t + 0.05), sgn * Wd * r * 0.6))} '
                     f'{fmt(q(L * (t + 0.12), sgn * Wd * r))}', 0.3)


def plant(pen):
    """A leafy house plant in a flower pot, by the window."""
    M, T = 1.0, 0.7
    c = (0.42, 0, 1.95)
    cylinder(pen, c, 0.19, 0.0, 0.02, T)                      # saucer
    cylinder(pen, c, 0.13, 0.02, 0.30, M, r1=0.17)
    cylinder(pen, c, 0.175, 0.30, 0.36, M)                    # rim
    base = CAM((c[0], 0.35, c[2]))
    rnd = random.Random(5)
    stems, leaves = [], []
    for h, lean, n in ((230, -0.22, 9), (175, 0.28, 7), (120, -0.02, 5)):
        top = (base[0] + math.sin(lean) * h, base[1] - math.cos(lean) * h)
        ctrl = (base[0] + math.sin(lean) * h * 0.2, base[1] - h * 0.55)
        stems.append((ctrl, top))
        for i in range(n):
            t = 0.3 + 0.7 * i / (n - 1)
            p = tuple((1 - t) ** 2 * base[j] + 2 * (1 - t) * t * ctrl[j] + t * t * top[j] for j in (0, 1))
            side = 1 if i % 2 else -1
            ang = -math.pi / 2 + side * rnd.uniform(0.7, 1.2) + lean
            if t > 0.95:
                ang = -math.pi / 2 + lean * 1.5
            L = 40 - 14 * t + rnd.uniform(-4, 4)
            leaves.append((rnd.random(), p, ang, L, L * 0.36))
    for ctrl, top in stems:
        pen.path(f'M {fmt((base[0] - 1.2, base[1]))} Q {fmt((ctrl[0] - 1, ctrl[1]))} {fmt(top)} '
                 f'Q {fmt((ctrl[0] + 1, ctrl[1]))} {fmt((base[0] + 1.2, base[1]))}', T, PAPER)
    leaves.sort()
    for _, p, ang, L, Wd in leaves:
        leaf(pen, p, ang, L, Wd)


# -- the piano ----------------------------------------------------------------

X0, X1, ZB = 0.55, 2.05, 0.03            # case ends and back
XC = (X0 + X1) / 2
K0, K1 = X0 + 0.135, X1 - 0.135          # the keyboard between the cheeks
KTOP = 0.745                              # height of the white keys' tops


def piano(pen):
    M, T, F = 1.3, 0.8, 0.5
    # upper and lower front panels, recessed between the side panels
    poly3(pen, [(X0, 0.80, 0.30), (X1, 0.80, 0.30), (X1, 1.22, 0.30), (X0, 1.22, 0.30)], T, PAPER)
    poly3(pen, [(X0 + 0.12, 0.86, 0.30), (X1 - 0.12, 0.86, 0.30), (X1 - 0.12, 1.17, 0.30), (X0 + 0.12, 1.17, 0.30)], F)
    poly3(pen, [(X0, 0.04, 0.30), (X1, 0.04, 0.30), (X1, 0.655, 0.30), (X0, 0.655, 0.30)], T, PAPER)
    poly3(pen, [(X0 + 0.2, 0.14, 0.30), (X1 - 0.2, 0.14, 0.30), (X1 - 0.2, 0.56, 0.30), (X0 + 0.2, 0.56, 0.30)], F)
    box(pen, X0, X1, 0.0, 0.04, ZB, 0.32, T, faces=('front',))               # plinth
    box(pen, X0, X0 + 0.035, 0.0, 1.22, ZB, 0.34, T, faces=('front',))       # side panels
    box(pen, X1 - 0.035, X1, 0.0, 1.22, ZB, 0.34, M, faces=('side', 'front'))
    side_shading(pen)
    # lid with a moulded edge
    box(pen, X0 - 0.012, X1 + 0.012, 1.22, 1.258, ZB - 0.01, 0.36, M)
    line3(pen, (X0 - 0.012, 1.235, 0.36), (X1 + 0.012, 1.235, 0.36), F)
    line3(pen, (X1 + 0.012, 1.235, 0.36), (X1 + 0.012, 1.235, ZB - 0.01), F)
    # pedals in their mouse-hole
    poly3(pen, [(XC - 0.16, 0.05, 0.30), (XC + 0.16, 0.05, 0.30), (XC + 0.16, 0.12, 0.30), (XC - 0.16, 0.12, 0.30)], F)
    for px in (XC - 0.1, XC, XC + 0.1):
        pts = [(px - 0.014, 0.075, 0.30), (px - 0.012, 0.07, 0.40), (px, 0.068, 0.425),
               (px + 0.012, 0.07, 0.40), (px + 0.014, 0.075, 0.30)]
        pen.path(smooth_d(proj(pts)) + ' Z', T, PAPER)
    # legs standing on toe blocks
    for lx in (X0 + 0.02, X1 - 0.11):
        box(pen, lx, lx + 0.09, 0.0, 0.05, 0.30, 0.62, T)
        box(pen, lx + 0.015, lx + 0.075, 0.05, 0.10, 0.52, 0.60, T)
        box(pen, lx + 0.02, lx + 0.07, 0.10, 0.655, 0.535, 0.585, T)
    box(pen, X0, X1, 0.655, 0.72, 0.30, 0.625, M, faces=('side', 'front'))   # key bed and key slip
    keys(pen)
    # the fallboard, folded back over the far ends of the keys
    box(pen, K0 - 0.005, K1 + 0.005, KTOP, 0.80, 0.30, 0.405, T, faces=('front', 'top'))
    line3(pen, (K0, 0.785, 0.405), (K1, 0.785, 0.405), F)
    # cheeks at either end of the keyboard, rounded at the front
    prof = [(0.30, 0.83), (0.48, 0.83), (0.56, 0.815), (0.61, 0.79), (0.625, 0.76), (0.625, 0.72)]
    for a, b in ((X0, K0), (K1, X1)):
        poly3(pen, [(a, y, z) for z, y in prof] + [(b, y, z) for z, y in prof][::-1], M, PAPER)
        pen.path(smooth_d(proj([(b, y, z) for z, y in prof])) + ' L ' + fmt(CAM((b, 0.72, 0.30))) + ' Z', M, PAPER)
    box(pen, 0.78, 1.82, 0.915, 0.94, 0.30, 0.375, T)                     # music desk
    music(pen)
    metronome(pen)


def side_shading(pen):
    """Sparse diagonal hatching on the shaded lower part of the case's end."""
    za, zb, ya, yb = ZB + 0.02, 0.33, 0.06, 0.62
    for k in range(14):
        c = za - 0.25 + k * 0.045           # lines z - 0.5 y = c, clipped to the panel
        pts = []
        for y in (ya, yb):
            z = c + 0.5 * y
            if za <= z <= zb:
                pts.append((z, y))
        for z in (za, zb):
            y = (z - c) / 0.5
            if ya < y < yb:
                pts.append((z, y))
        if len(pts) == 2:
            line3(pen, (X1, pts[0][1], pts[0][0]), (X1, pts[1][1], pts[1][0]), 0.3)


def keys(pen):
    F = 0.45
    z0, z1 = 0.405, 0.612
    poly3(pen, [(K0, KTOP, z0), (K1, KTOP, z0), (K1, KTOP, z1), (K0, KTOP, z1)], 0.9, PAPER)
    poly3(pen, [(K0, 0.722, z1), (K1, 0.722, z1), (K1, KTOP, z1), (K0, KTOP, z1)], 0.9, PAPER)
    kw = (K1 - K0) / 52
    for i in range(1, 52):
        x = K0 + i * kw
        pen.path(poly_d(proj([(x, KTOP, z0), (x, KTOP, z1), (x, 0.722, z1)]), False), F)
    # 88 keys from A0: a black key follows every A, C, D, F and G
    for i in range(51):
        if 'ABCDEFG'[i % 7] in 'ACDFG':
            x = K0 + (i + 1) * kw
            a, b = x - 0.00675, x + 0.00675
            h = KTOP + 0.012
            poly3(pen, [(a, h, z0), (b, h, z0), (b, h, 0.51), (b, KTOP, 0.515), (a, KTOP, 0.515), (a, h, 0.51)],
                  0.4, INK)


def music(pen):
    """An album of music open on the desk, its pages bowed at the spine."""
    T, F = 0.8, 0.4
    xa, xm, xb = 1.02, 1.30, 1.58
    for xs, xe in ((xa, xm), (xm, xb)):
        bot = []
        for i in range(9):
            t = i / 8
            bot.append((xs + (xe - xs) * t, 0.945, 0.36 - 0.025 * math.sin(math.pi * t)))
        top = [(x, 1.25, z - 0.04) for (x, y, z) in bot][::-1]
        pen.path(smooth_d(proj(bot)) + ' L ' + smooth_d(proj(top))[2:] + ' Z', T, PAPER)
        for s in range(4):                          # four staves a page
            for ln in range(5):
                y = 1.19 - s * 0.07 - ln * 0.007
                f = (y - 0.945) / (1.25 - 0.945)
                pen.path(smooth_d(proj([(x, y, z - 0.04 * f) for (x, _, z) in bot[1:-1]])), F)


def metronome(pen):
    T, F = 0.9, 0.45
    cx, cz, y0, h = 1.80, 0.17, 1.258, 0.24
    b, t = 0.06, 0.018
    base = [(cx - b, y0, cz - b), (cx + b, y0, cz - b), (cx + b, y0, cz + b), (cx - b, y0, cz + b)]
    top = [(cx - t, y0 + h, cz - t), (cx + t, y0 + h, cz - t), (cx + t, y0 + h, cz + t), (cx - t, y0 + h, cz + t)]
    poly3(pen, [base[1], base[2], top[2], top[1]], T, PAPER)
    poly3(pen, [base[3], base[2], top[2], top[3]], T, PAPER)
    poly3(pen, top, F, PAPER)
    # pendulum caught at the end of its swing, with its sliding weight
    piv = (cx, y0 + 0.03, cz + b * 0.95)
    a = math.radians(14)
    tip = (cx + math.sin(a) * 0.2, y0 + 0.03 + math.cos(a) * 0.2, cz + b * 0.95 - 0.04)
    line3(pen, piv, tip, F)
    c = CAM(tuple(piv[i] + (tip[i] - piv[i]) * 0.62 for i in range(3)))
    pen.path(f'M {c[0] - 2.5:.1f},{c[1] - 1.5:.1f} l 5,0 l -1,3 l -3,0 Z', F, PAPER)


# -- the stool and the pianist --------------------------------------------------

def stool(pen):
    """Round piano stool on four splayed legs joined by a ring."""
    c = (1.30, 0, 1.12)
    legs = []
    for k in range(4):
        a = math.radians(45 + 90 * k)
        pts = []
        for i in range(7):
            t = i / 6
            r = 0.12 + 0.12 * t + 0.03 * math.sin(math.pi * t)
            pts.append((c[0] + r * math.cos(a), 0.42 * (1 - t), c[2] + r * math.sin(a)))
        legs.append((CAM.depth(pts[-1]), pts))
    legs.sort(key=lambda e: -e[0])

    def leg(pts):
        q = proj(pts)
        pen.path(smooth_d(tube(q, 7, 4.5), closed=True), 1.0, PAPER)
        pen.path(ellipse_d(q[-1], 4, 2.2), 0.9, PAPER)

    for _, pts in legs[:2]:
        leg(pts)
    rr = 0.12 + 0.12 * 0.64 + 0.03 * math.sin(math.pi * 0.64)   # leg radius at the ring's height
    for r in (rr - 0.008, rr + 0.008):
        pen.path(smooth_d(proj(ring((c[0], 0.15, c[2]), r))[:-1], closed=True), 0.7)
    for _, pts in legs[2:]:
        leg(pts)
    cylinder(pen, c, 0.16, 0.41, 0.44, 1.0)
    cylinder(pen, c, 0.19, 0.44, 0.505, 1.2)


def pianist(pen):
    """Seen from behind her right shoulder.  Drawn straight in picture
    coordinates, fitted to where the stool, keys and pedals project."""
    M, T, F = 1.2, 0.8, 0.55
    sh, st = pen.shape, pen.stroke
    # far hand, just showing on the keys beneath the near elbow
    sh([(388, 272), (395, 271), (400, 274), (401, 280), (396, 282), (390, 280)], T)
    st([(396, 275), (398, 281)], F)
    # far leg: shin and shoe; its knee just shows above the near thigh
    sh([(372, 305), (384, 303), (391, 314), (393, 340), (395, 365), (396, 388), (392, 392),
        (385, 391), (378, 370), (369, 345), (364, 320)], M)
    st([(385, 387), (390, 386), (395, 385)], F)
    sh([(393, 387), (401, 390), (409, 394), (411, 398), (407, 401), (393, 402), (381, 401), (380, 395), (384, 389)], M)
    # torso: from the nape round the back, over the seat and up the near flank
    sh([(347, 206), (342, 215), (332, 220), (325, 227), (321, 242), (321, 262), (324, 282),
        (328, 297), (325, 313), (321, 330), (325, 343), (338, 347), (356, 345), (366, 330),
        (369, 305), (374, 283), (378, 262), (382, 244), (382, 232), (374, 222), (367, 208)], M)
    st([(327, 297), (342, 301), (358, 302), (370, 299)], T)          # waistband
    st([(336, 234), (337, 250), (339, 266)], F)                      # folds in the blouse
    st([(344, 276), (348, 288), (352, 297)], F)
    st([(360, 240), (359, 256), (362, 270)], F)
    st([(341, 214), (352, 221), (364, 220), (369, 214)], T)          # collar
    # near leg: shin, shoe on the sustain pedal, then the thigh over them
    sh([(418, 318), (426, 325), (429, 350), (432, 375), (434, 391), (429, 394), (423, 393),
        (413, 372), (408, 352), (409, 333)], M)
    st([(422, 389), (428, 388), (434, 387)], F)
    sh([(433, 388), (441, 391), (449, 394), (452, 398), (447, 402), (432, 403), (421, 402), (420, 396), (424, 390)], M)
    st([(421, 399), (435, 400), (450, 399)], F)
    sh([(345, 316), (362, 310), (386, 308), (408, 308), (420, 311), (425, 319), (423, 330),
        (412, 337), (390, 341), (366, 345), (348, 347), (340, 332)], M, open_edges=(10, 11))
    st([(392, 318), (402, 322), (410, 330)], F)                      # crease behind the knee
    # near arm in one sleeve, shoulder to cuff
    sh([(371, 224), (384, 228), (396, 237), (405, 251), (410, 262), (422, 265), (433, 268),
        (433, 281), (418, 281), (400, 278), (388, 269), (379, 256), (374, 241), (370, 232)], M, open_edges=(13,))
    st([(376, 228), (381, 238), (382, 250)], F)                      # shoulder seam
    st([(403, 265), (401, 270), (398, 276)], F)                      # elbow crease
    st([(428, 268), (427, 275), (428, 281)], T)                      # cuff
    # hand on the keys, fingers curled down onto them
    sh([(432, 269), (441, 267), (448, 269), (453, 273), (456, 279), (455, 285), (452, 285),
        (450, 281), (447, 285), (444, 284), (442, 280), (436, 283), (433, 281)], M)
    st([(446, 272), (449, 277), (450, 281)], F)
    # head in lost profile, hair drawn back into a bun; kept a little small
    hx, hy, k = 357.0, 206.0, 0.86

    def hd(pts):
        return [(hx + (x - hx) * k, hy + (y - hy) * k) for x, y in pts]

    sh(hd([(347, 196), (366, 198), (368, 210), (368, 220), (357, 222), (344, 216)]), T)          # neck
    sh(hd([(341, 186), (342, 172), (350, 163), (362, 159), (373, 163), (380, 171), (383, 179),
           (384, 186), (383, 190), (385, 194), (382, 200), (375, 205), (366, 207), (356, 204),
           (346, 198)]), M)
    st(hd([(381, 173), (376, 179), (372, 186), (371, 194), (365, 201), (356, 203), (348, 199)]), T)  # hairline
    st(hd([(367, 186), (372, 185), (374, 192), (369, 197)]), F)      # ear
    st(hd([(385, 191), (388, 195), (385, 198)]), F)                  # tip of the nose
    st(hd([(383, 187), (386, 186)]), F)                              # lashes
    for a, b in (((379, 170), (364, 163)), ((375, 177), (357, 167)), ((370, 184), (352, 171)), ((362, 196), (347, 181))):
        st(hd([a, ((a[0] + b[0]) / 2 - 1, (a[1] + b[1]) / 2 + 2), b, (345, 172)]), F)
    sh(hd([(333, 172), (335, 162), (344, 157), (352, 161), (353, 171), (345, 178), (336, 178)]), M)
    st(hd([(338, 169), (342, 162), (349, 165), (347, 172), (341, 173)]), F)


def background_svg(grid=False):
    pen = Pen()
    # back to front: later shapes are filled with paper and hide what they cover
    walls(pen)
    floor(pen)
    rug(pen)
    window(pen)
    picture(pen)
    clock(pen)
    piano(pen)
    lamp(pen)
    stool(pen)
    pianist(pen)
    plant(pen)
    overlay = ''
    if grid:    # preview aid for placing things by hand
        for x in range(0, BG_W, 50):
            overlay += (f'<line x1="{x}" y1="0" x2="{x}" y2="{BG_H}" stroke="#69f" stroke-width="0.4"/>'
                        f'<text x="{x + 1}" y="9" font-size="8" fill="#36c">{x}</text>')
        for y in range(0, BG_H, 50):
            overlay += (f'<line x1="0" y1="{y}" x2="{BG_W}" y2="{y}" stroke="#69f" stroke-width="0.4"/>'
                        f'<text x="1" y="{y - 1}" font-size="8" fill="#36c">{y}</text>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{BG_W}" height="{BG_H}" '
            f'viewBox="0 0 {BG_W} {BG_H}">\n'
            '<defs><filter id="grain" x="0" y="0" width="100%" height="100%">'
            '<feTurbulence type="fractalNoise" baseFrequency="0.9 0.7" numOctaves="2" seed="4"/>'
            '<feColorMatrix type="matrix" values="0 0 0 0 0.45  0 0 0 0 0.38  0 0 0 0 0.27  1 0 0 0 -0.35"/>'
            '</filter></defs>\n'
            f'<rect width="{BG_W}" height="{BG_H}" fill="{PAPER}"/>\n'
            f'<rect width="{BG_W}" height="{BG_H}" filter="url(#grain)" opacity="0.10"/>\n'
            '<g stroke-linecap="round" stroke-linejoin="round">\n'
            + '\n'.join(pen.out) + f'\n</g>{overlay}\n</svg>\n')


# ---------------------------------------------------------------------------
# music notes, black on a transparent ground

def note_svg(w, h, flags, flag_len=1.0):
    s = 19.0                              # one staff space, in pixels
    stem_w = 2.4
    head_w = 26.0
    # tilted oval head, sized so its bounding box is head_w wide
    ratio, theta = 1.42, math.radians(-22)
    c, sn = math.cos(theta), math.sin(theta)
    b = (head_w / 2) / math.sqrt(ratio ** 2 * c * c + sn * sn)
    a = ratio * b
    half_h = math.sqrt(a * a * sn * sn + b * b * c * c)
    cx, cy = 0.5 + head_w / 2, h - 0.5 - half_h
    x0, y0 = 0.5 + head_w, 0.5           # right edge of the stem, top of the stem
    parts = [f'<ellipse cx="{cx:.3f}" cy="{cy:.3f}" rx="{a:.3f}" ry="{b:.3f}" '
             f'transform="rotate({math.degrees(theta):.2f} {cx:.3f} {cy:.3f})"/>',
             f'<rect x="{x0 - stem_w:.3f}" y="{y0:.3f}" width="{stem_w:.3f}" height="{cy - y0:.3f}"/>']
    # flags swell out from the stem and taper to a point curling back down;
    # stretched sideways to fill the picture's width
    sx = (w - 0.6 - x0) / (1.1888 * s)
    for i in range(flags):
        fy = y0 + i * 0.82 * s

        def P(dx, dy):
            return f'{x0 + dx * s * sx:.3f},{fy + dy * s * flag_len:.3f}'

        parts.append(
            f'<path d="M {x0 - stem_w:.3f},{fy:.3f} L {P(0, 0)} '
            f'C {P(0.05, 0.6)} {P(0.55, 0.95)} {P(0.9, 1.45)} '
            f'C {P(1.25, 1.95)} {P(1.3, 2.6)} {P(0.95, 3.25)} '
            f'C {P(1.15, 2.6)} {P(1.05, 2.0)} {P(0.6, 1.65)} '
            f'C {P(0.35, 1.45)} {P(0.1, 1.35)} {P(0, 1.3)} '
            f'L {x0 - stem_w:.3f},{fy + 1.3 * s * flag_len:.3f} Z"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">'
            f'<g fill="#000" stroke="none">{"".join(parts)}</g></svg>\n')


NOTES = [
    # file name, width, height, number of flags, flag length
    ('quarter_note.png', 27, 80, 0, 1.0),
    ('eighth_note.png', 51, 89, 1, 1.0),
    ('sixteenth_note.png', 53, 93, 2, 0.85),
]


# ---------------------------------------------------------------------------
# rasterising, encoding and checking

def run(*cmd):
    subprocess.run(cmd, check=True)


def rasterise(svg_text, png_path, tmp):
    svg_path = os.path.join(tmp, os.path.basename(png_path) + '.svg')
    with open(svg_path, 'w') as f:
        f.write(svg_text)
    run('rsvg-convert', '-o', png_path, svg_path)


def read_ppm(path):
    """Decodes any picture ImageMagick reads into (width, height, RGB bytes)."""
    data = subprocess.run(['convert', path, '-depth', '8', 'ppm:-'], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:                 # magic, width, height, maxval
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    assert fields[0] == b'P6' and fields[3] == b'255'
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def shown_luma(path, opacity=SHOWN_OPACITY):
    """(width, height, lumas 0..255) of the picture as the window shows it: over white at opacity."""
    w, h, rgb = read_ppm(path)
    return w, h, [255 - opacity * (255 - (0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2]))
                  for i in range(0, len(rgb), 3)]


def tile_luma(w, h, luma, tw=40, th=24, step=4):
    """Lowest mean luma (0..255) of any tw x th tile, tiles slid in steps of `step`."""
    # summed-area table
    sat = [[0.0] * (w + 1) for _ in range(h + 1)]
    for y in range(h):
        row, above, acc = sat[y + 1], sat[y], 0.0
        base = y * w
        for x in range(w):
            acc += luma[base + x]
            row[x + 1] = above[x + 1] + acc
    worst = (1e9, 0, 0)
    xs = sorted(set(list(range(0, w - tw + 1, step)) + [w - tw]))
    ys = sorted(set(list(range(0, h - th + 1, step)) + [h - th]))
    for y in ys:
        for x in xs:
            s = sat[y + th][x + tw] - sat[y][x + tw] - sat[y + th][x] + sat[y][x]
            worst = min(worst, (s / (tw * th), x, y))
    return worst, sum(luma) / len(luma)


def jpeg_info(path):
    """(baseline, width, height, components) from the JPEG's frame header."""
    with open(path, 'rb') as f:
        data = f.read()
    pos = 2
    while pos < len(data):
        marker, length = data[pos + 1], struct.unpack('>H', data[pos + 2:pos + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w, comps = struct.unpack('>HHB', data[pos + 5:pos + 10])
            return marker == 0xC0, w, h, comps
        pos += 2 + length
    raise ValueError('no frame header in ' + path)


def png_info(path):
    """(width, height, bit depth, colour type) from the PNG's IHDR."""
    with open(path, 'rb') as f:
        head = f.read(33)
    assert head[:8] == b'\x89PNG\r\n\x1a\n' and head[12:16] == b'IHDR'
    w, h, depth, ctype = struct.unpack('>IIBB', head[16:26])
    return w, h, depth, ctype


def make_background(out_dir, tmp):
    png = os.path.join(tmp, 'background.png')
    rasterise(background_svg(), png, tmp)
    jpg = os.path.join(out_dir, 'background.jpg')
    run('convert', png, '-alpha', 'off', '-colorspace', 'sRGB', '-type', 'TrueColor',
        '-interlace', 'none', '-quality', '88', '-sampling-factor', '2x2,1x1,1x1', '-strip', jpg)
    return jpg


def make_notes(out_dir, tmp):
    outs = []
    for name, w, h, flags, flag_len in NOTES:
        raw = os.path.join(tmp, name)
        rasterise(note_svg(w, h, flags, flag_len), raw, tmp)
        out = os.path.join(out_dir, name)
        run('convert', raw, '-strip', '-define', 'png:color-type=6', '-define', 'png:bit-depth=8',
            '-define', 'png:exclude-chunks=date,time', 'PNG32:' + out)
        outs.append((out, w, h))
    return outs


def check(out_dir, jpg, notes):
    ok = True

    def fail(msg):
        nonlocal ok
        ok = False
        print('FAILED:', msg)

    baseline, w, h, comps = jpeg_info(jpg)
    if not baseline:
        fail('background.jpg is not a baseline JPEG')
    if (w, h, comps) != (BG_W, BG_H, 3):
        fail(f'background.jpg is {w}x{h} with {comps} components')
    ident = subprocess.run(['identify', '-format', '%w %h %[colorspace] %[interlace]', jpg],
                           check=True, capture_output=True, text=True).stdout.split()
    if ident != [str(BG_W), str(BG_H), 'sRGB', 'None']:
        fail('identify reports ' + ' '.join(ident))
    lw, lh, luma = shown_luma(jpg)
    (worst, wx, wy), mean = tile_luma(lw, lh, luma)
    darkest = min(luma)
    print(f'background.jpg  {w}x{h}, {comps} components, baseline; {os.path.getsize(jpg)} bytes; '
          f'shown at {SHOWN_OPACITY}: mean luma {mean:.1f}, darkest 40x24 tile {worst:.1f} at ({wx},{wy}), '
          f'darkest pixel {darkest:.1f}')
    if worst < MIN_TILE_LUMA:
        fail(f'darkest tile {worst:.1f} < {MIN_TILE_LUMA}')
    if darkest > MAX_LINE_LUMA:
        fail(f'the lines fade away: darkest pixel {darkest:.1f} > {MAX_LINE_LUMA}')
    for path, ew, eh in notes:
        pw, ph, depth, ctype = png_info(path)
        chans = subprocess.run(['identify', '-format', '%[channels]', path],
                               check=True, capture_output=True, text=True).stdout.strip()
        print(f'{os.path.basename(path):19s} {pw}x{ph}, {depth}-bit, colour type {ctype} ({chans}); '
              f'{os.path.getsize(path)} bytes')
        if (pw, ph, depth, ctype) != (ew, eh, 8, 6):
            fail(f'{path} should be {ew}x{eh} 8-bit RGBA')
    return ok


def preview(out_dir, dest, tmp):
    """Views for checking the pictures by eye: the backdrop with a grid, the
    backdrop as it will look, and the notes enlarged 4x on a tinted ground."""
    os.makedirs(dest, exist_ok=True)
    rasterise(background_svg(grid=True), os.path.join(dest, 'background_grid.png'), tmp)
    run('convert', os.path.join(out_dir, 'background.jpg'), os.path.join(dest, 'background.png'))
    big = []
    for name, *_ in NOTES:
        b = os.path.join(tmp, 'big_' + name)
        run('convert', os.path.join(out_dir, name), '-background', '#dfe3ea', '-flatten', '-scale', '400%', b)
        big.append(b)
    run('convert', *big, '-background', 'white', '-gravity', 'west', '-splice', '16x0',
        '-gravity', 'south', '+append', '+repage',
        os.path.join(dest, 'notes_4x.png'))
    print('previews in', dest)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--out', default=HERE, help='where to write the pictures (default: beside this script)')
    ap.add_argument('--preview', metavar='DIR', help='also write enlarged previews into DIR')
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        jpg = make_background(args.out, tmp)
        notes = make_notes(args.out, tmp)
        ok = check(args.out, jpg, notes)
        if args.preview:
            preview(args.out, args.preview, tmp)
    sys.exit(0 if ok else 1)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes assets/svg/sword.svg, the hero's sword arm in every swing frame.

Run it after changing a pose below and commit both files; the build renders
the SVG. Everything here is laid out in screen pixels around the hero's
centre, facing right, as the game shows it; each cell gets the transform that
undoes the game's stretch of that cell to 600 x 200 around its sword centre.

Column 0 serves the second step as it is and the first step upside down,
mirrored about the row 15 below the hero's centre. The near shoulder sits on
that row, so the arm stays on the shoulder in both readings. Column 1 is the
third step.
"""

import math
import sys

SHOULDER = (14.0, 15.0)
CELL_W, CELL_H = 512, 256
DRAWN_W, DRAWN_H = 600.0, 200.0
# Sword picture centres ahead of and below the hero's centre.
CENTRE = {0: (30.0, 30.0), 1: (100.0, 30.0)}

ARM = (46.0, 32.0)  # the hand's reach about the shoulder
BLADE = 118.0  # from the guard to the tip at full length
GRIP = 9.0
# Texels at each cell edge left clear, and over which the picture fades out
# inside them, so no swing ends on the cell's straight edge.
MARGIN = 5
FADE = 36


def cell_matrix(column, row):
    sx, sy = CELL_W / DRAWN_W, CELL_H / DRAWN_H
    cx, cy = CENTRE[column]
    return (sx, sy, CELL_W * column + CELL_W / 2 - cx * sx, CELL_H * row + CELL_H / 2 - cy * sy)


def fmt(v):
    return f"{v:.1f}".rstrip("0").rstrip(".")


def path(points, close=True):
    d = "M" + " L".join(f"{fmt(x)},{fmt(y)}" for x, y in points)
    return d + (" Z" if close else "")


def on_ellipse(radii, t, scale=1.0):
    return (SHOULDER[0] + radii[0] * scale * math.cos(t), SHOULDER[1] + radii[1] * scale * math.sin(t))


def trail(t0, t1, radii, inner, outer, head_inner, head_outer, samples=40):
    """A crescent swept from angle t0 to t1 about the shoulder, thin at the tail
    t0 and as wide as head_inner..head_outer (fractions of the radii) from
    halfway on. radii is one pair, or a pair for the tail and one for the head,
    so a swing can open out where the cell has room."""
    tail_radii, head_radii = radii if isinstance(radii[0], tuple) else (radii, radii)
    outside, inside = [], []
    for i in range(samples + 1):
        f = i / samples
        t = t0 + (t1 - t0) * f
        grow = min(1.0, f / 0.5) ** 1.3
        r = tuple(a + (b - a) * f for a, b in zip(tail_radii, head_radii))
        ri = inner + (head_inner - inner) * grow
        ro = outer + (head_outer - outer) * grow
        outside.append(on_ellipse(r, t, ro))
        inside.append(on_ellipse(r, t, ri))
    return outside + inside[::-1]


def trail_layers(t0, t1, radii, head, fade=1.0):
    """Glow, body and bright core of one trail."""
    hi, ho = head
    mid = (hi + ho) / 2
    layers = [
        (trail(t0, t1, radii, 0.97, 1.03, hi - 0.05, ho + 0.05), f'fill="#8fe8ff" opacity="{0.35 * fade:.2f}"'),
        (trail(t0, t1, radii, 0.98, 1.02, hi, ho), f'fill="url(#edge)" opacity="{0.95 * fade:.2f}"'),
        (trail(t0 + (t1 - t0) * 0.3, t1, radii, 0.995, 1.005, mid - (mid - hi) * 0.5, mid + (ho - mid) * 0.5),
         f'fill="#ffffff" opacity="{fade:.2f}"'),
    ]
    return [f'<path d="{path(p)}" {style}/>' for p, style in layers]


def arm_and_sword(t_hand, t_blade, tip_radii, length_scale=1.0, glint=False):
    """The near arm from the shoulder to a fist on the grip, and the sword;
    with glint, light running along the blade's edge towards the tip."""
    hand = on_ellipse(ARM, t_hand)
    tip = on_ellipse(tip_radii, t_blade)
    dx, dy = tip[0] - hand[0], tip[1] - hand[1]
    n = math.hypot(dx, dy)
    ux, uy = dx / n, dy / n
    px, py = -uy, ux
    guard = (hand[0] + ux * 8, hand[1] + uy * 8)
    length = min(n - 8, BLADE * length_scale)
    tip = (guard[0] + ux * length, guard[1] + uy * length)
    pommel = (hand[0] - ux * GRIP, hand[1] - uy * GRIP)
    # Elbow bent a little towards the hero's back and down.
    mx, my = (SHOULDER[0] + hand[0]) / 2, (SHOULDER[1] + hand[1]) / 2
    ex, ey = hand[0] - SHOULDER[0], hand[1] - SHOULDER[1]
    en = math.hypot(ex, ey) or 1.0
    bend = 7.0
    elbow = (mx + ey / en * bend, my - ex / en * bend)
    if elbow[1] < my:
        elbow = (mx - ey / en * bend, my + ex / en * bend)
    w = 4.6  # blade half width
    edge = w * 0.55
    blade = [
        (guard[0] + px * w, guard[1] + py * w),
        (tip[0] - ux * 16 + px * w * 0.9, tip[1] - uy * 16 + py * w * 0.9),
        tip,
        (tip[0] - ux * 16 - px * w * 0.9, tip[1] - uy * 16 - py * w * 0.9),
        (guard[0] - px * w, guard[1] - py * w),
    ]
    shine = [(guard[0] + px * edge, guard[1] + py * edge),
             (tip[0] - ux * 18 + px * edge * 0.8, tip[1] - uy * 18 + py * edge * 0.8)]
    g1 = (guard[0] + px * 10, guard[1] + py * 10)
    g2 = (guard[0] - px * 10, guard[1] - py * 10)
    arm = [SHOULDER, elbow, hand]
    out = [
        f'<path d="{path(arm, False)}" stroke="#2a1e2e" stroke-width="15" stroke-linecap="round" stroke-linejoin="round" fill="none"/>',
        f'<path d="{path(arm, False)}" stroke="#5c95ea" stroke-width="8" stroke-linecap="round" stroke-linejoin="round" fill="none"/>',
        f'<path d="{path([pommel, hand], False)}" stroke="#2a1e2e" stroke-width="7.5" stroke-linecap="round"/>',
        f'<path d="{path([pommel, hand], False)}" stroke="#8a5430" stroke-width="3.5" stroke-linecap="round"/>',
        f'<circle cx="{fmt(pommel[0])}" cy="{fmt(pommel[1])}" r="3.4" fill="#f2c14e" stroke="#2a1e2e" stroke-width="2"/>',
        f'<path d="{path(blade)}" fill="url(#steel)" stroke="#2a1e2e" stroke-width="2.6" stroke-linejoin="round"/>',
        f'<path d="{path(shine, False)}" stroke="#ffffff" stroke-width="1.6" stroke-linecap="round" opacity="0.9"/>',
        f'<path d="{path([g1, g2], False)}" stroke="#2a1e2e" stroke-width="7" stroke-linecap="round"/>',
        f'<path d="{path([g1, g2], False)}" stroke="#f2c14e" stroke-width="3.4" stroke-linecap="round"/>',
        f'<circle cx="{fmt(hand[0])}" cy="{fmt(hand[1])}" r="6.4" fill="#ffd8b0" stroke="#2a1e2e" stroke-width="3"/>',
    ]
    if glint:
        out += streak(guard, tip, (px * edge, py * edge))
    return out


def streak(guard, tip, side):
    """A thin lens of light along the blade's edge, brightest near the tip: it
    reads as steel catching the light, not as something struck."""
    def at(f, w):
        return (guard[0] + (tip[0] - guard[0]) * f + side[0] * w, guard[1] + (tip[1] - guard[1]) * f + side[1] * w)
    def lens(f0, f1, half):
        n = 12
        top = [at(f0 + (f1 - f0) * i / n, 1 + half * math.sin(math.pi * i / n)) for i in range(n + 1)]
        bottom = [at(f1 - (f1 - f0) * i / n, 1 - half * math.sin(math.pi * (n - i) / n)) for i in range(n + 1)]
        return path(top + bottom)
    return [
        f'<path d="{lens(0.3, 1.14, 2.6)}" fill="#bff3ff" opacity="0.8"/>',
        f'<path d="{lens(0.45, 1.06, 1.1)}" fill="#ffffff"/>',
    ]


def wave(fade=1.0, shift=0.0):
    """The third step's cut flying on ahead of the blade, a crescent whose
    thick front covers the hit circle 280 ahead."""
    def arc(cx, rx, ry, a0, a1, n=28):
        return [(cx + shift + rx * math.cos(a), 40 + ry * math.sin(a))
                for a in (a0 + (a1 - a0) * i / n for i in range(n + 1))]
    lim = math.radians(80)
    outer = arc(148, 182, 84, -lim, lim)
    inner = arc(118, 120, 66, lim, -lim)
    core_out = arc(140, 176, 70, -math.radians(60), math.radians(60))
    core_in = arc(126, 148, 54, math.radians(60), -math.radians(60))
    return [
        f'<path d="{path(outer + inner)}" fill="#8fe8ff" opacity="{0.45 * fade:.2f}"/>',
        f'<path d="{path(outer[2:-2] + inner[2:-2])}" fill="url(#edge)" opacity="{0.9 * fade:.2f}"/>',
        f'<path d="{path(core_out + core_in)}" fill="#ffffff" opacity="{fade:.2f}"/>',
    ]


D = math.radians
TIP0 = (172.0, 72.0)  # tip path of the first two steps
TIP1 = (180.0, 66.0)  # tip path of the third step

# (comment, pieces) per row; angles are screen angles about the shoulder,
# 0 ahead, negative up.
COLUMN0 = [
    ("wind-up: blade held back over the shoulder",
     arm_and_sword(D(-140), D(-168), TIP0)),
    ("blade rising over the head",
     trail_layers(D(-170), D(-118), TIP0, (0.9, 1.05), 0.6) + arm_and_sword(D(-115), D(-118), TIP0)),
    ("coming over the top",
     trail_layers(D(-165), D(-74), TIP0, (0.86, 1.08), 0.8) + arm_and_sword(D(-78), D(-74), TIP0)),
    ("cutting down ahead",
     trail_layers(D(-150), D(-34), TIP0, (0.82, 1.12)) + arm_and_sword(D(-40), D(-34), TIP0)),
    ("level with the shoulder",
     trail_layers(D(-130), D(2), TIP0, (0.8, 1.22)) + arm_and_sword(D(-4), D(2), TIP0)),
    ("follow-through: the trail's head covers the hit circle in both readings",
     trail_layers(D(-105), D(42), (TIP0, (185.0, 100.0)), (0.74, 1.38))
     + arm_and_sword(D(30), D(40), TIP0, glint=True)),
]
COLUMN1 = [
    ("wind-up: blade low behind",
     arm_and_sword(D(170), D(160), TIP1)),
    ("swinging round low",
     trail_layers(D(175), D(128), TIP1, (0.9, 1.05), 0.6) + arm_and_sword(D(130), D(128), TIP1, 0.85)),
    ("passing in front of the legs",
     trail_layers(D(170), D(88), TIP1, (0.86, 1.1), 0.8) + arm_and_sword(D(90), D(88), TIP1, 0.7)),
    ("sweeping ahead",
     trail_layers(D(160), D(44), TIP1, (0.82, 1.16)) + arm_and_sword(D(48), D(44), TIP1)),
    ("the cut flies on and lands on the hit circle",
     trail_layers(D(130), D(8), TIP1, (0.8, 1.2), 0.8) + wave() + arm_and_sword(D(10), D(6), TIP1, glint=True)),
    ("recovery: the cut fades far ahead",
     trail_layers(D(60), D(-16), TIP1, (0.85, 1.05), 0.4) + wave(0.35, 40) + arm_and_sword(D(-14), D(-18), TIP1)),
]


def main():
    out = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{2 * CELL_W}" height="{6 * CELL_H}" '
        f'viewBox="0 0 {2 * CELL_W} {6 * CELL_H}">',
        "  <!-- Written by assets/tools/sword_sheet.py: edit the poses there. Each",
        "       cell is drawn in screen pixels about the hero's centre, facing",
        "       right; column 0 is the second step (the first reads it upside",
        "       down), column 1 the third. -->",
        "  <defs>",
        '    <linearGradient id="edge" x1="-100" y1="0" x2="300" y2="0" gradientUnits="userSpaceOnUse">',
        '      <stop offset="0" stop-color="#5fd2ff"/><stop offset="1" stop-color="#d8f8ff"/>',
        "    </linearGradient>",
        '    <linearGradient id="steel" x1="0" y1="0" x2="0" y2="1">',
        '      <stop offset="0" stop-color="#ffffff"/><stop offset="0.5" stop-color="#d8e4ee"/>',
        '      <stop offset="1" stop-color="#8a9cb0"/>',
        "    </linearGradient>",
    ]
    # Masks that fade a cell's picture out towards its clear margin.
    for name, (x2, y2), size in (("fadeX", (1, 0), CELL_W - 2 * MARGIN), ("fadeY", (0, 1), CELL_H - 2 * MARGIN)):
        f = FADE / size
        out += [
            f'    <linearGradient id="{name}" x1="0" y1="0" x2="{x2}" y2="{y2}">',
            f'      <stop offset="0" stop-color="#000"/><stop offset="{f:.4f}" stop-color="#fff"/>',
            f'      <stop offset="{1 - f:.4f}" stop-color="#fff"/><stop offset="1" stop-color="#000"/>',
            "    </linearGradient>",
        ]
    out.append("  </defs>")
    for column, rows in ((0, COLUMN0), (1, COLUMN1)):
        for row, (comment, pieces) in enumerate(rows):
            a, d, e, f = cell_matrix(column, row)
            top = CELL_H * row
            out.append(f"  <!-- Column {column}, row {row}: {comment}. -->")
            box = (f'x="{CELL_W * column + MARGIN}" y="{top + MARGIN}" '
                   f'width="{CELL_W - 2 * MARGIN}" height="{CELL_H - 2 * MARGIN}"')
            for axis in "XY":
                out.append(f'  <mask id="m{axis}{column}{row}" maskUnits="userSpaceOnUse" {box}>'
                           f'<rect {box} fill="url(#fade{axis})"/></mask>')
            out.append(f'  <g mask="url(#mX{column}{row})"><g mask="url(#mY{column}{row})">'
                       f'<g transform="matrix({a:.6f},0,0,{d:.6f},{e:.3f},{f:.3f})">')
            out.extend("    " + p for p in pieces)
            out.append("  </g></g></g>")
    out.append("</svg>")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Generates the model data of the valve amplifier stages: src/effects/drive/AmpModelTables.cpp.

Run by hand from the repository root (clang-format keeps the output in the project's format):
    python3 tools/amp_model_gen.py | clang-format --assume-filename=src/effects/drive/AmpModelTables.cpp \
        > src/effects/drive/AmpModelTables.cpp

Two kinds of data come out of here.

1. Piecewise-cubic transfer tables (bass preamp valves A and B, power-amp phase splitter, EL34 and 6L6
   output valves, output transformer). Each table is looked up by an integer index built from a truncated,
   scaled input, so every entry covers a fixed interval of the input; the runtime evaluates the entry's
   cubic ((t0 x + t1) x + t2) x + t3 at the unshifted input x. The curve behind each table is a monotone,
   C1 function through the anchor values below, with zero slope where it meets the constant values used
   outside the range. Between inner anchors it is a cubic Hermite with weighted-harmonic-mean slopes (the
   Fritsch-Butland choice, which keeps it monotone); towards the range ends it saturates, either as a
   Hermite (when the slope ratio allows it) or as 1 - (1 - u)^m. Each table entry is then the Hermite
   interpolant of that curve over the entry's interval, corrected by a quadratic that vanishes at both ends
   when an anchor lies strictly inside the entry, so the table passes exactly through every anchor and is
   continuous at every join. Entries whose cubic is fixed in advance are copied unchanged. Each table is
   written with one extra constant row at either end, the values beyond the range, so a lookup only has
   to clamp its index.
2. The tone network between the two valves of the bass preamp, see NETWORK below: the analog numerator and
   denominator (powers s^0..s^4) of each of the four switch states as quadratics in the gain potentiometer's
   wiper position.

The script checks, in emulated single precision, that each table is continuous at its joins, monotone,
reaches its end constants and passes through its anchors, and fails loudly otherwise.
"""

import math
import struct
import sys
from fractions import Fraction


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def eval32(c, x):
    """The runtime evaluation, rounding after every operation as single-precision code does."""
    x = f32(x)
    r = f32(f32(c[0] * x) + c[1])
    r = f32(f32(r * x) + c[2])
    return f32(f32(r * x) + c[3])


class IndexRule:
    """Index i = floor(trunc(scale v) / div) + offset, entries 0..count-1."""

    def __init__(self, scale, div, offset, count):
        self.scale, self.div, self.offset, self.count = scale, div, offset, count

    def interval(self, i):
        tmin = self.div * (i - self.offset)
        tmax = tmin + self.div - 1
        s = self.scale
        if tmin > 0:
            return Fraction(tmin, s), Fraction(tmax + 1, s)
        if tmax < 0:
            return Fraction(tmin - 1, s), Fraction(tmax, s)
        return Fraction(-1, s), Fraction(tmax + 1, s)

    def index(self, v):
        t = int(self.scale * v)  # truncates toward zero
        return t // self.div + self.offset

    def low_end(self):
        return self.interval(0)[0]

    def high_end(self):
        return self.interval(self.count - 1)[1]


class Curve:
    """Monotone C1 curve through knots (x, y, slope or None); 'fixed' pieces are given cubics."""

    def __init__(self, knots, fixed=None):
        self.x = [float(k[0]) for k in knots]
        self.y = [float(k[1]) for k in knots]
        d = [k[2] for k in knots]
        sec = [(self.y[k + 1] - self.y[k]) / (self.x[k + 1] - self.x[k]) for k in range(len(knots) - 1)]
        h = [self.x[k + 1] - self.x[k] for k in range(len(knots) - 1)]
        for k in range(len(knots)):
            if d[k] is not None:
                continue
            s1, s2 = sec[k - 1], sec[k]
            if s1 * s2 <= 0:
                d[k] = 0.0
            else:
                w1, w2 = 2 * h[k] + h[k - 1], h[k] + 2 * h[k - 1]
                d[k] = (w1 + w2) / (w1 / s1 + w2 / s2)
        self.d = [float(v) for v in d]
        self.sec = sec
        self.fixed = fixed or {}  # segment index -> cubic coefficients (t0..t3) in x

    def _segment(self, x):
        for k in range(len(self.x) - 1):
            if x <= self.x[k + 1]:
                return max(k, 0)
        return len(self.x) - 2

    def value_slope(self, x):
        x = min(max(x, self.x[0]), self.x[-1])
        k = self._segment(x)
        if k in self.fixed:
            c = self.fixed[k]
            return ((c[0] * x + c[1]) * x + c[2]) * x + c[3], (3 * c[0] * x + 2 * c[1]) * x + c[2]
        x0, x1, y0, y1, d0, d1 = self.x[k], self.x[k + 1], self.y[k], self.y[k + 1], self.d[k], self.d[k + 1]
        h = x1 - x0
        delta = (y1 - y0) / h
        # Saturating end pieces with a steep inner slope: 1 - (1 - u)^m keeps them monotone.
        if d1 == 0.0 and d0 / delta > 3.0:
            m, u = d0 / delta, (x - x0) / h
            return y0 + (y1 - y0) * (1 - (1 - u) ** m), (y1 - y0) * m * (1 - u) ** (m - 1) / h
        if d0 == 0.0 and d1 / delta > 3.0:
            m, u = d1 / delta, (x1 - x) / h
            return y1 + (y0 - y1) * (1 - (1 - u) ** m), -(y0 - y1) * m * (1 - u) ** (m - 1) / h
        t = (x - x0) / h
        h00, h10, h01, h11 = 2 * t**3 - 3 * t**2 + 1, t**3 - 2 * t**2 + t, -2 * t**3 + 3 * t**2, t**3 - t**2
        v = h00 * y0 + h10 * h * d0 + h01 * y1 + h11 * h * d1
        dh00, dh10, dh01, dh11 = 6 * t**2 - 6 * t, 3 * t**2 - 4 * t + 1, -6 * t**2 + 6 * t, 3 * t**2 - 2 * t
        s = (dh00 * y0 + dh10 * h * d0 + dh01 * y1 + dh11 * h * d1) / h
        return v, s


def hermite_monomial(l, r, yl, yr, dl, dr):
    """Cubic in x (t0..t3) with the given end values and slopes on [l, r]."""
    h = r - l
    # In u = x - l: y = c0 + c1 u + c2 u^2 + c3 u^3.
    c0, c1 = yl, dl
    c2 = (3 * (yr - yl) / h - 2 * dl - dr) / h
    c3 = (dl + dr - 2 * (yr - yl) / h) / (h * h)
    return [c3, c2 - 3 * c3 * l, c1 - 2 * c2 * l + 3 * c3 * l * l, c0 - c1 * l + c2 * l * l - c3 * l**3]


def poly_eval(c, x):
    return ((c[0] * x + c[1]) * x + c[2]) * x + c[3]


def poly_mul(a, b):
    r = [0.0] * (len(a) + len(b) - 1)
    for i, x in enumerate(a):
        for j, y in enumerate(b):
            r[i + j] += x * y
    return r


def bend_through(c, l, r, ax, ay, decreasing):
    """Adds a multiple of (x-l)(x-r), (x-l)^2 (x-r) or (x-l)(x-r)^2 (coefficients highest power first)
    so the cubic passes through (ax, ay) with its end values kept; the last two keep one end's slope.
    Takes the first form that leaves the entry monotone."""
    forms = [[1.0, -(l + r), l * r], poly_mul([1.0, -2 * l, l * l], [1.0, -r]),
             poly_mul([1.0, -l], [1.0, -2 * r, r * r])]
    for form in forms:
        form = [0.0] * (4 - len(form)) + form
        k = (ay - poly_eval(c, ax)) / poly_eval(form, ax)
        cand = [a + k * b for a, b in zip(c, form)]
        slopes = [(3 * cand[0] * x + 2 * cand[1]) * x + cand[2]
                  for x in (l + (r - l) * j / 200 for j in range(201))]
        if all((-sl if decreasing else sl) >= 0 for sl in slopes):
            return cand
    sys.exit(f"no monotone cubic through ({ax}, {ay}) on [{l}, {r}]")


def build_table(name, rule, curve, anchors, below, above, fixed_entries=None, decreasing=False):
    fixed_entries = fixed_entries or {}
    entries = []
    for i in range(rule.count):
        if i in fixed_entries:
            entries.append([f32(v) for v in fixed_entries[i]])
            continue
        l, r = rule.interval(i)
        l, r = float(l), float(r)
        yl, dl = curve.value_slope(l)
        yr, dr = curve.value_slope(r)
        c = hermite_monomial(l, r, yl, yr, dl, dr)
        for ax, ay in anchors:
            if l < ax < r:  # an anchor inside the entry: bend the cubic through it, ends unchanged
                c = bend_through(c, l, r, ax, ay, decreasing)
        c32 = [f32(v) for v in c[:3]]
        # Round the constant last so that the rounding of the others is absorbed at an anchor inside the
        # entry (A(0) stays exactly 0), else at the entry's middle.
        at = next((ax for ax, _ in anchors if l <= ax < r), 0.5 * (l + r))
        c32.append(f32(c[3] + poly_eval(c[:3] + [0.0], at) - poly_eval(c32[:3] + [0.0], at)))
        entries.append(c32)
    check_table(name, rule, entries, anchors, f32(below), f32(above), decreasing)
    return entries


def lookup(rule, entries, below, above, v):
    i = rule.index(v)
    if i < 0:
        return below
    if i >= rule.count:
        return above
    return eval32(entries[i], v)


def check_table(name, rule, entries, anchors, below, above, decreasing):
    scale = max(abs(below), abs(above))
    tol = 1e-4 * scale
    lo, hi = float(rule.low_end()), float(rule.high_end())
    # Continuity: every join (including the two outer ones) from both sides, at neighbouring floats.
    for i in range(rule.count + 1):
        x = float(rule.interval(i)[0]) if i < rule.count else hi
        for a, b in ((math.nextafter(x, -math.inf), x), (x, math.nextafter(x, math.inf))):
            ya, yb = lookup(rule, entries, below, above, a), lookup(rule, entries, below, above, b)
            if abs(ya - yb) > tol:
                sys.exit(f"{name}: jump {ya} -> {yb} at {x}")
    for ax, ay in anchors:
        y = lookup(rule, entries, below, above, ax)
        if abs(y - ay) > 1e-6 * scale:
            sys.exit(f"{name}: {y} at {ax}, want {ay}")
    n = 20000
    prev = None
    for k in range(n + 1):
        x = lo - 0.01 * (hi - lo) + 1.02 * (hi - lo) * k / n
        y = lookup(rule, entries, below, above, x)
        if prev is not None:
            step = prev - y if decreasing else y - prev
            if step < -1e-6 * scale:
                sys.exit(f"{name}: not monotone at {x}: {prev} -> {y}")
        prev = y


def fmt(v):
    s = repr(f32(v))
    if "e" not in s and "." not in s:
        s += ".0"
    return s + "f"


def emit_table(name, entries, below, above):
    """Entry k of the range is row k + 1; rows 0 and N + 1 are constants for inputs beyond the range."""
    rows = [[0.0, 0.0, 0.0, below]] + entries + [[0.0, 0.0, 0.0, above]]
    print(f"const float {name}[{len(rows)}][4] = {{")
    for i, c in enumerate(rows):
        print(f"    {{{', '.join(fmt(v) for v in c)}}}, // {i}")
    print("};")
    print()


def emit_pairs(name, p_entries, q_entries, p_ends, q_ends):
    rows = [[0.0, 0.0, 0.0, p_ends[0], 0.0, 0.0, 0.0, q_ends[0]]] + [p + q for p, q in zip(p_entries, q_entries)]
    rows.append([0.0, 0.0, 0.0, p_ends[1], 0.0, 0.0, 0.0, q_ends[1]])
    print(f"const float {name}[{len(rows)}][8] = {{")
    for i, c in enumerate(rows):
        print(f"    {{{', '.join(fmt(v) for v in c)}}}, // {i}")
    print("};")
    print()


# ---------------------------------------------------------------------------------------------------------
# Bass preamp valves.

BASS_A = dict(below=146.40207, above=-226.10023,
              points=[(-4, 123.44571), (-1, 33.959944), (0, 0.0), (1, -34.836413), (4, -141.88174)])
BASS_B = dict(below=82.548637, above=-281.78500,
              points=[(-4, 70.202408), (-1, 19.261738), (0, 0.0), (1, -19.722275), (4, -80.453635)])


def valve_table(name, rule, model, decreasing):
    lo, hi = float(rule.low_end()), float(rule.high_end())
    knots = [(lo, model["below"], 0.0)] + [(x, y, None) for x, y in model["points"]] + [(hi, model["above"], 0.0)]
    return build_table(name, rule, Curve(knots), model["points"], model["below"], model["above"],
                       decreasing=decreasing)


# ---------------------------------------------------------------------------------------------------------
# Power amp: phase splitter (two outputs), output valves, output transformer.

SPLIT_P0 = [0.0607697, -0.53441, -31.785, 0.130448]
SPLIT_Q0 = [-0.0905815, -0.53441, 31.785, 0.130448]
SPLIT_P_ENDS = (141.77133, -192.00670)  # below, above
SPLIT_Q_ENDS = (-192.22488, 141.77165)

EL34 = dict(below=8.612871e-7, above=0.8434333, points=[(0, 0.0488234), (20, 0.3511195)])
L6 = dict(below=4.3225289e-5, above=0.8954548, points=[(0, 0.1335565), (20, 0.4377839)])

OT_CENTRE = [-4.67569, 0.0, 3.00019, 0.0]
OT_ENDS = (-1.3, 1.3)


def fixed_piece_curve(rule, ends, centre, i_fixed):
    """Curve equal to a given cubic over the entries i_fixed, saturating towards the two ends."""
    lo, hi = float(rule.low_end()), float(rule.high_end())
    a, b = float(rule.interval(i_fixed[0])[0]), float(rule.interval(i_fixed[-1])[1])
    ya, da = poly_eval(centre, a), (3 * centre[0] * a + 2 * centre[1]) * a + centre[2]
    yb, db = poly_eval(centre, b), (3 * centre[0] * b + 2 * centre[1]) * b + centre[2]
    knots = [(lo, ends[0], 0.0), (a, ya, da), (b, yb, db), (hi, ends[1], 0.0)]
    return Curve(knots, fixed={1: centre}), [(a, ya), (b, yb)]


# ---------------------------------------------------------------------------------------------------------
# Bass preamp tone network, as a ladder from the first valve's output to the second valve's grid:
#
#   source --RS--+--[R_UL || C1]--+--[RA || CB]--+--RG--+-- out
#                |                |              |      |
#               CP          (pot top)           RB     CM
#                |                               |      |
#               gnd                             gnd    gnd
#
# RS: output resistance of the first stage (plate resistance in parallel with its load resistor).
# CP: shunt capacitance at the plate, a gentle top-end roll-off of the first stage.
# R_UL || C1: coupling capacitor bridged by the "Ultra Low" resistor: 1 MOhm (switch on) passes a share
#   of the lowest frequencies around the small coupling capacitor, 10 MOhm (off) leaves a plain high-pass.
# RA + RB = POT: the 1 MOhm gain potentiometer, wiper to the output; RB = POT * taper(gain) / 1.041.
# CB: the 500 pF "Ultra High" capacitor across the upper part of the potentiometer (absent when off).
# RG, CM: grid stopper and input capacitance (Miller capacitance included) of the second stage.
NETWORK = dict(RS=Fraction(38000), CP=Fraction(220, 10**12), C1=Fraction(1, 10**9),
               R_UL_ON=Fraction(10**6), R_UL_OFF=Fraction(10**7), POT=Fraction(10**6),
               CB=Fraction(500, 10**12), RG=Fraction(33000), CM=Fraction(100, 10**12))


class BiPoly:
    """Polynomial in s and the wiper position w (RB = POT w, RA = POT (1 - w)), exact rationals."""

    def __init__(self, terms=None):
        self.t = {k: v for k, v in (terms or {}).items() if v != 0}

    @staticmethod
    def const(c):
        return BiPoly({(0, 0): Fraction(c)})

    def __add__(self, o):
        r = dict(self.t)
        for k, v in o.t.items():
            r[k] = r.get(k, 0) + v
        return BiPoly(r)

    def __mul__(self, o):
        r = {}
        for (a, b), v in self.t.items():
            for (c, d), u in o.t.items():
                r[(a + c, b + d)] = r.get((a + c, b + d), 0) + v * u
        return BiPoly(r)

    def coef(self, si, wi):
        return self.t.get((si, wi), Fraction(0))


S = BiPoly({(1, 0): Fraction(1)})
W = BiPoly({(0, 1): Fraction(1)})
ONE = BiPoly.const(1)


def matmul(m, n):
    return [[m[0][0] * n[0][0] + m[0][1] * n[1][0], m[0][0] * n[0][1] + m[0][1] * n[1][1]],
            [m[1][0] * n[0][0] + m[1][1] * n[1][0], m[1][0] * n[0][1] + m[1][1] * n[1][1]]]


def network(ultra_low, ultra_high):
    """Numerator and denominator of V_out / V_source; chain matrices scaled to stay polynomial."""
    p = NETWORK
    zero = BiPoly()
    r_ul = p["R_UL_ON"] if ultra_low else p["R_UL_OFF"]
    cb = p["CB"] if ultra_high else Fraction(0)
    ra = BiPoly.const(p["POT"]) * (ONE + BiPoly.const(-1) * W)
    rb = BiPoly.const(p["POT"]) * W
    scale = ONE
    chain = [[ONE, BiPoly.const(p["RS"])], [zero, ONE]]
    chain = matmul(chain, [[ONE, zero], [S * BiPoly.const(p["CP"]), ONE]])
    d1 = ONE + S * BiPoly.const(r_ul * p["C1"])  # R_UL || C1 = R_UL / d1
    chain = matmul(chain, [[d1, BiPoly.const(r_ul)], [zero, d1]])
    scale = scale * d1
    d2 = ONE + S * ra * BiPoly.const(cb)  # RA || CB = RA / d2
    chain = matmul(chain, [[d2, ra], [zero, d2]])
    scale = scale * d2
    # Shunt RB: admittance 1 / RB, matrix scaled by RB.
    chain = matmul(chain, [[rb, zero], [ONE, rb]])
    scale = scale * rb
    chain = matmul(chain, [[ONE, BiPoly.const(p["RG"])], [zero, ONE]])
    chain = matmul(chain, [[ONE, zero], [S * BiPoly.const(p["CM"]), ONE]])
    return scale, chain[0][0]


def network_tables():
    out = []
    for ul in (0, 1):
        for uh in (0, 1):
            num, den = network(ul, uh)
            # Normalise so that the denominator's constant term at mid wiper is of order one.
            norm = sum(den.coef(0, j) * Fraction(1, 2) ** j for j in range(3))
            rows = []
            for poly in (num, den):
                for si in range(5):
                    rows.append([float(poly.coef(si, wi) / norm) for wi in range(3)])
                if any(poly.coef(si, wi) != 0 for si in range(5, 9) for wi in range(4)) or any(
                        poly.coef(si, 3) != 0 for si in range(5)):
                    sys.exit("network: degree too high")
            out.append(((ul, uh), rows))
    return out


def main():
    bass_a_rule = IndexRule(32, 16, 32, 64)
    bass_b_rule = IndexRule(32, 32, 32, 64)
    split_rule = IndexRule(32, 32, 16, 32)
    valve_rule = IndexRule(1, 4, 14, 64)
    ot_rule = IndexRule(256, 32, 8, 16)

    bass_a = valve_table("bass valve A", bass_a_rule, BASS_A, True)
    bass_b = valve_table("bass valve B", bass_b_rule, BASS_B, True)

    p_curve, p_anchor = fixed_piece_curve(split_rule, SPLIT_P_ENDS, SPLIT_P0, [16])
    q_curve, q_anchor = fixed_piece_curve(split_rule, SPLIT_Q_ENDS, SPLIT_Q0, [16])
    split_p = build_table("splitter p", split_rule, p_curve, p_anchor, *SPLIT_P_ENDS, {16: SPLIT_P0}, True)
    split_q = build_table("splitter q", split_rule, q_curve, q_anchor, *SPLIT_Q_ENDS, {16: SPLIT_Q0}, False)

    el34 = valve_table("EL34", valve_rule, EL34, False)
    l6 = valve_table("6L6", valve_rule, L6, False)

    ot_curve, ot_anchor = fixed_piece_curve(ot_rule, OT_ENDS, OT_CENTRE, [7, 8])
    ot = build_table("output transformer", ot_rule, ot_curve, ot_anchor, *OT_ENDS, {7: OT_CENTRE, 8: OT_CENTRE})

    net = network_tables()

    print("// Generated by tools/amp_model_gen.py (piped through clang-format); do not edit.")
    print("// Piecewise-cubic valve, splitter and transformer curves and the bass preamp's tone network;")
    print("// the script documents how each curve is built and checks continuity and monotonicity.")
    print('#include "effects/drive/AmpModelTables.h"')
    print()
    print("namespace AmpModel {")
    print()
    emit_table("kBassValveA", bass_a, BASS_A["below"], BASS_A["above"])
    emit_table("kBassValveB", bass_b, BASS_B["below"], BASS_B["above"])
    emit_pairs("kPhaseSplitter", split_p, split_q, SPLIT_P_ENDS, SPLIT_Q_ENDS)
    emit_table("kValveEL34", el34, EL34["below"], EL34["above"])
    emit_table("kValve6L6", l6, L6["below"], L6["above"])
    emit_table("kOutputTransformer", ot, *OT_ENDS)
    p = NETWORK
    print("// Components of the tone network (ohms, farads).")
    print("const BassNetworkParts kBassNetworkParts = {")
    for k in ("RS", "CP", "C1", "R_UL_ON", "R_UL_OFF", "POT", "CB", "RG", "CM"):
        print(f"    {float(p[k])!r}, // {k}")
    print("};")
    print()
    print("// Tone network [ultra low][ultra high]: numerator powers s^0..s^4, then denominator powers")
    print("// s^0..s^4, each a quadratic c0 + c1 w + c2 w^2 in the potentiometer's wiper position w.")
    print("const double kBassNetwork[2][2][10][3] = {")
    for ul in (0, 1):
        print("    {")
        for uh in (0, 1):
            rows = dict(net)[(ul, uh)]
            print(f"        // ultra low {'on' if ul else 'off'}, ultra high {'on' if uh else 'off'}")
            print("        {")
            for r in rows:
                print(f"            {{{', '.join(repr(v) for v in r)}}},")
            print("        },")
        print("    },")
    print("};")
    print()
    print("} // namespace AmpModel")


if __name__ == "__main__":
    main()

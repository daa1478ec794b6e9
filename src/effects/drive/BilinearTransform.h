#pragma once
#include "effects/drive/CoefficientSet.h"

// Bilinear mapping s = c (1 - z^-1) / (1 + z^-1) of analog second-order polynomials, without
// pre-warping; c = 2 fs rounded to single precision. Used by the circuit-modelled stages.

// c = 2 fs in single precision.
double BilinearConstant(double fs);

// The image of a monic s^2 + p s + q: A0 (1 + first z^-1 + second z^-2) / (1 + z^-1)^2.
struct BilinearPolynomial {
    double first;
    double second;
    double a0;
};

// Discriminant p^2 - 4 q computed from p and q.
BilinearPolynomial BilinearMapMonic(double p, double q, double c);
// Same with a discriminant supplied by the caller (some networks fix it as a constant).
BilinearPolynomial BilinearMapMonic(double p, double q, double c, double discriminant);

// N(s) / D(s) with N = nN (s^2 + pN s + qN), D = nD (s^2 + pD s + qD) at sample rate fs:
// b1, b2 from N, a1, a2 from D, g = (nN / nD) A0(N) / A0(D).
CoefficientSet BilinearMapRatio(double nN, double pN, double qN, double nD, double pD, double qD, double fs);

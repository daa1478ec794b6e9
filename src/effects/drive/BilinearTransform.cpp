#include "effects/drive/BilinearTransform.h"
#include <cmath>

double BilinearConstant(double fs) {
    return static_cast<double>(static_cast<float>(2.0 * fs));
}

BilinearPolynomial BilinearMapMonic(double p, double q, double c) {
    return BilinearMapMonic(p, q, c, p * p - 4.0 * q);
}

// q enters only through the discriminant: the image is built from the roots.
BilinearPolynomial BilinearMapMonic(double p, double /*q*/, double c, double discriminant) {
    BilinearPolynomial r;
    if (discriminant >= 0.0) {
        // Real roots r1, r2: (s - r1)(s - r2).
        const double root = std::sqrt(discriminant);
        const double r1 = (-p + root) / 2.0, r2 = (-p - root) / 2.0;
        r.a0 = c * c - (r1 + r2) * c + r1 * r2;
        r.first = -(2.0 * c * c - 2.0 * r1 * r2) / r.a0;
        r.second = (c * c + (r1 + r2) * c + r1 * r2) / r.a0;
    } else {
        // Conjugate pair re +- j im.
        const double re = -p / 2.0, im = std::sqrt(-discriminant) / 2.0;
        r.a0 = c * c - 2.0 * c * re + re * re + im * im;
        r.first = -(2.0 * c * c - 2.0 * re * re - 2.0 * im * im) / r.a0;
        r.second = (c * c + 2.0 * c * re + re * re + im * im) / r.a0;
    }
    return r;
}

CoefficientSet BilinearMapRatio(double nN, double pN, double qN, double nD, double pD, double qD, double fs) {
    const double c = BilinearConstant(fs);
    const BilinearPolynomial n = BilinearMapMonic(pN, qN, c), d = BilinearMapMonic(pD, qD, c);
    CoefficientSet s;
    s.g = static_cast<float>((nN / nD) * n.a0 / d.a0);
    s.b1 = static_cast<float>(n.first);
    s.b2 = static_cast<float>(n.second);
    s.a1 = static_cast<float>(d.first);
    s.a2 = static_cast<float>(d.second);
    return s;
}

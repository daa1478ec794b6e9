#include "effects/drive/EqBandSet.h"
#include "effects/drive/BelowNyquist.h"
#include <cmath>

void DesignEqBand(const EqBandDescriptor& band, BiquadSection& section, double fs) {
    const double pi = 3.14159265358979323846;
    const double v0 = std::pow(10.0, band.gainTenths / 200.0);
    const double h = (v0 - 1.0) / 2.0;
    const double f = BelowNyquist(band.frequency, fs);
    double g = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    switch (band.type) {
    case 1: { // peak: second-order all-pass mixed with the direct path
        const double k = std::pow(std::pow(2.0, 1.0 / 12.0), band.bandwidth);
        const double fb = BelowNyquist(0.5 * (k - 1.0 / k) * f, fs);
        const double kb = std::tan(pi * fb / fs);
        const bool cut = band.gainTenths < 0;
        const double ab = cut ? (kb - v0) / (kb + v0) : (kb - 1.0) / (kb + 1.0);
        const double d = -std::cos(2.0 * pi * f / fs);
        g = 1.0 + h * (1.0 + ab);
        a1 = d * (1.0 - ab);
        a2 = -ab;
        b1 = a1 / g;
        b2 = (-ab - h * (1.0 + ab)) / g;
        break;
    }
    case 2: { // first-order low shelf
        const double k = std::tan(pi * f / fs);
        const double ab = band.gainTenths < 1 ? (k - v0) / (k + v0) : (k - 1.0) / (k + 1.0);
        g = 1.0 + h * (1.0 + ab);
        b1 = (ab + h * (1.0 + ab)) / g;
        a1 = ab;
        break;
    }
    case 3: { // first-order high shelf
        const double k0 = std::tan(pi * f / fs);
        const double k = band.gainTenths < 1 ? v0 * k0 : k0;
        const double ab = (k - 1.0) / (k + 1.0);
        g = 1.0 + h * (1.0 - ab);
        b1 = (ab + h * (ab - 1.0)) / g;
        a1 = ab;
        break;
    }
    case 4: { // second-order low shelf (boost form)
        const double k = std::tan(pi * f / fs);
        const double r2 = std::sqrt(2.0), rv = std::sqrt(2.0 * v0);
        const double p = 1.0 + r2 * k + k * k, q2 = 1.0 - r2 * k + k * k;
        const double pv = 1.0 + rv * k + v0 * k * k, qv = 1.0 - rv * k + v0 * k * k;
        b1 = 2.0 * (v0 * k * k - 1.0) / pv;
        b2 = qv / pv;
        a1 = 2.0 * (k * k - 1.0) / p;
        a2 = q2 / p;
        g = pv / p;
        break;
    }
    default:
        break;
    }
    section.g = static_cast<float>(g);
    section.b1 = static_cast<float>(b1);
    section.b2 = static_cast<float>(b2);
    section.a1 = static_cast<float>(a1);
    section.a2 = static_cast<float>(a2);
}

#include "effects/drive/FilterDesigners.h"
#include "effects/drive/BelowNyquist.h"
#include <cmath>

namespace {
const double kPi = 3.14159265358979323846;
const double kSqrt2 = 1.41421356237309504880;

CoefficientSet Make(double g, double b1, double b2, double a1, double a2) {
    CoefficientSet c;
    c.g = static_cast<float>(g);
    c.b1 = static_cast<float>(b1);
    c.b2 = static_cast<float>(b2);
    c.a1 = static_cast<float>(a1);
    c.a2 = static_cast<float>(a2);
    return c;
}
} // namespace

CoefficientSet DesignButterworthHighPassUnit(double f, double fs) {
    f = BelowNyquist(f, fs);
    const double k = std::tan(kPi * f / fs);
    const double p = 1.0 + kSqrt2 * k + k * k, q2 = 1.0 - kSqrt2 * k + k * k;
    return Make(1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / p, q2 / p);
}

// Both Butterworth forms below use the analog corner w and the pre-warping constant c = w / tan(w / 2 fs).
CoefficientSet DesignButterworthLowPass(double f, double fs) {
    f = BelowNyquist(f, fs);
    const double w = 2.0 * kPi * f;
    const double c = w / std::tan(kPi * f / fs);
    const double d = c * c + w * w + kSqrt2 * c * w;
    return Make(w * w / d, 2.0, 1.0, (2.0 * w * w - 2.0 * c * c) / d, (c * c + w * w - kSqrt2 * c * w) / d);
}

CoefficientSet DesignButterworthLowPassRounded(double f, double fs) {
    f = BelowNyquist(f, fs);
    const double k = std::tan(3.14159265 * f / fs);
    const double sqrt2 = static_cast<float>(std::sqrt(2.0));
    const double n = static_cast<float>(1.0 + sqrt2 * k + k * k);
    return Make(k * k / n, 2.0, 1.0, 2.0 * (k * k - 1.0) / n, (1.0 - sqrt2 * k + k * k) / n);
}

// The cubic s^3 + 2 s^2 + 2 s + 1 has the real root -1 and the pair -1/2 +- j sqrt(3)/2.
ThirdOrderSections DesignButterworthLowPass3(double f, double fs) {
    const double k = std::tan(kPi * f / fs), k2 = k * k;
    const double d = 1.0 + k + k2;
    return {Make(k / (1.0 + k), 1.0, 0.0, (k - 1.0) / (k + 1.0), 0.0),
            Make(k2 / d, 2.0, 1.0, 2.0 * (k2 - 1.0) / d, (1.0 - k + k2) / d)};
}

CoefficientSet DesignButterworthHighPass(double f, double fs) {
    f = BelowNyquist(f, fs);
    const double w = 2.0 * kPi * f;
    const double c = w / std::tan(kPi * f / fs);
    const double d = c * c + w * w + kSqrt2 * c * w;
    return Make(c * c / d, -2.0, 1.0, (2.0 * w * w - 2.0 * c * c) / d, (c * c + w * w - kSqrt2 * c * w) / d);
}

CoefficientSet DesignPeakWithQ(double gainDb, double f, double q, double fs) {
    f = BelowNyquist(f, fs);
    const double k = std::tan(kPi * f / fs);
    double kn, kd;
    if (gainDb > 0.0) {
        const double v = static_cast<float>(std::pow(10.0, gainDb / 20.0));
        kn = v / q;
        kd = 1.0 / q;
    } else {
        const double v = static_cast<float>(std::pow(10.0, -gainDb / 20.0));
        kn = 1.0 / q;
        kd = v / q;
    }
    const double d = 1.0 + kd * k + k * k;
    const double b0 = (1.0 + kn * k + k * k) / d;
    const double a1 = 2.0 * (k * k - 1.0) / d;
    const double a2 = (1.0 - kd * k + k * k) / d;
    return Make(b0, a1 / b0, ((1.0 - kn * k + k * k) / d) / b0, a1, a2);
}

#include "effects/drive/FilterSection.h"
#include "effects/drive/BelowNyquist.h"
#include <cmath>

namespace {
const double kPi = 3.14159265358979323846;
const double kSqrt2 = 1.41421356237309504880;

// Gain factor of the designs, computed and kept in single precision.
double GainFactor(float gainDb) {
    return static_cast<double>(std::pow(10.0f, gainDb / 20.0f));
}
} // namespace

void FilterSection::Store(double g_, double b1_, double b2_, double a1_, double a2_) {
    g = static_cast<float>(g_);
    b1 = static_cast<float>(b1_);
    b2 = static_cast<float>(b2_);
    a1 = static_cast<float>(a1_);
    a2 = static_cast<float>(a2_);
}

void FilterSection::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    s1 = s2 = 0.0f;
    Redesign(frequency);
}

void FilterSection::SetFrequency(float f) {
    if (!(f > 0.0f) || !(f < sampleRate / 2.0f)) return;
    Redesign(f);
}

void FilterSection::SetType(int32_t t) {
    if (t > 11) return;
    type = t;
    Redesign(frequency);
    s1 = s2 = 0.0f;
}

void FilterSection::Redesign(float f) {
    switch (type) {
    case Peak: {
        // The peak designer does not keep its Q: a redesign uses the stored q as a whole number.
        float wholeQ = std::trunc(q);
        if (wholeQ < 1.0f) wholeQ = 1.0f;
        DesignPeak(f, gain, wholeQ);
        break;
    }
    case LowPass1:
    case LowPass2:
        DesignLowPass(f, type == LowPass2);
        break;
    case HighPass1:
    case HighPass2:
        DesignHighPass(f, type == HighPass2);
        break;
    case LowShelf1:
    case LowShelf2:
        DesignLowShelf(f, gain, type == LowShelf2);
        break;
    case HighShelf1:
    case HighShelf2:
        DesignHighShelf(f, gain, type == HighShelf2);
        break;
    case BandPass:
        DesignBandPass(f, q);
        break;
    case Notch:
        DesignNotch(f, q);
        break;
    default: // bypass, and negative codes
        frequency = f;
        Store(1.0, 0.0, 0.0, 0.0, 0.0);
        break;
    }
}

void FilterSection::DesignPeak(float f, float gainDb, float peakQ) {
    type = Peak;
    frequency = f;
    gain = gainDb;
    const double v0 = GainFactor(gainDb);
    const double kb = std::tan(kPi * BelowNyquist(static_cast<double>(f) / peakQ, sampleRate) / sampleRate);
    const double d = -std::cos(2.0 * kPi * BelowNyquist(f, sampleRate) / sampleRate);
    const double ab = gainDb < 0.0f ? (kb - v0) / (kb + v0) : (kb - 1.0) / (kb + 1.0);
    const double h = (ab + 1.0) * (v0 - 1.0) / 2.0;
    const double gg = 1.0 + h;
    const double aa1 = (1.0 - ab) * d;
    Store(gg, aa1 / gg, (-ab - h) / gg, aa1, -ab);
}

void FilterSection::DesignLowPass(float f, bool secondOrder) {
    type = secondOrder ? LowPass2 : LowPass1;
    frequency = f;
    const double k = std::tan(kPi * BelowNyquist(f, sampleRate) / sampleRate);
    if (secondOrder) {
        const double p = 1.0 + kSqrt2 * k + k * k, q2 = 1.0 - kSqrt2 * k + k * k;
        Store(k * k / p, 2.0, 1.0, 2.0 * (k * k - 1.0) / p, q2 / p);
    } else {
        const double ab = (k - 1.0) / (k + 1.0);
        Store((ab + 1.0) / 2.0, 1.0, 0.0, ab, 0.0);
    }
}

void FilterSection::DesignHighPass(float f, bool secondOrder) {
    type = secondOrder ? HighPass2 : HighPass1;
    frequency = f;
    const double k = std::tan(kPi * BelowNyquist(f, sampleRate) / sampleRate);
    if (secondOrder) {
        const double p = 1.0 + kSqrt2 * k + k * k, q2 = 1.0 - kSqrt2 * k + k * k;
        Store(1.0 / p, -2.0, 1.0, 2.0 * (k * k - 1.0) / p, q2 / p);
    } else {
        const double ab = (k - 1.0) / (k + 1.0);
        Store((1.0 - ab) / 2.0, -1.0, 0.0, ab, 0.0);
    }
}

void FilterSection::DesignLowShelf(float f, float gainDb, bool secondOrder) {
    type = secondOrder ? LowShelf2 : LowShelf1;
    frequency = f;
    gain = gainDb;
    const double v0 = GainFactor(gainDb);
    const double k = std::tan(kPi * BelowNyquist(f, sampleRate) / sampleRate);
    if (secondOrder) {
        const double rv = std::sqrt(2.0 * v0);
        const double p = 1.0 + kSqrt2 * k + k * k, q2 = 1.0 - kSqrt2 * k + k * k;
        const double pv = 1.0 + rv * k + v0 * k * k, qv = 1.0 - rv * k + v0 * k * k;
        if (gainDb <= 0.0f)
            Store(pv / p, 2.0 * (v0 * k * k - 1.0) / pv, qv / pv, 2.0 * (k * k - 1.0) / p, q2 / p);
        else
            Store(p / pv, 2.0 * (k * k - 1.0) / p, q2 / p, 2.0 * (v0 * k * k - 1.0) / pv, qv / pv);
    } else {
        const double ab = gainDb <= 0.0f ? (k - v0) / (k + v0) : (k - 1.0) / (k + 1.0);
        const double h = (ab + 1.0) * (v0 - 1.0) / 2.0;
        const double gg = 1.0 + h;
        Store(gg, (h + ab) / gg, 0.0, ab, 0.0);
    }
}

void FilterSection::DesignHighShelf(float f, float gainDb, bool secondOrder) {
    type = secondOrder ? HighShelf2 : HighShelf1;
    frequency = f;
    gain = gainDb;
    const double v0 = GainFactor(gainDb);
    const double k = std::tan(kPi * BelowNyquist(f, sampleRate) / sampleRate);
    if (secondOrder) {
        const double rv = std::sqrt(2.0 * v0);
        const double p = 1.0 + kSqrt2 * k + k * k, q2 = 1.0 - kSqrt2 * k + k * k;
        const double r = v0 + rv * k + k * k, sv = v0 - rv * k + k * k;
        if (gainDb <= 0.0f)
            Store(p / r, 2.0 * (k * k - 1.0) / p, q2 / p, 2.0 * (k * k - v0) / r, sv / r);
        else
            Store(r / p, 2.0 * (k * k - v0) / r, sv / r, 2.0 * (k * k - 1.0) / p, q2 / p);
    } else {
        const double kk = gainDb <= 0.0f ? v0 * k : k;
        const double ab = (kk - 1.0) / (kk + 1.0);
        const double h = (v0 - 1.0) / 2.0;
        const double gg = 1.0 + (1.0 - ab) * h;
        Store(gg, ((ab - 1.0) * h + ab) / gg, 0.0, ab, 0.0);
    }
}

void FilterSection::DesignBandPass(float f, float bandwidthHz) {
    type = BandPass;
    frequency = f;
    q = bandwidthHz;
    const double k = std::tan(kPi * BelowNyquist(bandwidthHz, sampleRate) / sampleRate);
    const double ab = (k - 1.0) / (k + 1.0);
    const double d = -std::cos(2.0 * kPi * BelowNyquist(f, sampleRate) / sampleRate);
    Store((1.0 + ab) / 2.0, 0.0, -1.0, d * (1.0 - ab), -ab);
}

void FilterSection::DesignNotch(float f, float notchQ) {
    type = Notch;
    frequency = f;
    q = notchQ;
    const double kb = std::tan(kPi * BelowNyquist(static_cast<double>(f) / notchQ, sampleRate) / sampleRate);
    const double c = (1.0 - kb) / (1.0 + kb);
    const double cw = std::cos(2.0 * kPi * BelowNyquist(f, sampleRate) / sampleRate);
    Store((1.0 + c) / 2.0, -2.0 * cw, 1.0, -(1.0 + c) * cw, c);
}

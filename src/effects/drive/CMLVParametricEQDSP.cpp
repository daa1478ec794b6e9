#include "effects/drive/CMLVParametricEQDSP.h"
#include "effects/PeakUpdate.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVParametricEQDSP::CMLVParametricEQDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"PE - Parametric EQ", "PE", FourCC("peu1")},
          {
              {kGain, "Gain", "dB", -12, 12, 0.1, 0, Linear},
              {kFrequency, "Frequency", "Hz", 25, 18500, 1, 1000, Linear},
              {kQ, "Q", "", 0.1, 3, 0.1, 1, Linear},
              {kFilterType,
               "Filter Type",
               {"Low Shelf", "High Shelf", "Peak", "Low pass", "High pass", "Notch"},
               0,
               5,
               1,
               1,
               List},
          },
          {
              {"Default", {0, 1000, 1, 1}},
              {"Low Pass", {0, 800, 0.776f, 3}},
          },
          CMLVFirstUpdate::FirstBlock);
}

CMLVParametricEQDSP::Design CMLVParametricEQDSP::DesignBand(int type, double gainDb, double width, double f,
                                                            double fs) {
    // Above about half the rate (Frequency reaches 18.5 kHz, a 32 kHz host has its Nyquist at 16 kHz)
    // sin(omega) vanishes and the bandwidth mapping overflows; keep the design just below Nyquist.
    f = std::min(f, 0.49 * fs);
    const double omega = 2.0 * M_PI * f / fs;
    const double sn = std::sin(omega), cs = std::cos(omega);
    const double A = std::pow(10.0, gainDb / 40.0);
    Design d{};
    switch (type) {
    case LowShelf:
    case HighShelf: {
        const double beta = 2.0 * std::sqrt(A) * (sn / 2.0) *
                            std::sqrt(std::max(0.0, (A + 1.0 / A) * (1.0 / width - 1.0) + 2.0));
        if (type == LowShelf) {
            d.b0 = A * ((A + 1) - (A - 1) * cs + beta);
            d.b1 = 2 * A * ((A - 1) - (A + 1) * cs);
            d.b2 = A * ((A + 1) - (A - 1) * cs - beta);
            d.a0 = (A + 1) + (A - 1) * cs + beta;
            d.a1 = -2 * ((A - 1) + (A + 1) * cs);
            d.a2 = (A + 1) + (A - 1) * cs - beta;
        } else {
            d.b0 = A * ((A + 1) + (A - 1) * cs + beta);
            d.b1 = -2 * A * ((A - 1) + (A + 1) * cs);
            d.b2 = A * ((A + 1) + (A - 1) * cs - beta);
            d.a0 = (A + 1) - (A - 1) * cs + beta;
            d.a1 = 2 * ((A - 1) - (A + 1) * cs);
            d.a2 = (A + 1) - (A - 1) * cs - beta;
        }
        break;
    }
    case Peak:
    case Notch: {
        const double alpha = sn * std::sinh(0.346574 * width * omega / sn);
        if (type == Peak) {
            d.b0 = 1 + alpha * A;
            d.b1 = -2 * cs;
            d.b2 = 1 - alpha * A;
            d.a0 = 1 + alpha / A;
        } else {
            d.b0 = 1;
            d.b1 = -2 * cs;
            d.b2 = 1;
            d.a0 = 1 + alpha;
        }
        d.a1 = -2 * cs;
        d.a2 = type == Peak ? 1 - alpha / A : 1 - alpha;
        break;
    }
    case LowPass:
    case HighPass: {
        const double alpha = sn / (2.0 * width);
        if (type == LowPass) {
            d.b0 = d.b2 = (1 - cs) / 2;
            d.b1 = 1 - cs;
        } else {
            d.b0 = d.b2 = (1 + cs) / 2;
            d.b1 = -(1 + cs);
        }
        d.a0 = 1 + alpha;
        d.a1 = -2 * cs;
        d.a2 = 1 - alpha;
        break;
    }
    default:
        d = {1, 0, 0, 1, 0, 0};
        break;
    }
    return d;
}

int CMLVParametricEQDSP::UpdateCoefficients(bool full) {
    if (full) {
        Reset();
        fullUpdatePending = false;
    }
    const int t = static_cast<int>(GetParameter(kFilterType)->GetValue() + 0.5);
    const double f = GetParameter(kFrequency)->GetValue();
    const double q = GetParameter(kQ)->GetValue();
    const double gain = GetParameter(kGain)->GetValue();
    const double w = (t == Peak || t == Notch) ? 2.0 * q : q;
    const double gd = (t == LowPass || t == HighPass) ? gain / 2.0 : gain;
    const Design d = DesignBand(t, gd, w, f, sampleRate);
    b0 = d.b0;
    b1 = d.b1;
    b2 = d.b2;
    a0 = d.a0;
    a1 = d.a1;
    a2 = d.a2;
    invA0 = 1.0 / a0;
    useOutGain = (t == LowPass || t == HighPass || t == Notch);
    outGain = std::pow(10.0, gd / 20.0);
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVParametricEQDSP::Reset() {
    state[0] = ChannelState{};
    state[1] = ChannelState{};
}

int CMLVParametricEQDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    // The bias keeps the recursion away from subnormals on silence.
    const double bias = static_cast<double>(1e-20f);
    const double gb0 = invA0 * b0;
    const double g = useOutGain ? outGain : 1.0;
    double s1L = state[0].s1, s2L = state[0].s2, s1R = state[1].s1, s2R = state[1].s2;
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;
    for (int i = 0; i < n; ++i) {
        const float xl = in[0][i], xr = in[1][i];
        const double ul = xl + bias, ur = xr + bias;
        const double yl = static_cast<float>(gb0 * ul + s1L);
        const double yr = static_cast<float>(gb0 * ur + s1R);
        s1L = (b1 * ul - a1 * yl) * invA0 + s2L;
        s2L = (b2 * ul - a2 * yl) * invA0;
        s1R = (b1 * ur - a1 * yr) * invA0 + s2R;
        s2R = (b2 * ur - a2 * yr) * invA0;
        const float ol = static_cast<float>(yl * g), orr = static_cast<float>(yr * g);
        out[0][i] = ol;
        out[1][i] = orr;
        ip0 = PeakUpdate(ip0, xl);
        ip1 = PeakUpdate(ip1, xr);
        op0 = PeakUpdate(op0, ol);
        op1 = PeakUpdate(op1, orr);
    }
    state[0] = {s1L, s2L};
    state[1] = {s1R, s2R};
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(130, CMLVParametricEQDSP)

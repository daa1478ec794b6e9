#include "effects/drive/CMLVExciterDSP.h"
#include "effects/PeakUpdate.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVExciterDSP::CMLVExciterDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    // The resampler taps do not depend on the rate: designed once, here, never on the audio thread.
    for (Channel& c : ch)
        c.resampler.Design();
    BuildSections();
    Setup({"EC - Exciter", "EC", FourCC("ecu1")},
          {
              {kDrive, "Drive", "%", 0, 150, 1, 50, Linear},
              {kHarmonic1, "1st Harmonic", "%", 0, 100, 1, 50, Linear},
              {kHarmonic2, "2nd Harmonic", "%", 0, 100, 1, 50, Linear},
              {kHarmonic3, "3rd Harmonic", "%", 0, 100, 1, 50, Linear},
              {kFrequency, "Frequency", "Hz", 500, 10000, 1, 500, Logarithmic},
              {kMix, "Exciter Mix", "%", 0, 100, 1, 50, Linear},
              {kHarmonic4, "4nd Harmonic", "%", 0, 100, 1, 50, Linear},
              {kHarmonic5, "5nd Harmonic", "%", 0, 100, 1, 50, Linear},
              {kOversampling, "x5 Oversampling", {"Off", "On"}, 0, 1, 1, 0, List},
          },
          {
              {"Default", {50, 50, 50, 50, 500, 50, 50, 50, 0}},
              {"X Cabinet", {106.6f, 100, 0, 100, 2565, 61.7f, 0, 29, 0}},
              {"Fright Bender", {105.7f, 100, 42, 31, 3056, 26.1f, 18, 100, 0}},
              {"Loudster", {70.3f, 100, 38, 22, 1915, 23.1f, 37, 100, 1}},
              {"Warm Tube", {94.6f, 31, 100, 100, 1516, 50.6f, 50, 50, 1}},
          },
          CMLVFirstUpdate::FirstBlock);
}

void CMLVExciterDSP::BuildSections() {
    // Every section is designed at the base rate, the per-phase ones included.
    const float fs = float(sampleRate);
    for (Channel& c : ch) {
        auto make = [&](FilterSection& s, float f, bool secondOrder) {
            s = FilterSection{};
            s.SetSampleRate(fs);
            s.DesignHighPass(f, secondOrder);
            s.Clear();
        };
        for (FilterSection& s : c.band1)
            make(s, band, false);
        make(c.dc, 20.0f, true);
        for (FilterSection& s : c.band2)
            make(s, band, true);
        for (FilterSection& s : c.dc2)
            make(s, 20.0f, true);
    }
    lanes.Clear();
}

int CMLVExciterDSP::UpdateCoefficients(bool full) {
    drive = float(GetParameter(kDrive)->normalizedValue);
    const float h1 = float(GetParameter(kHarmonic1)->normalizedValue);
    const float h2 = float(GetParameter(kHarmonic2)->normalizedValue);
    const float h3 = float(GetParameter(kHarmonic3)->normalizedValue);
    const float h4 = float(GetParameter(kHarmonic4)->normalizedValue);
    const float h5 = float(GetParameter(kHarmonic5)->normalizedValue);
    band = float(GetParameter(kFrequency)->GetValue());
    mix = float(GetParameter(kMix)->normalizedValue);
    oversampling = static_cast<int>(GetParameter(kOversampling)->GetValue() + 0.5) != 0;

    // Chebyshev weighting: sum of h_n T_n(v) expanded into powers of v.
    const float c5 = 16.0f * h5;
    const float c4 = 8.0f * h4;
    const float c3 = (h3 - 0.3125f * c5) * 4.0f;
    const float c2 = (h2 - 0.5f * c4) * 2.0f;
    const float c1 = h1 - 0.75f * c3 - 0.62f * c5;
    c0 = (-c2 - 0.75f * c4) * 0.5f;
    poly = {c5, c4, c3, c2, c1};

    if (full) {
        BuildSections();
        Reset();
        fullUpdatePending = false;
    }
    for (Channel& c : ch) {
        for (FilterSection& s : c.band1)
            s.SetFrequency(band);
        for (FilterSection& s : c.band2)
            s.SetFrequency(band);
    }
    parametersChanged = false;
    return 0;
}

void CMLVExciterDSP::Reset() {
    for (Channel& c : ch) {
        for (FilterSection& s : c.band1)
            s.Clear();
        for (FilterSection& s : c.band2)
            s.Clear();
        for (FilterSection& s : c.dc2)
            s.Clear();
        c.dc.Clear();
    }
    lanes.Clear();
    c0s = 0.0f;
    c0p = c0;
}

template <int channels>
void CMLVExciterDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    float ip[2] = {0, 0}, op[2] = {0, 0};
    if (oversampling) {
        ProcessOversampled(in, out, ip, op, n, channels);
    } else {
        for (int i = 0; i < n; ++i) {
            const float x[2] = {in[0][i], in[1][i]};
            // A change of the constant term leaves only a short decaying pulse.
            c0s = FlushDenormal(0.001f * (c0 - c0p) + 0.99f * c0s);
            c0p = c0;
            for (int k = 0; k < channels; ++k) {
                Channel& c = ch[k];
                const float v = c.band1[1].Process(c.band1[0].Process(drive * x[k]));
                const float y = x[k] + mix * c.dc.Process(poly(v, c0s));
                out[k][i] = y;
                ip[k] = PeakUpdate(ip[k], x[k]);
                op[k] = PeakUpdate(op[k], y);
            }
        }
    }
    for (int k = 0; k < channels; ++k) {
        inPeak[k] = ip[k];
        outPeak[k] = op[k];
    }
}

int CMLVExciterDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    return WithActiveChannels([&](auto c) { Run<decltype(c)::value>(in, out, inPeak, outPeak, n); });
}

void CMLVExciterDSP::ProcessOversampled(float* in[2], float* out[2], float ip[2], float op[2], int n,
                                        int channels) {
    for (int k = 0; k < 2; ++k)
        lanes.Load(k, ch[k].band2, ch[k].dc2, ch[k].resampler);
    float c0Track[ExciterPhaseLanes::kChunk];
    for (int start = 0; start < n; start += ExciterPhaseLanes::kChunk) {
        const int m = std::min(ExciterPhaseLanes::kChunk, n - start);
        for (int i = 0; i < m; ++i) {
            c0s = FlushDenormal(0.001f * (c0 - c0p) + 0.99f * c0s);
            c0p = c0;
            c0Track[i] = c0s;
        }
        const float* x[2] = {in[0] + start, in[1] + start};
        float* y[2] = {out[0] + start, out[1] + start};
        lanes.Process(x, y, m, channels, poly, c0Track, drive, mix, ip, op);
    }
}

MLV_REGISTER_ALGORITHM(55, CMLVExciterDSP)

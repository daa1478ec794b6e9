#include "effects/modulation/CMLVReverbDSP.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVReverbDSP::CMLVReverbDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    const std::vector<std::string> modes{"Small Room", "Big Room", "Hall",  "Long Hall",
                                         "Spring",     "Verb",     "Tunnel"};
    // The buffers come with the preparation for audio.
    Setup({"RV - Reverb", "RV", FourCC("rvu1")},
          {
              {kMix, "Mix", "%", 0, 100, 1, 42, Linear},
              {kDecay, "Decay", "%", 0, 100, 1, 61, Linear},
              {kColor, "Color", "%", -100, 100, 1, 0, Linear},
              {kMode, "Mode", modes, 0, 6, 1, 0, List},
          },
          {
              {"Default", {42, 61, 0, 0}},
              {"On Stage", {42, 61, 0, 0}},
              {"Big room", {50, 83, 0, 1}},
              {"Hall", {26, 50, 0, 2}},
              {"Tunnel", {41, 50, 0, 6}},
              {"Concert hall", {40, 50, 0, 3}},
              {"Spring verb", {31, 61, -37, 4}},
              {"Clean Hi verb", {31, 50, 80, 3}},
              {"No Early", {31, 64, -7, 5}},
          },
          CMLVFirstUpdate::FirstBlock);
}

namespace {
int Scaled(int samplesAt44k, double sampleRate) {
    return std::max(1, static_cast<int>(samplesAt44k * sampleRate / 44100.0));
}
} // namespace

void CMLVReverbDSP::ClearEarlyAllpasses() {
    for (auto& b : earlyBuffer)
        std::fill(b.begin(), b.end(), 0.0f);
    earlyIndex = 0;
}

void CMLVReverbDSP::Reset() {
    std::fill(tapLine.begin(), tapLine.end(), 0.0f);
    for (auto& side : combs)
        for (Comb& c : side) {
            std::fill(c.buffer.begin(), c.buffer.end(), 0.0f);
            c.store = 0.0f;
        }
    for (auto& side : allpasses)
        for (Allpass& a : side)
            std::fill(a.buffer.begin(), a.buffer.end(), 0.0f);
    for (auto& b : earlyBuffer)
        std::fill(b.begin(), b.end(), 0.0f);
    // The filters' few samples of memory would otherwise replay the last input after a reset.
    inputHighPass.Clear();
    for (int c = 0; c < 2; ++c) {
        earlyShelf[c].Clear();
        lateShelf[c].Clear();
    }
}

void CMLVReverbDSP::PrepareForAudio() {
    SizeBuffers();
}

// Zeroed buffers at their scaled lengths; allocates only when the rate asks for more than they hold.
void CMLVReverbDSP::SizeBuffers() {
    const double fs = sampleRate;
    tapLine.assign(static_cast<size_t>(fs * 22050.0 / 44100.0) + 1, 0.0f);
    writeIndex = 0;
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 8; ++k) {
            Comb& cb = combs[c][k];
            cb.length = Scaled(kReverbCombLengths[k] + c * kReverbStereoSpread, fs);
            cb.buffer.assign(static_cast<size_t>(cb.length), 0.0f);
            cb.index = 0;
        }
        for (int k = 0; k < 4; ++k) {
            Allpass& ap = allpasses[c][k];
            ap.length = Scaled(kReverbAllpassLengths[k] + c * kReverbStereoSpread, fs);
            ap.buffer.assign(static_cast<size_t>(ap.length), 0.0f);
            ap.index = 0;
            ap.feedback = 0.5f;
        }
    }
    // The early all-passes get room for the longest room model now, so a mode change only clears.
    int longest = 0;
    for (const ReverbRoomRecord& r : kReverbRooms)
        longest = std::max(longest, Scaled(r.allpassLength, fs));
    for (auto& b : earlyBuffer)
        b.assign(static_cast<size_t>(longest), 0.0f);
}

int CMLVReverbDSP::UpdateCoefficients(bool full) {
    const double fs = sampleRate;
    if (full) {
        SizeBuffers();
        earlyLength = -1;
        inputHighPass.SetType(FilterSection::HighPass2);
        for (int c = 0; c < 2; ++c) {
            earlyShelf[c].SetType(FilterSection::HighShelf2);
            lateShelf[c].SetType(FilterSection::HighShelf2);
        }
        inputHighPass.SetSampleRate(static_cast<float>(fs));
        for (int c = 0; c < 2; ++c) {
            earlyShelf[c].SetSampleRate(static_cast<float>(fs));
            lateShelf[c].SetSampleRate(static_cast<float>(fs));
        }
        Reset();
    }

    const int modeIndex =
        std::clamp(static_cast<int>(GetParameter(kMode)->GetValue()), 0, kReverbModeCount - 1);
    const ReverbModeRecord& m = kReverbModes[modeIndex];
    const ReverbRoomRecord& r = kReverbRooms[std::clamp<int>(m.roomIndex, 0, kReverbRoomCount - 1)];
    const double mix = GetParameter(kMix)->GetValue();
    const double decay = GetParameter(kDecay)->GetValue() / 100.0;
    const double color = GetParameter(kColor)->GetValue();

    const int apLength = Scaled(r.allpassLength, fs);
    if (apLength != earlyLength) {
        earlyLength = std::min(apLength, static_cast<int>(earlyBuffer[0].size()));
        ClearEarlyAllpasses();
        earlyCoef[0] = static_cast<float>(r.allpassCoef[0] / 100.0);
        earlyCoef[1] = static_cast<float>(r.allpassCoef[1] / 100.0);
        earlyCoef[2] = static_cast<float>(r.allpassCoef[1] / 100.0);
        earlyCoef[3] = static_cast<float>(r.allpassCoef[0] / 100.0);
    }

    double wet;
    if (mix < 50.0) {
        dry = 1.0f;
        wet = mix / 50.0;
    } else {
        dry = static_cast<float>(1.0 - (mix - 50.0) / 50.0);
        wet = 1.0;
    }
    earlyGain = static_cast<float>(wet * std::pow(10.0, m.earlyLevel / 2000.0));
    const double lateGain = wet * std::pow(10.0, m.lateLevel / 2000.0) * 0.1;
    const double w = m.width / 100.0;
    wet1 = static_cast<float>(lateGain * (w / 2.0 + 0.5));
    wet2 = static_cast<float>(lateGain * (1.0 - w) / 2.0);

    // Taps keep their distance behind the write index from here on.
    const int L = static_cast<int>(tapLine.size());
    const double scale = (m.tapScaleMin + (m.tapScaleMax - m.tapScaleMin) * decay) * fs / 44100.0 / 100.0;
    auto behind = [&](double delay, int extra) {
        int idx = static_cast<int>(writeIndex - delay) + extra;
        if (idx < 0) idx += L;
        return std::clamp(idx, 0, L - 1);
    };
    for (int k = 0; k < 11; ++k) {
        tapIndexL[k] = behind(r.leftDelay[k] * scale, 1);
        tapIndexR[k] = behind(r.rightDelay[k] * scale, 1);
        tapGainL[k] = static_cast<float>(r.leftGain[k] / 100.0);
        tapGainR[k] = static_cast<float>(r.rightGain[k] / 100.0);
        crossL[k] = static_cast<float>((k == 0 ? 0.2661 : -0.2661) * tapGainL[k]);
        crossR[k] = static_cast<float>(0.2661 * tapGainR[k]);
    }
    lateIndex = behind((m.preDelayMin + (m.preDelayMax - m.preDelayMin) * decay) * fs / 44100.0, 0);

    const float feedback =
        static_cast<float>((m.feedbackMin + (m.feedbackMax - m.feedbackMin) * decay) / 1000.0);
    const float damp = static_cast<float>(m.damping / 100.0 * 0.4);
    for (auto& side : combs)
        for (Comb& c : side) {
            c.feedback = feedback;
            c.damp = damp;
            c.undamp = 1.0f - damp;
        }

    const float tilt = static_cast<float>(color * 9.0 / 100.0);
    inputHighPass.DesignHighPass(static_cast<float>(m.highPassHz), true);
    for (int c = 0; c < 2; ++c) {
        earlyShelf[c].DesignHighShelf(static_cast<float>(m.earlyShelfHz),
                                      static_cast<float>(m.earlyShelfGain / 10.0) + tilt, true);
        lateShelf[c].DesignHighShelf(static_cast<float>(m.lateShelfHz),
                                     static_cast<float>(m.lateShelfGain / 10.0) + tilt, true);
    }

    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

namespace {
constexpr int kChunk = 128;

// acc[i] += g * line[idx + i] and acc2[i] += c * line[idx + i] over n samples of a circular line;
// returns the advanced index.
int AccumulateTap(const float* line, int L, int idx, float g, float c, float* __restrict acc,
                  float* __restrict acc2, int n) {
    int done = 0;
    while (done < n) {
        const int seg = std::min(n - done, L - idx);
        const float* __restrict src = line + idx;
        float* __restrict a = acc + done;
        float* __restrict b = acc2 + done;
        for (int i = 0; i < seg; ++i) {
            a[i] += g * src[i];
            b[i] += c * src[i];
        }
        done += seg;
        idx += seg;
        if (idx == L) idx = 0;
    }
    return idx;
}

// Eight parallel damped combs on one input; their outputs summed into out.
void RunCombs(CMLVReverbDSP::Comb* combs, const float* in, float* out, int n) {
    float* buf[8];
    int idx[8], len[8];
    float st[8];
    for (int k = 0; k < 8; ++k) {
        buf[k] = combs[k].buffer.data();
        idx[k] = combs[k].index;
        len[k] = combs[k].length;
        st[k] = combs[k].store;
    }
    const float fb = combs[0].feedback, damp = combs[0].damp, undamp = combs[0].undamp;
    int pos = 0;
    while (pos < n) {
        // The longest run in which no comb wraps.
        int seg = n - pos;
        for (int k = 0; k < 8; ++k)
            seg = std::min(seg, len[k] - idx[k]);
        float* p[8];
        for (int k = 0; k < 8; ++k)
            p[k] = buf[k] + idx[k];
        for (int i = 0; i < seg; ++i) {
            const float x = in[pos + i];
            float sum = 0.0f;
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k) {
                const float y = p[k][i];
                st[k] = FlushDenormal(y * undamp + st[k] * damp);
                p[k][i] = x + st[k] * fb;
                sum += y;
            }
            out[pos + i] = sum;
        }
        for (int k = 0; k < 8; ++k) {
            idx[k] += seg;
            if (idx[k] == len[k]) idx[k] = 0;
        }
        pos += seg;
    }
    for (int k = 0; k < 8; ++k) {
        combs[k].index = idx[k];
        combs[k].store = st[k];
    }
}

// Four all-passes in series, in place.
void RunAllpasses(CMLVReverbDSP::Allpass* aps, float* x, int n) {
    for (int k = 0; k < 4; ++k) {
        CMLVReverbDSP::Allpass& ap = aps[k];
        float* buf = ap.buffer.data();
        const float fb = ap.feedback;
        int idx = ap.index;
        const int len = ap.length;
        for (int pos = 0; pos < n;) {
            const int seg = std::min(n - pos, len - idx);
            float* __restrict line = buf + idx;
            float* __restrict v = x + pos;
            for (int i = 0; i < seg; ++i) {
                const float b = line[i];
                const float in = v[i];
                line[i] = FlushDenormal(in + b * fb);
                v[i] = b - in;
            }
            pos += seg;
            idx += seg;
            if (idx == len) idx = 0;
        }
        ap.index = idx;
    }
}
} // namespace

int CMLVReverbDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n, true)) {
        // Switching on again must not bring back the old tail.
        if (wasProcessing) Reset();
        wasProcessing = false;
        return 0;
    }
    wasProcessing = true;

    float* tap = tapLine.data();
    const int L = static_cast<int>(tapLine.size());
    const int E = earlyLength;
    float* eA = earlyBuffer[0].data();
    float* eB = earlyBuffer[1].data();
    float* eC = earlyBuffer[2].data();
    float* eD = earlyBuffer[3].data();
    const float cA = earlyCoef[0], cB = earlyCoef[1], cC = earlyCoef[2], cD = earlyCoef[3];
    const float d = dry, ge = earlyGain, w1 = wet1, w2 = wet2;
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;

    // Stages run over chunks. Every tap lies at least one sample behind the write position and far
    // less than the line's length, so writing a chunk before reading it matches sample order.
    float AL[kChunk], BL[kChunk], AR[kChunk], CR[kChunk], lateIn[kChunk], lateL[kChunk], lateR[kChunk];
    for (int base = 0; base < n; base += kChunk) {
        const int m = std::min(kChunk, n - base);
        const float* xl = in[0] + base;
        const float* xr = in[1] + base;

        for (int i = 0; i < m; ++i) {
            tap[writeIndex] = FlushDenormal(inputHighPass.Process((xl[i] + xr[i]) * 0.5f));
            if (++writeIndex == L) writeIndex = 0;
        }

        std::fill_n(AL, m, 0.0f);
        std::fill_n(BL, m, 0.0f);
        std::fill_n(AR, m, 0.0f);
        std::fill_n(CR, m, 0.0f);
        for (int k = 0; k < 11; ++k) {
            tapIndexL[k] = AccumulateTap(tap, L, tapIndexL[k], tapGainL[k], crossL[k], AL, BL, m);
            tapIndexR[k] = AccumulateTap(tap, L, tapIndexR[k], tapGainR[k], crossR[k], AR, CR, m);
        }
        std::fill_n(lateIn, m, 0.0f);
        float unusedLate[kChunk];
        lateIndex = AccumulateTap(tap, L, lateIndex, 1.0f, 0.0f, lateIn, unusedLate, m);

        RunCombs(combs[0], lateIn, lateL, m);
        RunCombs(combs[1], lateIn, lateR, m);
        RunAllpasses(allpasses[0], lateL, m);
        RunAllpasses(allpasses[1], lateR, m);

        float* yl = out[0] + base;
        float* yr = out[1] + base;
        for (int i = 0; i < m; ++i) {
            const float sA = eA[earlyIndex], sB = eB[earlyIndex], sC = eC[earlyIndex], sD = eD[earlyIndex];
            const float yA = cA * AL[i] + sA, yB = cB * BL[i] + sB, yC = cC * CR[i] + sC,
                        yD = cD * AR[i] + sD;
            eA[earlyIndex] = FlushDenormal(AL[i] - cA * yA);
            eB[earlyIndex] = FlushDenormal(BL[i] - cB * yB);
            eC[earlyIndex] = FlushDenormal(CR[i] - cC * yC);
            eD[earlyIndex] = FlushDenormal(AR[i] - cD * yD);
            if (++earlyIndex >= E) earlyIndex = 0;
            const float earlyL = yA + sC, earlyR = yD + sB;

            const float l = xl[i], r = xr[i];
            const float ol = d * l + lateShelf[0].Process(w1 * lateL[i] + w2 * lateR[i]) +
                             earlyShelf[0].Process(ge * earlyL);
            const float orr = d * r + lateShelf[1].Process(w1 * lateR[i] + w2 * lateL[i]) +
                              earlyShelf[1].Process(ge * earlyR);
            ip0 = std::max(ip0, std::fabs(l));
            ip1 = std::max(ip1, std::fabs(r));
            op0 = std::max(op0, std::fabs(ol));
            op1 = std::max(op1, std::fabs(orr));
            yl[i] = ol;
            yr[i] = orr;
        }
    }
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(155, CMLVReverbDSP)

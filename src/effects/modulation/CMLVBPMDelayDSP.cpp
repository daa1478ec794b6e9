#include "effects/modulation/CMLVBPMDelayDSP.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {
constexpr double kSlowestTempoBpm = 20.0;

// Recirculated echoes decay geometrically; stop them before they turn subnormal.
inline float Flush(float v) {
    return std::fabs(v) < 1e-30f ? 0.0f : v;
}
} // namespace

CMLVBPMDelayDSP::CMLVBPMDelayDSP(double sampleRate_, int maxBlockSize_)
    : CMLVBPMParRelations(sampleRate_, maxBlockSize_), holdStateLabels{"Normal", "Bypassing", "Sampling",
                                                                       "Playing"} {
    // The lines come with the preparation for audio.
    Setup({"BD - BPM Delay", "BD", FourCC("bdu1")},
          SyncMultiplier::WithSyncAndTap(
              {
                  {kEffectLevel, "Effect Level", "%", 0, 100, 1, 50, Linear},
                  {kTempo, "Tempo", "BPM", 20, 1200, 1, 160, Linear},
                  {kDecay, "Decay", "s", 0.02, 20, 1, 1.62, Logarithmic},
                  {kStereo, "Stereo", "", 0, 100, 1, 50, Linear},
                  {kMode, "Mode", {"Mono", "Stereo"}, 0, 1, 1, 0, List},
              },
              kSyncCoeff),
          {
              {"Default", {50, 160, 1.62f, 50, 0, 0, 0}},
              {"U2 Rhythm", {36, 160, 0.1f, 50, 0, 0, 0}},
              {"Slow solo", {23, 160, 0.1f, -18, 0, 0, 0}},
              {"Double sound", {54, 1200, 0.02f, 50, 0, 0, 0}},
              {"Hold on", {57, 100, 20.01f, 50, 0, 0, 0}},
          },
          CMLVFirstUpdate::FirstBlock);
}

void CMLVBPMDelayDSP::SetHoldState(float state) {
    const int s = static_cast<int>(state);
    holdState.store(s, std::memory_order_release);
    if (s == Sampling) clearPending.store(true, std::memory_order_release);
    bypassed = (s == Bypassing);
}

void CMLVBPMDelayDSP::Reset() {
    clearPending.store(true, std::memory_order_release);
}

void CMLVBPMDelayDSP::ClearLines() {
    if (allocationFailed) return;
    const size_t used = static_cast<size_t>(std::min(capacity, physicalBeat));
    for (int c = 0; c < 2; ++c) {
        std::fill_n(lineA[c].begin(), used, 0.0f);
        std::fill_n(lineB[c].begin(), used, 0.0f);
        std::fill_n(lineC[c].begin(), 2 * used, 0.0f);
    }
}

void CMLVBPMDelayDSP::PrepareForAudio() {
    SizeLines();
}

// Zeroed lines for the slowest tempo; allocates only when the rate asks for more than they hold.
void CMLVBPMDelayDSP::SizeLines() {
    physicalBeat = static_cast<int>(sampleRate * 60.0 / kSlowestTempoBpm);
    allocationFailed = false;
    try {
        for (int c = 0; c < 2; ++c) {
            lineA[c].assign(static_cast<size_t>(physicalBeat), 0.0f);
            lineB[c].assign(static_cast<size_t>(physicalBeat), 0.0f);
            lineC[c].assign(2 * static_cast<size_t>(physicalBeat), 0.0f);
        }
    } catch (const std::bad_alloc&) {
        allocationFailed = true;
        for (int c = 0; c < 2; ++c) {
            std::vector<float>().swap(lineA[c]);
            std::vector<float>().swap(lineB[c]);
            std::vector<float>().swap(lineC[c]);
        }
    }
}

int CMLVBPMDelayDSP::UpdateCoefficients(bool full) {
    const CMLVParameter* tempoParam = GetParameter(kTempo);
    const double ownTempo = tempoParam->GetValue();
    double t = SyncMultiplier::Tempo(GetParameter(kSyncCoeff)->GetValue(), tempo, ownTempo);
    // Tapped or host tempi can fall outside the knob's range; the slowest tempo bounds the memory.
    if (!(t >= kSlowestTempoBpm)) t = kSlowestTempoBpm;

    const int b = static_cast<int>(sampleRate * 60.0 / t);
    // At the top of the range the delay turns into a 20 ms room effect.
    const int n = t == 1200.0 ? static_cast<int>(sampleRate * 60.0) / 3000 : b;
    const bool inside = ownTempo > tempoParam->minValue && ownTempo < tempoParam->maxValue;

    if (full) SizeLines();
    if (full || n > capacity || n < minBeat || inside != wideCapacity) {
        // New capacity: wide inside the knob's open range so tempo moves do not restart the echoes.
        if (inside) {
            capacity = 6 * b;
            minBeat = b / 12;
        } else {
            capacity = 2 * b;
            minBeat = b / 2;
        }
        wideCapacity = inside;
        ClearLines();
    }
    beatLength = std::max(1, std::min(n, physicalBeat));
    indexA %= beatLength;
    indexC %= 2 * beatLength;

    const double level = GetParameter(kEffectLevel)->GetValue() / 100.0 * 0.5;

    const CMLVParameter* decay = GetParameter(kDecay);
    if (decay->GetValue() >= decay->maxValue) {
        feedback = 1.0f; // endless
    } else {
        // Decay counted in two-beat periods: each recirculation loses 60 dB / r.
        const double r = decay->GetValue() / (2.0 * beatLength / sampleRate);
        feedback = r >= 1.0 ? static_cast<float>(std::pow(10.0, -60.0 / r / 20.0)) : 0.0f;
    }

    const double S = GetParameter(kStereo)->GetValue();
    const double sMax = GetParameter(kStereo)->maxValue;
    stereoMode = GetParameter(kMode)->GetValue() != 0.0;
    double d1, d2, d3 = 0.0, d4 = 0.0;
    if (stereoMode) {
        d1 = (sMax - S) / (2.0 * sMax);
        d2 = 1.0 - d1;
        d3 = (S + sMax) / (2.0 * sMax);
        d4 = 1.0 - d3;
    } else if (S >= 47.0 && S <= 53.0) {
        d1 = d2 = 0.5; // balance centred
    } else {
        d2 = S / 100.0;
        d1 = 1.0 - d2;
    }
    g1 = static_cast<float>(d1 * level);
    g2 = static_cast<float>(d2 * level);
    g3 = static_cast<float>(d3 * level);
    g4 = static_cast<float>(d4 * level);

    parametersChanged = false;
    fullUpdatePending = false;
    return allocationFailed ? 1 : 0;
}

int CMLVBPMDelayDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const int hold = holdState.load(std::memory_order_acquire);
    const bool bypassCopied = BeginBlock(in, out, inPeak, outPeak, n, true);
    if (bypassCopied || hold == Bypassing || allocationFailed) {
        if (!bypassCopied) {
            for (int c = 0; c < 2; ++c) {
                inPeak[c] = outPeak[c] = Peak(in[c], n, 0.0f);
                if (out[c] != in[c] && n > 0)
                    std::memmove(out[c], in[c], sizeof(float) * static_cast<size_t>(n));
            }
        }
        // The echoes restart empty when processing resumes.
        if (wasProcessing) clearPending.store(true, std::memory_order_release);
        wasProcessing = false;
        return 0;
    }
    if (clearPending.exchange(false, std::memory_order_acq_rel)) ClearLines();
    wasProcessing = true;

    const int N = beatLength, N2 = 2 * beatLength;
    int i = indexA, j = indexC;
    const float fb = feedback, d = dry;
    const float c1 = g1, c2 = g2, c3 = g3, c4 = g4;
    float* A0 = lineA[0].data();
    float* A1 = lineA[1].data();
    float* B0 = lineB[0].data();
    float* B1 = lineB[1].data();
    float* C0 = lineC[0].data();
    float* C1 = lineC[1].data();
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;
    for (int k = 0; k < n; ++k) {
        const float xl = in[0][k], xr = in[1][k];
        const float aL = A0[i], bL = B0[i], cL = C0[j];
        const float aR = A1[i], bR = B1[i], cR = C1[j];
        float wAL = Flush(fb * bL), wCL = Flush(fb * cL);
        float wAR = Flush(fb * bR), wCR = Flush(fb * cR);
        if (hold == Normal) {
            wAL += xl;
            wCL += xl;
            wAR += xr;
            wCR += xr;
        } else if (hold == Sampling) {
            wAL = wCL = xl;
            wAR = wCR = xr;
        }
        A0[i] = wAL;
        B0[i] = aL;
        C0[j] = wCL;
        A1[i] = wAR;
        B1[i] = aR;
        C1[j] = wCR;
        float yl, yr;
        if (stereoMode) {
            yl = d * xl + c1 * (aL + aR) + c3 * (cL + cR);
            yr = d * xr + c2 * (aL + aR) + c4 * (cL + cR);
        } else {
            const float sum = aL + cL + aR + cR;
            yl = d * xl + c1 * sum;
            yr = d * xr + c2 * sum;
        }
        out[0][k] = yl;
        out[1][k] = yr;
        if (++i >= N) i = 0;
        if (++j >= N2) j = 0;
        ip0 = std::max(ip0, std::fabs(xl));
        ip1 = std::max(ip1, std::fabs(xr));
        op0 = std::max(op0, std::fabs(yl));
        op1 = std::max(op1, std::fabs(yr));
    }
    indexA = i;
    indexC = j;
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(20, CMLVBPMDelayDSP)

#include "effects/modulation/CMLVOctaverDSP.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVOctaverDSP::CMLVOctaverDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    // The shifters and their plans come with the preparation for audio, on the main thread.
    Setup({"OT - Octaver", "OT", FourCC("otu1")},
          {
              {kCleanSignalLevel, "Clean Signal Level", "%", 0, 100, 1, 50, Linear},
              {kLowerOctaveLevel, "Lower Octave Level", "%", 0, 100, 1, 50, Linear},
              {kUpperOctaveLevel, "Upper Octave Level", "%", 0, 100, 1, 50, Linear},
          },
          {
              {"Default", {50, 50, 50}},
              {"Under Stand", {0, 100, 0}},
              {"Stand Up", {0, 0, 56}},
              {"Where Is", {0, 50, 50}},
              {"There Is", {100, 50, 50}},
          },
          CMLVFirstUpdate::FirstBlock);
}

void CMLVOctaverDSP::PrepareForAudio() {
    Build();
}

void CMLVOctaverDSP::Build() {
    const int rate = static_cast<int>(sampleRate);
    const int block = std::max(maxBlockSize, 1);
    if (!down || rate != builtRate) {
        down = std::make_unique<PitchShifter>(rate, kOverlap, -12.0);
        up = std::make_unique<PitchShifter>(rate, kOverlap, 12.0);
        builtRate = rate;
        inStep = true;
    }
    if (block != builtBlock) {
        sum.assign(static_cast<size_t>(block), 0.0f);
        lowBuf.assign(static_cast<size_t>(block), 0.0f);
        highBuf.assign(static_cast<size_t>(block), 0.0f);
        builtBlock = block;
    }
}

int CMLVOctaverDSP::UpdateCoefficients(bool full) {
    // The levels are the knobs' normalised positions.
    clean = static_cast<float>(GetParameter(kCleanSignalLevel)->normalizedValue);
    lower = static_cast<float>(GetParameter(kLowerOctaveLevel)->normalizedValue);
    upper = static_cast<float>(GetParameter(kUpperOctaveLevel)->normalizedValue);
    if (full) {
        Build();
        std::fill(sum.begin(), sum.end(), 0.0f);
        std::fill(lowBuf.begin(), lowBuf.end(), 0.0f);
        std::fill(highBuf.begin(), highBuf.end(), 0.0f);
        Reset();
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVOctaverDSP::Reset() {
    resetPending = true;
}

int CMLVOctaverDSP::VoiceDelay() const {
    return down ? down->GetLatency() : 0;
}

int CMLVOctaverDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n, true)) return 0;
    if (resetPending) {
        down->Reset();
        up->Reset();
        resetPending = false;
        inStep = true;
    }
    const float c = clean, lo = lower, hi = upper;
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;
    const int chunk = builtBlock;
    for (int start = 0; start < n; start += chunk) {
        const int m = std::min(chunk, n - start);
        const float* inL = in[0] + start;
        const float* inR = in[1] + start;
        float* outL = out[0] + start;
        float* outR = out[1] + start;
        for (int i = 0; i < m; ++i)
            sum[i] = inL[i] + inR[i];
        if (lo > 0.0f && hi > 0.0f && inStep) {
            PitchShifter::ProcessInStep(*down, *up, sum.data(), lowBuf.data(), highBuf.data(), m);
        } else {
            if (lo > 0.0f)
                down->Process(sum.data(), lowBuf.data(), m);
            else
                std::fill(lowBuf.begin(), lowBuf.begin() + m, 0.0f);
            if (hi > 0.0f)
                up->Process(sum.data(), highBuf.data(), m);
            else
                std::fill(highBuf.begin(), highBuf.begin() + m, 0.0f);
            // One shifter fed without the other: their analyses part until the next reset.
            if ((lo > 0.0f) != (hi > 0.0f)) inStep = false;
        }
        for (int i = 0; i < m; ++i) {
            const float xl = inL[i], xr = inR[i];
            const float oct = hi * highBuf[i] + lo * lowBuf[i];
            const float yl = c * xl + oct, yr = c * xr + oct;
            outL[i] = yl;
            outR[i] = yr;
            ip0 = std::max(ip0, std::fabs(xl));
            ip1 = std::max(ip1, std::fabs(xr));
            op0 = std::max(op0, std::fabs(yl));
            op1 = std::max(op1, std::fabs(yr));
        }
    }
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(120, CMLVOctaverDSP)

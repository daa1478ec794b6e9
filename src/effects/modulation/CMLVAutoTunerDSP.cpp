#include "effects/modulation/CMLVAutoTunerDSP.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

namespace {
const CMLVReadout kReadouts[] = {
    {"frequency", "Frequency", "Hz", 0.0f, 20000.0f},
    {"note", "Note", "", -1.0f, 127.0f},
    {"cents", "Cents", "cent", -100.0f, 100.0f},
    {"deviation", "Deviation", "", -50.0f, 50.0f},
};
} // namespace

CMLVAutoTunerDSP::CMLVAutoTunerDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    // The tracker and its plans come with the preparation for audio, on the main thread.
    Setup({"AT - Auto Tuner", "AT", FourCC("atu1")},
          {
              {kA4, "A4", "Hz", 340, 500, 1, 440, Linear},
              {kToneFrequency, "Tone Frequency", "Hz", 20, 20000, 1, 440, Linear},
          },
          {{"Default", {440, 440}}}, CMLVFirstUpdate::FirstBlock);
}

void CMLVAutoTunerDSP::PrepareForAudio() {
    UpdateCoefficients(true);
    // The first block still starts the tracker afresh, now without allocating.
    fullUpdatePending = true;
}

int CMLVAutoTunerDSP::UpdateCoefficients(bool full) {
    if (full) {
        const int rate = static_cast<int>(sampleRate);
        if (!tracker || rate != builtRate) {
            tracker = std::make_unique<PitchTracker>(PitchTracker::kFrameLength, rate);
            builtRate = rate;
        } else {
            tracker->Clear();
        }
        frame.assign(PitchTracker::kFrameLength, 0.0f);
        writeIndex = 0;
        frequency = 0.0f;
        deviation = 0.0f;
        cents = 0.0f;
        lastEstimate = 0.0f;
        noteIndex = kNoNote;
        analyses = 0;
        Reset();
    }
    if (tracker) tracker->SetReference(GetParameter(kA4)->GetValue());
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVAutoTunerDSP::Reset() {
    std::fill(frame.begin(), frame.end(), 0.0f);
}

void CMLVAutoTunerDSP::Analyse() {
    const float f = tracker->Analyse(frame.data());
    frequency.store(f, std::memory_order_relaxed);
    lastEstimate.store(tracker->GetRawFrequency(), std::memory_order_relaxed);
    GetParameter(kToneFrequency)->SetValue(f);
    if (tracker->HasNote()) {
        const int n = tracker->GetNoteIndex();
        const double ref = tracker->GetBaseFrequency() * std::pow(2.0, n / 12.0);
        deviation.store(tracker->GetDeviation(), std::memory_order_relaxed);
        cents.store(static_cast<float>(1200.0 * std::log2(f / ref)), std::memory_order_relaxed);
        noteIndex.store(n, std::memory_order_relaxed);
    }
    analyses.fetch_add(1, std::memory_order_relaxed);
    writeIndex = 0;
}

int CMLVAutoTunerDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2],
                              int numSamples) {
    const int last = PitchTracker::kFrameLength - 1;
    return RunFrame(in, out, inPeak, outPeak, numSamples, [this, last](auto, const float* x, float* y) {
        y[0] = x[0];
        y[1] = x[1];
        frame[writeIndex++] = x[0] + x[1];
        if (writeIndex >= last) Analyse();
    });
}

std::string CMLVAutoTunerDSP::GetNoteName() const {
    const int n = GetNoteIndex();
    if (n == kNoNote) return std::string();
    char text[8];
    PitchTracker::FormatNoteName(n, text);
    return text;
}

int CMLVAutoTunerDSP::GetReadoutCount() const {
    return static_cast<int>(std::size(kReadouts));
}

const CMLVReadout* CMLVAutoTunerDSP::GetReadoutInfo(int index) const {
    return index >= 0 && index < GetReadoutCount() ? &kReadouts[index] : nullptr;
}

float CMLVAutoTunerDSP::GetReadoutValue(int index) const {
    switch (index) {
    case 0:
        return GetFrequency();
    case 1:
        return GetNoteIndex() == kNoNote ? -1.0f : static_cast<float>(GetNoteIndex());
    case 2:
        return GetCents();
    case 3:
        return GetDeviation();
    default:
        return 0.0f;
    }
}

MLV_REGISTER_ALGORITHM(10, CMLVAutoTunerDSP)

#include "effects/modulation/TuneAnalysis.h"
#include "effects/modulation/CMLVAutoTunerDSP.h"
#include <algorithm>
#include <cstdio>

namespace {
constexpr int kBlock = PitchTracker::kFrameLength - 1; // one analysis per block
}

std::vector<TuneReading> AnalyseTuning(const float* const* channels, int numChannels, long numFrames,
                                       double sampleRate, double a4) {
    std::vector<TuneReading> readings;
    if (numChannels < 1 || numFrames <= 0 || sampleRate <= 0) return readings;
    CMLVAutoTunerDSP tuner(sampleRate, kBlock);
    CMLVParameter* reference = tuner.GetParameter(CMLVAutoTunerDSP::kA4);
    reference->SetValue(std::clamp(a4, reference->minValue, reference->maxValue));
    tuner.fullUpdatePending = true;

    std::vector<float> silent(kBlock, 0.0f), outL(kBlock), outR(kBlock);
    long analyses = 0;
    for (long start = 0; start < numFrames; start += kBlock) {
        const int n = static_cast<int>(std::min<long>(kBlock, numFrames - start));
        float* in[2] = {const_cast<float*>(channels[0]) + start,
                        numChannels > 1 ? const_cast<float*>(channels[1]) + start : silent.data()};
        float* out[2] = {outL.data(), outR.data()};
        float inPeak[2], outPeak[2];
        tuner.Process(in, out, inPeak, outPeak, n);
        if (tuner.GetAnalysisCount() == analyses) continue;
        analyses = tuner.GetAnalysisCount();
        TuneReading r;
        r.time = static_cast<double>(start + n) / sampleRate;
        r.pitched = tuner.GetLastEstimate() != 0.0f;
        r.frequency = tuner.GetFrequency();
        r.note = tuner.GetNoteName();
        r.noteIndex = tuner.GetNoteIndex();
        r.cents = tuner.GetCents();
        r.deviation = tuner.GetDeviation();
        readings.push_back(r);
    }
    return readings;
}

std::vector<TuneReading> AnalyseTuningInterleaved(const float* samples, int numChannels, long numFrames,
                                                  double sampleRate, double a4) {
    if (numChannels < 1 || numFrames <= 0) return {};
    const int used = std::min(numChannels, 2);
    std::vector<std::vector<float>> planar(static_cast<size_t>(used),
                                           std::vector<float>(static_cast<size_t>(numFrames)));
    for (long i = 0; i < numFrames; ++i)
        for (int c = 0; c < used; ++c)
            planar[c][i] = samples[i * numChannels + c];
    const float* ptrs[2] = {planar[0].data(), used > 1 ? planar[1].data() : nullptr};
    return AnalyseTuning(ptrs, used, numFrames, sampleRate, a4);
}

extern "C" long MLVAnalyseTuning(const float* const* channels, int numChannels, long numFrames,
                                 double sampleRate, double a4, MLVTuneReading* readings, long maxReadings) {
    const std::vector<TuneReading> all = AnalyseTuning(channels, numChannels, numFrames, sampleRate, a4);
    for (long i = 0; i < static_cast<long>(all.size()) && i < maxReadings && readings; ++i) {
        const TuneReading& r = all[static_cast<size_t>(i)];
        MLVTuneReading& c = readings[i];
        c.time = r.time;
        c.pitched = r.pitched ? 1 : 0;
        c.frequency = r.frequency;
        c.noteIndex = r.noteIndex;
        c.cents = r.cents;
        c.deviation = r.deviation;
        std::snprintf(c.note, sizeof c.note, "%s", r.note.c_str());
    }
    return static_cast<long>(all.size());
}

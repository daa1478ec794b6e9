#pragma once
#include "params/CMLVParRelations.h"
#include <cstdint>

// One filter of a cabinet model: Butterworth high- or low-pass at f, or a peak of g dB with quality q.
struct SpeakerSection {
    enum Kind : unsigned char { None = 0, HighPass, LowPass, Peak };
    Kind kind;
    float f, g, q;
};
constexpr SpeakerSection HP(float f) {
    return {SpeakerSection::HighPass, f, 0, 0};
}
constexpr SpeakerSection LP(float f) {
    return {SpeakerSection::LowPass, f, 0, 0};
}
constexpr SpeakerSection PK(float f, float g, float q) {
    return {SpeakerSection::Peak, f, g, q};
}

// A cabinet-and-microphone model: a cascade of sections, an optional third-order Butterworth low-pass
// (0 = none) and an optional horn path fed from the cabinet path and added back at hornLevel.
struct SpeakerModel {
    const char* label;
    float gain;
    float lowPass3;
    SpeakerSection main[20];
    SpeakerSection horn[11];
};

// One channel: up to 31 sections {g, b1, b2, a1, a2}; unused sections stay pass-through and are skipped.
struct SpeakerStage {
    static constexpr int kMain = 20, kMaxSections = 31;
    float sampleRate = 48000.0f;
    int model = -1;
    int sections = kMain;
    int hornSections = 0;
    float hornLevel = 1.4f;
    float coef[kMaxSections][5];
    float s1[kMaxSections], s2[kMaxSections];
    float modelGain = 1.0f;
    float volume = 0.0f;
    // Sections actually filled, in processing order, for the main and the horn path.
    int mainUsed[kMain], mainCount = 0;
    int hornUsed[kMaxSections - kMain], hornCount = 0;
    const SpeakerModel* models = nullptr;
    int modelCount = 0;
    int modelLimit = 0; // set model accepts indices below this

    void Init(const SpeakerModel* table, int count, int limit, bool bass);
    void SetSampleRate(float fs);
    void SetModel(int index);
    void Design();
    void ClearState();
};

// The speaker simulators share everything but their model tables.
class CMLVSpeakerSimulatorDSP : public CMLVParRelations {
  public:
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // Any thread. Readout 0: 1 while the host rate is below 44.1 kHz and the signal passes through
    // unprocessed.
    int GetReadoutCount() const override { return 1; }
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;
    bool PassesThroughAtLowRate() const { return lowRate; }

    // Main thread: the stage of a channel, for displays and tests.
    const SpeakerStage& Stage(int channel) const { return stage[channel]; }
    // Main thread, for tests: the SSE lanes even where AVX2 is available.
    void UseNarrowLanes() { wide = false; }

    enum Parameter : int { kVolume = 2, kSpeakerType };

  protected:
    // Main thread. The default model is that of the first preset.
    CMLVSpeakerSimulatorDSP(double sampleRate, int maxBlockSize, const CMLVEffectIdentity& identity,
                            const SpeakerModel* models, int count, bool bass,
                            const CMLVPresetTable& factoryPresets);

  private:
    // The cascade (main path, then horn) laid out on an eight-lane vector per channel, `slots` sections
    // per lane, lane after lane. Each step moves every sample on: with `Skew` each section is one sample
    // behind the one before it, so no section waits for another within a step and the steps cost the
    // recursion of one section; without it the sections of a lane work on one sample, one after another,
    // which fills and drains in fewer steps for short blocks. Each section still sees the same samples in
    // the same order; the empty slots lead their lanes and pass the value on.
    // The numbers as plain floats: AVX2 machines load them into one register, others into two.
    static constexpr int kLanes = 8, kMaxSlots = 4;
    struct PackedSection {
        float g[kLanes], b1[kLanes], b2[kLanes], a1[kLanes], a2[kLanes];
    };
    struct Pipeline {
        int slots = 1;
        int mainLane = -1;               // with a horn: the lane whose last slot ends the main path
        PackedSection sec[2][kMaxSlots]; // per channel: each stage's own numbers, zero where empty
        int32_t used[kMaxSlots][kLanes]; // -1 where a lane has a section at this slot
        bool gapsAfterFirst = false;     // a lane has no section at a slot other than the first
        int section[kMaxSlots][kLanes];  // the stage section of a slot and lane, -1 for none
    };
    void Pack();
    // Set model accepts model indices below this.
    int ModelLimit() const { return bass ? 7 : 16; }
    // Audio thread: channel c, with eight lanes in one AVX register or in two SSE registers.
    void RunWide(int c, const float* in, float* out, float& inPeak, float& outPeak, int n);
    void RunNarrow(int c, const float* in, float* out, float& inPeak, float& outPeak, int n);
    template <class T>
    void RunSlots(int c, const float* in, float* out, float& inPeak, float& outPeak, int n);
    template <class T, int S, bool Skew>
    void RunChannel(int c, const float* in, float* out, float& inPeak, float& outPeak, int n);

    Pipeline pipeline;
    bool wide; // the machine has AVX2
    const SpeakerModel* models;
    int modelCount;
    bool bass;
    bool lowRate = false;
    SpeakerStage stage[2];
};

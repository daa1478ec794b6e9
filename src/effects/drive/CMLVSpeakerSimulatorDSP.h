#pragma once
#include "params/CMLVParRelations.h"

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

    enum Parameter : int { kVolume = 2, kSpeakerType };

  protected:
    // Main thread. The default model is that of the first preset.
    CMLVSpeakerSimulatorDSP(double sampleRate, int maxBlockSize, const CMLVEffectIdentity& identity,
                            const SpeakerModel* models, int count, bool bass,
                            const CMLVPresetTable& factoryPresets);

  private:
    // The cascade (main path, then horn) cut into four segments that run side by side in the four lanes
    // of one vector per channel: lane p holds segment p, one sample behind segment p - 1. Each section
    // still sees the same samples in the same order; the lanes only overlap work that used to run one
    // after another, and the channels' vectors run interleaved.
    typedef float Lanes __attribute__((vector_size(16)));
    typedef int LaneMask __attribute__((vector_size(16)));
    struct PackedSection {
        Lanes g, b1, b2, a1, a2;
    };
    struct Pipeline {
        int slots = 0;
        PackedSection sec[2][SpeakerStage::kMaxSections]; // per channel: each stage's own numbers
        LaneMask live[SpeakerStage::kMaxSections];        // lanes whose segment has a section at this slot
        LaneMask takeMain[SpeakerStage::kMaxSections];    // lanes that leave the main path before this slot
        bool partial[SpeakerStage::kMaxSections];         // live is not all lanes
        bool take[SpeakerStage::kMaxSections];            // takeMain has a lane
        int section[4][SpeakerStage::kMaxSections];       // the stage section of a lane and slot, -1 for none
    };
    void Pack();
    // Set model accepts model indices below this.
    int ModelLimit() const { return bass ? 7 : 16; }
    template <int C> void Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);

    Pipeline pipeline;
    int packedMain = 0, packedHorn = 0;
    const SpeakerModel* models;
    int modelCount;
    bool bass;
    bool lowRate = false;
    SpeakerStage stage[2];
};

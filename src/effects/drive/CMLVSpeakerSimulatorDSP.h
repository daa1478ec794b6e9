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

  protected:
    // Main thread.
    CMLVSpeakerSimulatorDSP(double sampleRate, int maxBlockSize, const SpeakerModel* models, int count,
                            bool bass, int defaultModel);

  private:
    // Both channels side by side in one vector per section, in processing order (main, then horn).
    typedef float Lanes __attribute__((vector_size(16)));
    struct PackedSection {
        Lanes g, b1, b2, a1, a2;
    };
    void Pack();

    PackedSection packed[SpeakerStage::kMaxSections];
    int packedIndex[SpeakerStage::kMaxSections] = {};
    int packedMain = 0, packedHorn = 0;
    const SpeakerModel* models;
    int modelCount;
    bool bass;
    bool lowRate = false;
    SpeakerStage stage[2];
};

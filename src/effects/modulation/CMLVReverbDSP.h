#pragma once
#include "effects/drive/FilterSection.h"
#include "effects/modulation/ReverbTables.h"
#include "params/CMLVParRelations.h"
#include <vector>

// Table-driven stereo reverb: a tapped delay line with two all-passes per side for the early
// reflections, eight damped combs and four all-passes per side for the tail, an input high-pass and
// high shelves on both outputs through which "Color" tilts the sound.
class CMLVReverbDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVReverbDSP(double sampleRate, int maxBlockSize);

    enum Parameter : int { kMix = 2, kDecay, kColor, kMode };
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread. A full update sizes every buffer for the sample rate.
    int UpdateCoefficients(bool full) override;
    // Main thread.
    void PrepareForAudio() override;
    // Audio thread.
    void Reset() override;

    // Length in samples of comb k (0..7) of a channel, for inspection.
    int CombLength(int channel, int k) const { return combs[channel][k].length; }
    int TapLineLength() const { return static_cast<int>(tapLine.size()); }

    struct Comb {
        float feedback = 0.0f, store = 0.0f, damp = 0.0f, undamp = 1.0f;
        std::vector<float> buffer;
        int length = 0, index = 0;
    };
    struct Allpass {
        float feedback = 0.5f;
        std::vector<float> buffer;
        int length = 0, index = 0;
    };

  private:
    void SizeBuffers();
    void ClearEarlyAllpasses();

    std::vector<float> tapLine;
    int writeIndex = 0;
    int tapIndexL[11] = {}, tapIndexR[11] = {};
    float tapGainL[11] = {}, tapGainR[11] = {};
    float crossL[11] = {}, crossR[11] = {};
    int lateIndex = 0;

    // Early all-passes A, B (left sums) and C, D (right sums); they share one length and index.
    std::vector<float> earlyBuffer[4];
    float earlyCoef[4] = {};
    int earlyLength = -1, earlyIndex = 0;

    Comb combs[2][8];
    Allpass allpasses[2][4];
    FilterSection inputHighPass, earlyShelf[2], lateShelf[2];

    float dry = 1.0f, earlyGain = 0.0f, wet1 = 0.0f, wet2 = 0.0f;
    bool wasProcessing = false;
};

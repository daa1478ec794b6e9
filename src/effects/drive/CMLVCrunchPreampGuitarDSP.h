#pragma once
#include "effects/drive/GuitarPreampStages.h"
#include "params/CMLVParRelations.h"

// Crunch preamp: three clipping stages with a mid boost after the first.
class CMLVCrunchPreampGuitarDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVCrunchPreampGuitarDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    enum Parameter : int { kGain = 2, kMidBoost, kOutput };

  private:
    CrunchPreampStage stage[2];
};

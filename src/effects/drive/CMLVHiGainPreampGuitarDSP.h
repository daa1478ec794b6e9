#pragma once
#include "effects/drive/GuitarPreampStages.h"
#include "params/CMLVParRelations.h"

// High-gain preamp: variable low cut ahead of three clipping stages.
class CMLVHiGainPreampGuitarDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVHiGainPreampGuitarDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    enum Parameter : int { kGain = 2, kLowCut, kOutput };

  private:
    HiGainPreampStage stage[2];
};

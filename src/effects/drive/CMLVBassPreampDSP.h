#pragma once
#include "effects/drive/BassPreampStage.h"
#include "params/CMLVParRelations.h"

// Two-valve bass preamp with "Ultra Low" and "Ultra High" voicing switches.
class CMLVBassPreampDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVBassPreampDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    const BassPreampStage& Stage(int channel) const { return stage[channel]; }

    enum Parameter : int { kGain = 2, kUltraLow, kUltraHigh, kOutput };

  private:
    BassPreampStage stage[2];
};

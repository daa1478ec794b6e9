#pragma once
#include "effects/drive/PowerAmpStage.h"
#include "params/CMLVParRelations.h"

// Push-pull valve power amp with presence control and four valve/power types.
class CMLVPowerAmpGuitarDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVPowerAmpGuitarDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    const PowerAmpStage& Stage(int channel) const { return stage[channel]; }

    enum Parameter : int { kVolume = 2, kPresence, kType };

  private:
    PowerAmpStage stage[2];
};

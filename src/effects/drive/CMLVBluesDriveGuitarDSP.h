#pragma once
#include "effects/drive/GuitarPreampStages.h"
#include "params/CMLVParRelations.h"

// Blues drive: drive network into an exponential clipper and a colour control; the output level glides
// to a new setting over three blocks.
class CMLVBluesDriveGuitarDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVBluesDriveGuitarDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread; also advances the output glide while it runs.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // The output level (percent) in use for the current block.
    float CurrentOutput() const { return rampCurrent; }

    enum Parameter : int { kGain = 2, kColor, kOutput };

  private:
    BluesDriveStage stage[2];
    float rampStart = 0.0f, rampTarget = 0.0f, rampCurrent = 0.0f;
    int rampSteps = 3, rampCount = 3;
    bool updatedThisBlock = false;
};

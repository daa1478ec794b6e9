#pragma once
#include "effects/modulation/ShapedLfoDSP.h"

// Level modulation of both channels alike by a five-shape LFO, rate given as a tempo.
class CMLVTremoloDSP : public CMLVShapedLfoDSP {
  public:
    // Main thread.
    CMLVTremoloDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One gain for both channels, each scaled on its own.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;

    enum Parameter : int { kTempo = 2, kWaveShape, kDepth, kSyncCoeff, kTap };

  private:
    float modGain = 0.0f, offsetGain = 1.0f;
};

#pragma once
#include "effects/modulation/ShapedLfoDSP.h"

// Moves the signal between the channels with a five-shape LFO, rate given as a tempo.
class CMLVAutoPanDSP : public CMLVShapedLfoDSP {
  public:
    // Main thread.
    CMLVAutoPanDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;

    enum Parameter : int { kWaveShape = 2, kTempo, kCenter, kStereo, kSyncCoeff, kTap };

    // Separate channels when set, the mono sum panned when clear. Follows the instance: a stereo
    // instance pans its two channels, a mono instance pans its one signal across both outputs.
    bool channelMode = true;

  private:
    float modGain = 1.0f, offsetGain = 1.0f;
};

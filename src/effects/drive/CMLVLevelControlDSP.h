#pragma once
#include "params/CMLVParRelations.h"

// Gain and stereo routing: each input's position, normal or widened matrix.
class CMLVLevelControlDSP : public CMLVParRelations {
  public:
    CMLVLevelControlDSP(double sampleRate, int maxBlockSize);
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    int UpdateCoefficients(bool full) override;

    enum Parameter : int { kGain = 2, kLeft, kRight, kStereoMode };

  private:
    float a = 1.0f, b = 1.0f, g = 1.0f;
    bool wide = false;
};

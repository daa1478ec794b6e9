#pragma once
#include "effects/drive/CMLVDriveBaseDSP.h"

// Bass distortion: the distortion with a dry/distorted mix in place of the level.
class CMLVDistortionBassDSP : public CMLVDriveBaseDSP {
  public:
    // Main thread.
    CMLVDistortionBassDSP(double sampleRate, int maxBlockSize);
};

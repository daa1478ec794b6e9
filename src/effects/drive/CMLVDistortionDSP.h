#pragma once
#include "effects/drive/CMLVDriveBaseDSP.h"

// Distortion: +20 to +60 dB into the clipper, level -40 to -15 dB.
class CMLVDistortionDSP : public CMLVDriveBaseDSP {
  public:
    // Main thread.
    CMLVDistortionDSP(double sampleRate, int maxBlockSize);
};

#pragma once
#include "effects/drive/CMLVDriveBaseDSP.h"

// Overdrive: +10 to +65 dB into the clipper, level -60 to -10 dB.
class CMLVOverDriveDSP : public CMLVDriveBaseDSP {
  public:
    // Main thread.
    CMLVOverDriveDSP(double sampleRate, int maxBlockSize);
};

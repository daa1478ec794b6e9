#pragma once
#include "effects/drive/CMLVDriveBaseDSP.h"

// Bass overdrive: the overdrive with a dry/distorted mix in place of the level.
class CMLVOverDriveBassDSP : public CMLVDriveBaseDSP {
  public:
    // Main thread.
    CMLVOverDriveBassDSP(double sampleRate, int maxBlockSize);
};

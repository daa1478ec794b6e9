#pragma once
#include "effects/drive/CMLVToneControlDSP.h"

class CMLVToneControlBassDSP : public CMLVToneControlDSP {
  public:
    // Main thread.
    CMLVToneControlBassDSP(double sampleRate, int maxBlockSize);
};

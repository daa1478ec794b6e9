#pragma once
#include "effects/drive/CMLVToneControlDSP.h"

class CMLVToneControlGuitarDSP : public CMLVToneControlDSP {
  public:
    // Main thread.
    CMLVToneControlGuitarDSP(double sampleRate, int maxBlockSize);
};

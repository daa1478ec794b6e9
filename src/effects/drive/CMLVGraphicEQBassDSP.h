#pragma once
#include "effects/drive/CMLVGraphicEQDSP.h"

class CMLVGraphicEQBassDSP : public CMLVGraphicEQDSP {
  public:
    // Main thread.
    CMLVGraphicEQBassDSP(double sampleRate, int maxBlockSize);
};

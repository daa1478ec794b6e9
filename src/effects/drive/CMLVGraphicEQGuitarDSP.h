#pragma once
#include "effects/drive/CMLVGraphicEQDSP.h"

class CMLVGraphicEQGuitarDSP : public CMLVGraphicEQDSP {
  public:
    // Main thread.
    CMLVGraphicEQGuitarDSP(double sampleRate, int maxBlockSize);
};

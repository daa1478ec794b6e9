#pragma once
#include "framework/CProcess.h"

// An effect instance of the framework; the real-time and offline variants mark the render protocol.
class CEffectProcess : public CProcess {};

class CEffectProcessRTAS : public virtual CEffectProcess {};

class CEffectProcessAS : public virtual CEffectProcess {
  public:
    static constexpr int kMaxSlice = 2048;
};

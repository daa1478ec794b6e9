#pragma once
#include "shell/CMLVEffectProcess.h"

// The real-time variant: one algorithm call per host block, stereo or mono.
class CMLVEffectProcessRTAS : public CMLVEffectProcessSpecific, public CEffectProcessRTAS {
  public:
    CMLVEffectProcessRTAS(int effectType, bool userFolder)
        : CMLVEffectProcessSpecific(effectType, userFolder) {}
    // Audio thread.
    int RenderAudio(float** inputs, float** outputs, int numSamples) override;
};

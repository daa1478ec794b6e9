#pragma once
#include "shell/CMLVEffectProcess.h"

// The offline variant: renders a region in slices of at most 2048 samples.
class CMLVEffectProcessAS : public CMLVEffectProcessSpecific, public CEffectProcessAS {
  public:
    CMLVEffectProcessAS(int effectType, bool userFolder)
        : CMLVEffectProcessSpecific(effectType, userFolder) {}
    // The host's offline render thread.
    int RenderAudioSuite(AudioBufferDescriptor* inputs, int numInputs, AudioBufferDescriptor* outputs,
                         int numOutputs) override;
};

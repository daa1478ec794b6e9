#include "shell/CMLVEffectProcessRTAS.h"
#include "platform/FlushDenormals.h"
#include <algorithm>

int CMLVEffectProcessRTAS::RenderAudio(float** inputs, float** outputs, int numSamples) {
    if (!fAlgorithm || numSamples < 0) return kUnsupported;
    const FlushDenormals flush;
    float* in[2] = {inputs[0], nullptr};
    float* out[2] = {outputs[0], nullptr};
    if (fContext.channels < 2) {
        // A mono instance renders with a silent right input; its right output is discarded.
        EnsureScratch(numSamples);
        std::fill_n(fScratch[0].begin(), numSamples, 0.0f);
        in[1] = fScratch[0].data();
        out[1] = fScratch[1].data();
    } else {
        in[1] = inputs[1];
        out[1] = outputs[1];
    }
    TempoFollow();
    ProcessSlice(in, out, numSamples);
    return kNoErr;
}

#include "shell/CMLVEffectProcessRTAS.h"
#include "platform/FlushDenormals.h"
#include <algorithm>

int CMLVEffectProcessRTAS::RenderAudio(float** inputs, float** outputs, int numSamples) {
    if (!fAlgorithm || numSamples < 0) return kUnsupported;
    const FlushDenormals flush;
    TempoFollow();
    SetRenderedChannels(fContext.channels);
    if (fContext.channels >= 2) {
        float* in[2] = {inputs[0], inputs[1]};
        float* out[2] = {outputs[0], outputs[1]};
        ProcessSlice(in, out, numSamples);
        return kNoErr;
    }
    // A mono instance renders with a silent right input; its right output is discarded. A block longer
    // than the scratch buffers (longer than the host promised) goes in slices of their length. An
    // algorithm that computes channel 0 alone never reads the silent input, which need not be refilled.
    const int slice = ScratchLength();
    const bool twoChannels = fAlgorithm->activeChannels == 2;
    for (int pos = 0; pos < numSamples || pos == 0; pos += slice) {
        const int n = std::min(slice, numSamples - pos);
        if (twoChannels) std::fill_n(fScratch[0].begin(), n, 0.0f);
        float* in[2] = {inputs[0] + pos, fScratch[0].data()};
        float* out[2] = {outputs[0] + pos, fScratch[1].data()};
        ProcessSlice(in, out, n);
    }
    return kNoErr;
}

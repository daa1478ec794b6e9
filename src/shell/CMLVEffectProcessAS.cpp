#include "shell/CMLVEffectProcessAS.h"
#include "platform/FlushDenormals.h"
#include <algorithm>

int CMLVEffectProcessAS::RenderAudioSuite(AudioBufferDescriptor* inputs, int numInputs,
                                          AudioBufferDescriptor* outputs, int numOutputs) {
    if (!fAlgorithm || numInputs < 1 || numOutputs < 1) return kUnsupported;
    const FlushDenormals flush;
    const int total = std::max(inputs[0].count, 0);
    float* in[2] = {inputs[0].samples, nullptr};
    float* out[2] = {outputs[0].samples, nullptr};
    TempoFollow();
    const bool stereo = numInputs >= 2 && numOutputs >= 2 && inputs[1].samples && outputs[1].samples;
    if (stereo) {
        in[1] = inputs[1].samples;
        out[1] = outputs[1].samples;
    } else {
        in[1] = fScratch[0].data();
        out[1] = fScratch[1].data();
    }
    SetRenderedChannels(stereo ? 2 : 1);
    int remaining = total;
    while (remaining > 0) {
        const int n = std::min(remaining, kMaxSlice);
        // The silent input is read only by an algorithm that computes both channels.
        if (!stereo && fAlgorithm->activeChannels == 2) std::fill_n(fScratch[0].begin(), n, 0.0f);
        ProcessSlice(in, out, n);
        in[0] += n;
        out[0] += n;
        if (stereo) {
            in[1] += n;
            out[1] += n;
        }
        if (fEditor) fEditor->RefreshControls();
        remaining -= n;
    }
    // The processed length on the outputs, nothing left on the inputs.
    for (int c = 0; c < numOutputs; ++c)
        outputs[c].count = total;
    for (int c = 0; c < numInputs; ++c)
        inputs[c].count = 0;
    return kNoErr;
}

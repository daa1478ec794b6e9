#pragma once
#include "effects/PeakUpdate.h"

// Runs one block through the channels' stages sample by sample: both side by side, which lets the two
// independent recursions overlap, or channel 0 alone when the second is skipped. Works on local copies so the
// states stay in registers; reads both inputs of a sample before writing, so in-place buffers are fine. Peaks
// accumulate into inPeak and outPeak. Audio thread.
template <class Stage>
void ProcessStagePair(Stage (&stage)[2], float* in[2], float* out[2], float inPeak[2], float outPeak[2],
                      int n, int channels) {
    if (channels == 1) {
        // Channel 0 alone: the silent second channel is not needed.
        Stage a = stage[0];
        float ip = inPeak[0], op = outPeak[0];
        for (int i = 0; i < n; ++i) {
            const float x = in[0][i];
            const float y = a.Tick(x);
            out[0][i] = y;
            ip = PeakUpdate(ip, x);
            op = PeakUpdate(op, y);
        }
        stage[0] = a;
        inPeak[0] = ip, outPeak[0] = op;
        return;
    }
    Stage a = stage[0], b = stage[1];
    float ip0 = inPeak[0], ip1 = inPeak[1], op0 = outPeak[0], op1 = outPeak[1];
    for (int i = 0; i < n; ++i) {
        const float x0 = in[0][i], x1 = in[1][i];
        const float y0 = a.Tick(x0), y1 = b.Tick(x1);
        out[0][i] = y0;
        out[1][i] = y1;
        ip0 = PeakUpdate(ip0, x0);
        ip1 = PeakUpdate(ip1, x1);
        op0 = PeakUpdate(op0, y0);
        op1 = PeakUpdate(op1, y1);
    }
    stage[0] = a;
    stage[1] = b;
    inPeak[0] = ip0, inPeak[1] = ip1, outPeak[0] = op0, outPeak[1] = op1;
}

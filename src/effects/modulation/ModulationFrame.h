#pragma once
#include "params/CMLVParRelations.h"
#include <cmath>

// The block frame every modulation, time and dynamics effect shares: peaks cleared, bypass copy or
// coefficient update (in the order the effect needs), then one kernel call per sample with the peaks
// collected in the same pass. The kernel reads both inputs before anything is written, so in-place
// processing is safe.
template <class Base> class ModulationFrame : public Base {
  public:
    using Base::Base;

  protected:
    // Effects whose delay lines and envelopes must follow parameters while bypassed pass
    // CoefficientsFirst.
    enum FrameOrder { BypassFirst = 0, CoefficientsFirst = 1 };

    // kernel(float xl, float xr, float& yl, float& yr) computes one stereo sample.
    template <class Kernel>
    int RunFrame(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples,
                 Kernel&& kernel, FrameOrder order = BypassFirst) {
        if (this->BeginBlock(in, out, inPeak, outPeak, numSamples, order == CoefficientsFirst)) return 0;
        return RunKernel(in, out, inPeak, outPeak, numSamples, kernel);
    }

    // The two halves of RunFrame, for effects that choose their kernel from the updated coefficients:
    // if (BeginBlock(...)) return 0; then RunKernel with the kernel that fits.
    template <class Kernel>
    int RunKernel(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples,
                  Kernel&& kernel) {
        const float* inL = in[0];
        const float* inR = in[1];
        float* outL = out[0];
        float* outR = out[1];
        float ip0 = 0.0f, ip1 = 0.0f, op0 = 0.0f, op1 = 0.0f;
        for (int i = 0; i < numSamples; ++i) {
            const float xl = inL[i], xr = inR[i];
            float yl, yr;
            kernel(xl, xr, yl, yr);
            outL[i] = yl;
            outR[i] = yr;
            ip0 = std::fmax(ip0, std::fabs(xl));
            ip1 = std::fmax(ip1, std::fabs(xr));
            op0 = std::fmax(op0, std::fabs(yl));
            op1 = std::fmax(op1, std::fabs(yr));
        }
        inPeak[0] = ip0;
        inPeak[1] = ip1;
        outPeak[0] = op0;
        outPeak[1] = op1;
        return 0;
    }

    // Output = input, peaks collected.
    int RunPassThrough(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) {
        return RunKernel(in, out, inPeak, outPeak, numSamples, [](float xl, float xr, float& yl, float& yr) {
            yl = xl;
            yr = xr;
        });
    }
};

using CMLVModulationDSP = ModulationFrame<CMLVParRelations>;
using CMLVBPMModulationDSP = ModulationFrame<CMLVBPMParRelations>;

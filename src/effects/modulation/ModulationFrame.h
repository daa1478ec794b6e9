#pragma once
#include "params/CMLVParRelations.h"
#include <cmath>
#include <type_traits>
#include "effects/PeakUpdate.h"

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

    // kernel(channels, const float x[2], float y[2]) computes one sample of the first `channels` channels,
    // a compile-time std::integral_constant: 2, or 1 when the shell skips a silent second channel.
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
        if (this->activeChannels == 1) return Loop<1>(in, out, inPeak, outPeak, numSamples, kernel);
        return Loop<2>(in, out, inPeak, outPeak, numSamples, kernel);
    }

    // For the kernels of the effects with a bass crossover, which take the channel count and whether the
    // crossover splits off the low band as template arguments: run(channels, split), both compile-time
    // constants. Returns 0, Process's result.
    template <class Kernel> int WithChannelsAndSplit(bool split, Kernel&& run) {
        return this->WithActiveChannels([&](auto channels) {
            if (split)
                run(channels, std::true_type{});
            else
                run(channels, std::false_type{});
        });
    }

    // Output = input, peaks collected.
    int RunPassThrough(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) {
        return RunKernel(in, out, inPeak, outPeak, numSamples, [](auto channels, const float* x, float* y) {
            for (int c = 0; c < channels; ++c)
                y[c] = x[c];
        });
    }

  private:
    template <int C, class Kernel>
    int Loop(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples, Kernel& kernel) {
        const std::integral_constant<int, C> channels;
        float ip[2] = {0.0f, 0.0f}, op[2] = {0.0f, 0.0f};
        for (int i = 0; i < numSamples; ++i) {
            const float x[2] = {in[0][i], C > 1 ? in[1][i] : 0.0f};
            float y[2] = {0.0f, 0.0f};
            kernel(channels, x, y);
            for (int c = 0; c < C; ++c) {
                out[c][i] = y[c];
                ip[c] = PeakUpdate(ip[c], x[c]);
                op[c] = PeakUpdate(op[c], y[c]);
            }
        }
        for (int c = 0; c < C; ++c) {
            inPeak[c] = ip[c];
            outPeak[c] = op[c];
        }
        return 0;
    }
};

using CMLVModulationDSP = ModulationFrame<CMLVParRelations>;
using CMLVBPMModulationDSP = ModulationFrame<CMLVBPMParRelations>;

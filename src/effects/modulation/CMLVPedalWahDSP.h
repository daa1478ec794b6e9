#pragma once
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/WahFilter.h"
#include <array>

// A wah whose centre follows the pedal on a logarithmic scale from "Range" (heel) to 2500 Hz (toe).
class CMLVPedalWahDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVPedalWahDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. Shared pedal position, one filter per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override {
        for (auto& f : filter)
            f.Clear();
    }

    enum Parameter : int { kPedal = 2, kResonance, kRange };

  private:
    // One smoothing step of the pedal position towards the target.
    float Smooth(float p) const { return target > p ? p + 0.005f : p - 0.005f; }
    // Coefficients for the current position; the position mostly alternates between two values, so
    // the last two designs are kept.
    WahFilter::Coefficients CoefficientsAt(float p);

    std::array<WahFilter, 2> filter;
    float position = 0.0f, target = 0.49f;
    int q = 52;
    double logRange = 0.0, logSpan = 0.0;
    float cachedPosition[2] = {-1.0f, -1.0f};
    WahFilter::Coefficients cached[2];
    int cacheNext = 0;
};

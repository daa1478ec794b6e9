#pragma once
#include "params/CMLVParRelations.h"

// One band of shelf, peak, pass or notch filtering, designed and run in double precision.
class CMLVParametricEQDSP : public CMLVParRelations {
  public:
    enum FilterType { LowShelf = 0, HighShelf = 1, Peak = 2, LowPass = 3, HighPass = 4, Notch = 5 };

    // Main thread.
    CMLVParametricEQDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // Designed biquad {b0, b1, b2, a0, a1, a2} of a type at fs; width is the shelf slope, the bandwidth
    // in octaves (peak, notch) or Q (pass filters); gainDb is the design gain.
    struct Design {
        double b0, b1, b2, a0, a1, a2;
    };
    static Design DesignBand(int type, double gainDb, double width, double f, double fs);

    enum Parameter : int { kGain = 2, kFrequency, kQ, kFilterType };

  private:
    struct ChannelState {
        double s1 = 0, s2 = 0;
    };
    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0, invA0 = 1;
    double outGain = 1; // Gain as an output gain for the pass filters and the notch
    bool useOutGain = false;
    ChannelState state[2];
};

#pragma once
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/TriangleParabolaOscillator.h"
#include "effects/modulation/WahFilter.h"

// A wah swept by an oscillator; an input-level trigger lets the sweep run below the threshold (mode A)
// or above it (mode B).
class CMLVAutoWahDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVAutoWahDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. The detector takes the louder channel, so a silent one leaves it unchanged.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    enum Parameter : int { kSensitivity = 2, kRate, kDepth, kCenter, kMode, kSyncCoeff, kTap };

    // Centre of the sweep and its bounds in Hz, for displays and tests.
    double CentreFrequency() const { return f0; }
    double SweepBase() const { return base; }
    double SweepHalf() const { return half; }

  private:
    // Samples per pass. The detector and sweep of a chunk run before its filters (nothing there depends on
    // the filters' output), side by side with the filters of the chunk before: the two chains overlap,
    // and the designs in between, which have no state, run two at a time in a pass of their own.
    static constexpr int kChunk = 64;

    // The detector, trigger and oscillator as locals of a pass; Step gives one sample's sweep frequency.
    struct Sweep {
        float e, last, kt, tr;
        TriangleParabolaOscillator o;
        float kEnv, keep, rise, fall, th;
        bool modeB;
        double half, base;
        template <int Channels> double Step(float x0, float x1);
    };
    // Designs for frequency[0, n) into design[0, n). Audio thread.
    void DesignChunk(int n);
    // The block once the coefficients are up to date. Audio thread.
    template <int Channels> void Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);

    // Design constants.
    const int q = 52;
    const int wetGain = 170, dryGain = 0; // percent
    const int sweepWidth = 24;            // thousandths per "Depth" percent
    const int envelopeTenthsMs = 460, triggerRiseTenthsMs = 720, triggerFallTenthsMs = 2700;

    WahFilter filter[2];
    TriangleParabolaOscillator osc{1.0f, 0.0f, -1};
    float ke = 0.0f, keepE = 1.0f, kRise = 0.0f, kFall = 0.0f, kTrigger = 0.0f;
    float env = 0.0f, lastGate = 0.0f, trig = 0.0f;
    float threshold = 0.0f;
    bool modeB = false;
    double f0 = 1000.0, half = 0.0, base = 1000.0;
    double frequency[kChunk];
    WahFilter::Coefficients design[kChunk];
};

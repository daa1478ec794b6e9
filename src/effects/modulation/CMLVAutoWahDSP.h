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
    // Samples per pass: the sweep's designs for up to this many samples are made before the filters run.
    static constexpr int kChunk = 256;

    // Envelope, trigger and oscillator of n <= kChunk samples into `frequency`, then the filter designs
    // into `design`. Nothing here depends on the filters' output, so it runs over the chunk first: the
    // designs of successive samples overlap instead of each waiting on the previous filter step. Audio
    // thread.
    template <int Channels> void DesignChunk(const float* x0, const float* x1, int n);
    // The filters over the same samples with the designs made; peaks accumulate. Audio thread.
    template <int Channels>
    void FilterChunk(float* in[2], float* out[2], int start, int n, float inPeak[2], float outPeak[2]);

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

#pragma once
#include "effects/drive/ExciterPhaseLanes.h"
#include "effects/drive/FilterSection.h"
#include "effects/drive/Resampler5.h"
#include "params/CMLVParRelations.h"

// Harmonic exciter: the band above a frequency drives a fifth-order polynomial whose coefficients come
// from five harmonic levels (Chebyshev weighting); the result, freed of DC, is mixed onto the dry signal.
// Optionally the nonlinearity runs at five times the sample rate.
class CMLVExciterDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVExciterDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. Only the shared constant-term smoothing runs once per sample for both channels.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;
    // Any thread: the resamplers' delay in oversampled mode.
    int GetLatency() const override { return oversampling ? Resampler5::kLatency : 0; }

    enum Parameter : int {
        kDrive = 2,
        kHarmonic1,
        kHarmonic2,
        kHarmonic3,
        kFrequency,
        kMix,
        kHarmonic4,
        kHarmonic5,
        kOversampling
    };

  private:
    template <int channels> void Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    struct Channel {
        FilterSection band1[2];                   // first-order high-passes at the band frequency
        FilterSection dc;                         // 20 Hz high-pass
        FilterSection band2[Resampler5::kFactor]; // oversampled: one per phase
        FilterSection dc2[Resampler5::kFactor];   // oversampled: one per phase
        Resampler5 resampler;
    };
    void BuildSections();
    void ProcessOversampled(float* in[2], float* out[2], float ip[2], float op[2], int n, int channels);

    ExciterPolynomial poly; // c5 .. c1
    float c0 = 0;
    float c0s = 0, c0p = 0;
    float drive = 0, mix = 0.5f;
    float band = 1000.0f;
    bool oversampling = false;
    Channel ch[2];
    ExciterPhaseLanes lanes; // runs the oversampled path; band2 and dc2 hold its designs
};

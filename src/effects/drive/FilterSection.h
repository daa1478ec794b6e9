#pragma once
#include "effects/drive/BiquadSection.h"
#include "effects/drive/Float4.h"
#include <cstdint>

// A second-order section that remembers its design (type, frequency, gain, q) so it can redesign
// itself when the sample rate, frequency or type changes. Gain at the input:
// y = g x (1 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
// Designers and setters run on the thread that changes coefficients, never per sample.
class FilterSection {
  public:
    enum Type : int32_t {
        Bypass = 0,
        Peak = 1,
        LowPass1 = 2,
        LowPass2 = 3,
        HighPass1 = 4,
        HighPass2 = 5,
        LowShelf1 = 6,
        LowShelf2 = 7,
        HighShelf1 = 8,
        HighShelf2 = 9,
        BandPass = 10,
        Notch = 11,
    };

    // Audio thread.
    float Process(float x) { return Step(x, g, b1, b2, a1, a2, s1, s2); }
    // The same step on coefficients and state held elsewhere: float, or Float4 for four sections side by
    // side.
    template <typename T>
    __attribute__((always_inline)) static T Step(T x, const T& g, const T& b1, const T& b2, const T& a1,
                                                 const T& a2, T& s1, T& s2) {
        const T u = FlushDenormal(g * x);
        const T w = FlushDenormal(s1 + u);
        s1 = b1 * u - a1 * w + s2;
        s2 = b2 * u - a2 * w;
        return w;
    }
    // Audio thread.
    void Clear() { s1 = s2 = 0.0f; }

    // Ignored unless fs > 0 and differs from the stored rate; clears the state and redesigns.
    void SetSampleRate(float fs);
    // Ignored unless 0 < f < fs / 2; redesigns with f, keeps the state.
    void SetFrequency(float f);
    // Ignored if t > 11; type 0 sets the bypass coefficients, others redesign; clears the state.
    void SetType(int32_t t);

    // Designers: store the type code and f (and the gain or q as noted), write the coefficients.
    void DesignPeak(float f, float gainDb, float q); // stores the gain, not q
    void DesignLowPass(float f, bool secondOrder);
    void DesignHighPass(float f, bool secondOrder);
    void DesignLowShelf(float f, float gainDb, bool secondOrder);
    void DesignHighShelf(float f, float gainDb, bool secondOrder);
    void DesignBandPass(float f, float bandwidthHz); // stores q = bandwidth
    void DesignNotch(float f, float q);              // stores q

    float sampleRate = 44100.0f;
    float frequency = 4410.0f;
    float gain = 0.0f;
    float q = 3.0f; // Q of peak and notch, bandwidth in Hz of the band-pass
    float s1 = 0.0f, s2 = 0.0f;
    float a1 = 0.0f, a2 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float g = 1.0f;
    int32_t type = Bypass;

  private:
    void Redesign(float f);
    void Store(double g_, double b1_, double b2_, double a1_, double a2_);
};

#pragma once
#include "effects/drive/AmpModelTables.h"
#include "effects/drive/FilterSection.h"
#include <cmath>
#include <initializer_list>

// One channel of the bass preamp: first valve, tone network with the gain potentiometer and the two
// voicing switches, second valve, each valve with a little local feedback. Setters run on the audio thread
// inside UpdateCoefficients; Tick runs one sample on the audio thread.
class BassPreampStage {
  public:
    BassPreampStage();
    void SetSampleRate(float fs); // clears the network state
    void SetGain(float gainPercent);
    void SetUltraLow(bool on);  // clears the network state
    void SetUltraHigh(bool on); // clears the network state
    void SetInputDrive(float d) { inputGain = 6.0f * d + 1.0f; }
    void SetOutputGain(float g) { outputGain = g; }
    void Clear();
    // Zeroes subnormal high-pass states, which the sections' own flushing does not reach; keeps the decay
    // into silence out of the slow subnormal range. Audio thread, once per block.
    void FlushState() {
        for (FilterSection* f : {&h1, &h2}) {
            f->s1 = FlushDenormal(f->s1);
            f->s2 = FlushDenormal(f->s2);
        }
    }
    float Tick(float x) {
        const double v = static_cast<double>(inputGain * x) + kf1 * f1;
        f1 = h1.Process(AmpModel::BassValveA(Quiet(v)));
        w4 = w3;
        w3 = w2;
        w2 = w1;
        w1 = w;
        w = f1 - a[1] * w1 - a[2] * w2 - a[3] * w3 - a[4] * w4;
        if (std::fabs(w) < 1e-30) w = 0.0; // no subnormal doubles in the recursion after long silence
        const double y = b[0] * w + b[1] * w1 + b[2] * w2 + b[3] * w3 + b[4] * w4 + kf2 * f2;
        f2 = h2.Process(0.1f * AmpModel::BassValveB(Quiet(y)));
        return outputGain * static_cast<float>(f2);
    }

    // Both channels of a block side by side in SSE lanes, the two valves' recursions in lanes of their own:
    // every lane performs exactly Tick's operations in Tick's order, so the results are bit for bit those of
    // two Tick calls, at less than the cost of one.
    // Reads both inputs of a sample before writing; peaks accumulate into inPeak and outPeak. Audio thread.
    static void ProcessPair(BassPreampStage (&stage)[2], float* in[2], float* out[2], float inPeak[2],
                            float outPeak[2], int n);

    // Wiper position of the gain potentiometer (0 at ground, 1 at the top) for a Gain of 0..100 %:
    // an audio taper, 0.041 (26.39^x - 1) / 1.041, about 16 % at mid rotation.
    static double Wiper(double gainPercent);
    // Digital network b[0..4] / a[0..4] (a[0] = 1): the analog network at this wiper position and these
    // switches, mapped by the bilinear transform with c = 2 fs.
    static void DesignNetwork(double wiper, bool ultraLow, bool ultraHigh, double fs, double b[5],
                              double a[5]);

    const double* Numerator() const { return b; }
    const double* Denominator() const { return a; }

  private:
    void Design();
    // A valve input below 1e-20 is taken as 0: its cubic would otherwise form subnormal products while
    // the signal dies away, and the difference in output is far below anything audible.
    static float Quiet(double v) { return std::fabs(v) < 1e-20 ? 0.0f : static_cast<float>(v); }

    float gainControl = 50.0f;
    float outputGain = 0.01f;
    float inputGain = 1.0f;
    double w = 0, w1 = 0, w2 = 0, w3 = 0, w4 = 0;
    double kf1 = static_cast<double>(-0.0075f), kf2 = static_cast<double>(-0.0075f);
    float sampleRate = 48000.0f;
    double b[5] = {0, 0, 0, 0, 0}, a[5] = {1, 0, 0, 0, 0};
    bool ultraLow = false, ultraHigh = false;
    double f1 = 0, f2 = 0;
    FilterSection h1, h2;
};

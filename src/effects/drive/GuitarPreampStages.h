#pragma once
#include "effects/drive/ClampedPolyShaper.h"
#include "effects/drive/CoefficientSet.h"
#include "effects/drive/FilterSection.h"
#include <cmath>

// Per-channel models of the four guitar preamps: fixed chains of second-order sections and waveshapers.
// Setters run on the audio thread inside UpdateCoefficients and redesign only what their value affects;
// a setter given the value it already holds does nothing. Tick runs one sample on the audio thread; the
// effects run both channels' stages side by side (ProcessStagePair).

// Output control of the four preamps: 0..100 % spans -40 dB to +20 dB.
inline float PreampOutputGain(double percent) {
    return static_cast<float>(std::pow(10.0, (percent / 100.0 * 60.0 - 40.0) / 20.0));
}

// Blues drive: high-pass, drive network, exponential clipper, tone network.
class BluesDriveStage {
  public:
    BluesDriveStage() { Design(); }
    void SetSampleRate(float fs);
    void SetDrive(float d);
    void SetTone(float t);
    void SetOutputGain(float g) { outputGain = g; }
    void Clear();
    // Zeroes subnormal state values: the sections run unflushed, so silence would otherwise leave them
    // decaying through (or cycling in) the slow subnormal range. Audio thread, once per block.
    void FlushState() {
        for (float& v : s)
            v = FlushDenormal(v);
    }
    float Tick(float x) {
        const float u = inputGain * x;
        float w = s[0] + u;
        s[0] = hb1 * u + s[1] - ha1 * w;
        s[1] = hb2 * u - ha2 * w;
        float v = (g1 * w) * (driveConstant * drive);
        w = s[2] + v;
        s[2] = db1 * v + s[3] - da1 * w;
        s[3] = db2 * v - da2 * w;
        v = g3 * Clip(w);
        w = s[4] + v;
        s[4] = tb1 * v + s[5] - ta1 * w;
        s[5] = tb2 * v - ta2 * w;
        return outputGain * w;
    }

    // The inverting clipper: linear in the middle, exponential towards +-1.
    static float Clip(float v) {
        if (v > 0.85193f) return 0.04664f * std::exp(-16.0f * (v - 0.85193f)) - 1.0f;
        if (v < -0.85193f) return 1.0f - 0.04664f * std::exp(16.0f * (v + 0.85193f));
        return -1.11906f * v;
    }

  private:
    void Design();

    float inputGain = 1.0f;
    float hb1 = 0, hb2 = 0, ha1 = 0, ha2 = 0; // 70 Hz high-pass
    float g1 = 1.0f;                          // gain of the drive network, applied after the high-pass
    float db1 = 0, db2 = 0, da1 = 0, da2 = 0; // drive network
    float g3 = 1.0f;
    float tb1 = 0, tb2 = 0, ta1 = 0, ta2 = 0; // tone network
    float drive = 0.0f;
    float outputGain = 0.0f;
    float tone = 0.5f;
    float sampleRate = 48000.0f;
    float s[6] = {0, 0, 0, 0, 0, 0};
    float driveConstant = 20.0f;
};

// Clean preamp: high-passes around two soft clippers and a bright shelf.
class CleanPreampStage {
  public:
    CleanPreampStage();
    void SetSampleRate(float fs);
    void SetBright(float dB);
    void SetPreGain(float g) { preGain = g; }
    void SetOutputGain(float g) { outputGain = g; }
    void Clear();
    float Tick(float x) {
        float v = kShaper1(s1.Process(x));
        v = s3.Process(s2.Process(v));
        v = kShaper2(-preGain * v);
        return outputGain * s4.Process(v);
    }

    static const ClampedPolyShaper kShaper1, kShaper2;

  private:
    FilterSection s1, s2, s3, s4;
    float sampleRate = 48000.0f;
    float bright = 1.0f;
    float preGain = 1.0f;
    float outputGain = 1.0f;
};

// Crunch preamp: three clipping stages around a mid peak and a fixed interstage network.
class CrunchPreampStage {
  public:
    CrunchPreampStage();
    void SetSampleRate(float fs);
    void SetInputGain(float g) { inputGain = g; }
    void SetSecondGain(float g) { secondGain = g; }
    void SetThirdGain(float g) { thirdGain = g; }
    void SetPeakFrequency(float f); // only above 1 Hz
    void SetPeakQ(float q);         // only above 0
    void SetPeakGain(float dB);
    void SetOutputGain(float g) { outputGain = g; }
    void Clear();
    float Tick(float x) {
        float v = inputGain * x;
        if (v != v || v == 0.0f) v = 1e-8f; // keeps the chain away from exact zeros
        v = FlushDenormal(kShaper1(v));
        v = network.Process(peak.Process(v));
        v = kShaper2(-secondGain * v);
        v = FlushDenormal(kShaper3(-thirdGain * v));
        return outputGain * highPass.Process(v);
    }

    static const ClampedPolyShaper kShaper1, kShaper2, kShaper3;
    // The fixed interstage network at sample rate fs, {g, b1, b2, a1, a2}.
    static CoefficientSet InterstageNetwork(double fs);

  private:
    void DesignPeak();

    FilterSection peak, network, highPass;
    float sampleRate = 48000.0f;
    float peakFrequency = 1700.0f, peakQ = 0.3f, peakGain = 1.0f;
    float inputGain = 1.0f, secondGain = 1.0f, thirdGain = 18.0f, outputGain = 1.0f;
};

// High-gain preamp: a soft input curve, a variable low cut and three clipping stages.
class HiGainPreampStage {
  public:
    HiGainPreampStage();
    void SetSampleRate(float fs); // also clears the state
    void SetGainA(float g) { gainA = g; }
    void SetGainB(float g) { gainB = g; }
    void SetGainC(float g) { gainC = g; }
    void SetLowCut(float f);
    void SetOutputGain(float g) { outputGain = g; }
    void Clear();
    float Tick(float x) {
        if (x != x || x == 0.0f) x = 1e-8f;
        // Soft, unclamped input curve; the low-cut set's leading coefficient is 1.
        float v = -(((-0.007784927263855934f * x + 0.13882417976856232f) * x + 0.8689607381820679f) * x);
        v = lowCut.Process(FlushDenormal(v));
        v = kShaperA(gainA * v);
        v = kShaperB(gainB * v);
        v = FlushDenormal(kShaperA(-gainC * v));
        return outputGain * highPass.Process(v);
    }

    static const ClampedPolyShaper kShaperA, kShaperB;

  private:
    FilterSection lowCut, highPass;
    float sampleRate = 48000.0f;
    float lowCutFrequency = 330.0f;
    float gainA = 10.0f, gainB = 10.0f, gainC = 10.0f, outputGain = 1.0f;
};

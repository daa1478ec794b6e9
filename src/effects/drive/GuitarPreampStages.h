#pragma once
#include "effects/drive/ClampedPolyShaper.h"
#include "effects/drive/CoefficientSet.h"
#include "effects/drive/FilterSection.h"
#include <cmath>

// Per-channel models of the four guitar preamps: fixed chains of second-order sections and waveshapers.
// Setters run on the audio thread inside UpdateCoefficients and redesign only what their value affects;
// a setter given the value it already holds does nothing. Process runs on the audio thread, in place or
// not, and reports the block's input and output peaks.

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
    void Process(const float* in, float* out, int n, float& inPeak, float& outPeak);

    // The inverting clipper: linear in the middle, exponential towards +-1.
    static float Clip(float v);

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
    void Process(const float* in, float* out, int n, float& inPeak, float& outPeak);

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
    void Process(const float* in, float* out, int n, float& inPeak, float& outPeak);

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
    void Process(const float* in, float* out, int n, float& inPeak, float& outPeak);

    static const ClampedPolyShaper kShaperA, kShaperB;

  private:
    FilterSection lowCut, highPass;
    float sampleRate = 48000.0f;
    float lowCutFrequency = 330.0f;
    float gainA = 10.0f, gainB = 10.0f, gainC = 10.0f, outputGain = 1.0f;
};

#pragma once
#include "effects/modulation/ModulationFrame.h"
#include <atomic>

// Stereo-linked feed-forward compressor: peak envelope of the louder channel, power-law gain above the
// threshold, a gain smoother with separate rise and fall coefficients, optional make-up gain.
class CMLVCompressorDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVCompressorDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // Any thread: 1 while the last block went over the threshold.
    int GetReadoutCount() const override { return 1; }
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;

    enum Parameter : int { kThresholdLevel = 2, kAttackTime, kReleaseTime, kRatio, kAutoGain };

  private:
    float envelope = 0.0f;
    float releaseKeep = 1.0f;
    float thresholdLinear = 1.0f, inverseThreshold = 1.0f;
    float exponent = 0.0f;
    float makeUp = 1.0f;
    bool autoGain = true;
    float riseCoef = 0.0f, fallCoef = 0.0f;
    float a = 0.0f, oneMinusA = 1.0f;
    float previousTarget = 0.0f;
    float smoothedGain = 1.0f;
    bool overThreshold = false;
    std::atomic<bool> publishedOverThreshold{false};
};

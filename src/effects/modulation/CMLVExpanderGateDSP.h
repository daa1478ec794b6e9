#pragma once
#include "effects/modulation/ModulationFrame.h"
#include <atomic>

// Downward expander whose ratio rises to a hard gate. The detector follows whichever channel was louder
// over the current host block, and the smoother's coefficient may change at most once per hold period.
class CMLVExpanderGateDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVExpanderGateDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;
    // Any thread. The detector channel is chosen per host block.
    bool DependsOnBlockSize() const override { return true; }

    // Any thread: 1 while the last block was being expanded.
    int GetReadoutCount() const override { return 1; }
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;

    // "Treshold Level" is the name the hosts and preset files know.
    enum Parameter : int { kThresholdLevel = 2, kAttackTime, kReleaseTime, kRatio };

  private:
    float thresholdLinear = 0.0f;
    double logThreshold = 0.0;
    double exponentK = 0.0;
    float attackCoef = 1.0f, releaseCoef = 1.0f, coef = 1.0f;
    float detectorDecay = 0.01f, detectorRise = 0.4f;
    float envelope = 1e-6f, target = 1e-6f, previous = 0.0f, smoothedGain = 0.0f;
    int holdLength = 20, holdCounter = 0;
    bool riseHeld = false, fallHeld = false;
    std::atomic<bool> expanding{false};
};

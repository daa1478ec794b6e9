#pragma once
#include "effects/modulation/ModulationFrame.h"
#include <atomic>

// Stereo-linked gate on a smoothed power envelope, with a one-second "Learn" measurement that sets
// the threshold from the input's peak.
class CMLVNoiseGateDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVNoiseGateDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // Any thread: gate closed (0/1) and the threshold the last measurement found.
    int GetReadoutCount() const override { return 2; }
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;
    // Audio thread (effect process): after a measurement, "Threshold Level" and "Learn" go to the host.
    bool HasMeasurementReport() const override { return measurementReport.load(std::memory_order_acquire); }
    void ClearMeasurementReport() override { measurementReport.store(false, std::memory_order_release); }

    enum Parameter : int { kThresholdLevel = 2, kAttack, kRelease, kLearn };

  private:
    float thresholdPower = 0.0f;
    float a = 0.0f;           // envelope coefficient and opening coefficient
    float closingCoef = 0.0f; // gain smoother, closing
    float k = 0.0f;           // current smoother coefficient
    bool learning = false;
    float envelope = 0.0f, gain = 0.0f, previousTarget = 0.0f;
    float learnPeak = 0.0f;
    int learnCounter = 0;
    std::atomic<bool> measurementReport{false};
    std::atomic<bool> gateClosed{true};
    std::atomic<float> learnedThreshold{-100.0f};
};

#pragma once
#include "effects/modulation/PitchShifter.h"
#include "params/CMLVParRelations.h"
#include <memory>
#include <vector>

// Adds the octave below and the octave above, both shifted from the sum of the two channels and mixed
// equally into both outputs, to the clean signal.
class CMLVOctaverDSP : public CMLVParRelations {
  public:
    // Main thread. Makes the shifters (and their FFT plans) for the given rate.
    CMLVOctaverDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread. With full set the shifters are rebuilt only when the rate asks for another frame size.
    int UpdateCoefficients(bool full) override;
    // Main thread.
    void PrepareForAudio() override;
    // Audio thread. The shifters are cleared at the start of the next block.
    void Reset() override;
    // Any thread. Hosts align tracks by the clean signal, which is not delayed: no latency.
    int GetLatency() const override { return 0; }
    // Any thread. Samples by which the octave voices lag the clean signal.
    int VoiceDelay() const;

    enum Parameter : int { kCleanSignalLevel = 2, kLowerOctaveLevel, kUpperOctaveLevel };
    static constexpr int kOverlap = 6;

  private:
    void Build();

    float clean = 0.5f, lower = 0.5f, upper = 0.5f;
    int builtRate = 0, builtBlock = 0;
    std::unique_ptr<PitchShifter> down, up;
    std::vector<float> sum, lowBuf, highBuf;
    bool resetPending = false;
    bool inStep = true; // both shifters fed alike since their last reset: one analysis serves both
};

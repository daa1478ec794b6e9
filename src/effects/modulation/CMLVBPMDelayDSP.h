#pragma once
#include "params/CMLVParRelations.h"
#include <atomic>
#include <string>
#include <vector>

// Tempo-locked stereo echo: a one-beat tap (two lines swapping every beat) and a two-beat tap per
// channel, decay in seconds, stereo or balance routing, and a hold function that records a loop
// ("Sampling") and replays it ("Playing").
class CMLVBPMDelayDSP : public CMLVBPMParRelations {
  public:
    enum HoldState { Normal = 0, Bypassing = 1, Sampling = 2, Playing = 3 };

    // Main thread.
    CMLVBPMDelayDSP(double sampleRate, int maxBlockSize);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread. A full update sizes the lines for the slowest tempo.
    int UpdateCoefficients(bool full) override;
    // Main thread.
    void PrepareForAudio() override;
    // Audio thread. The lines are cleared at the start of the next block.
    void Reset() override;

    // Any thread.
    int GetHoldState() const override { return holdState.load(std::memory_order_acquire); }
    // Main thread. Entering "Sampling" clears the lines before the next block.
    void SetHoldState(float state) override;
    const std::vector<std::string>& GetHoldStateLabels() const { return holdStateLabels; }

    // Current beat length and capacity in samples (displays, tests).
    int GetBeatLength() const { return beatLength; }
    int GetCapacity() const { return capacity; }

  private:
    void SizeLines();
    void ClearLines();

    std::vector<std::string> holdStateLabels;
    std::atomic<int> holdState{Normal};
    std::atomic<bool> clearPending{false};
    bool wasProcessing = false;
    bool wideCapacity = false;
    bool allocationFailed = false;

    // lineA, lineB hold physicalBeat samples, lineC twice that, per channel.
    std::vector<float> lineA[2], lineB[2], lineC[2];
    int physicalBeat = 0;
    int beatLength = 1;         // N
    int capacity = 0;           // M
    int minBeat = 0;            // Mmin
    int indexA = 0, indexC = 0; // i over 0..N-1, j over 0..2N-1

    float feedback = 0.0f;
    float dry = 1.0f;
    float g1 = 0.0f, g2 = 0.0f, g3 = 0.0f, g4 = 0.0f;
    bool stereoMode = false;
};

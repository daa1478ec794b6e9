#pragma once
#include "params/CMLVDSPAlgInterface.h"

// SetParameter with the relations every stomp box shares: footswitch, tap tempo, " (Sync !)" status.
class CMLVParRelations : public CMLVDSPAlgInterface {
  public:
    CMLVParRelations(double sampleRate, int maxBlockSize);
    // Main thread (audio thread for the tempo follow).
    CMLVStatusText SetParameter(int index, float normalized) override;
    // Main thread. One footswitch press in tap mode.
    void TapTempo();

  protected:
    // " (Sync !)" after the rate-like parameter's name and value.
    static CMLVStatusText SyncStatus(const CMLVParameter& p);
    bool savedOnOff;
};

// The BPM delay's relations: the footswitch also steps the hold state when the decay is endless.
class CMLVBPMParRelations : public CMLVParRelations {
  public:
    using CMLVParRelations::CMLVParRelations;
    CMLVStatusText SetParameter(int index, float normalized) override;

    // Implemented by the delay, which owns the hold state (0 Normal, 1 Bypassing, 2 Sampling, 3 Playing).
    virtual int GetHoldState() const = 0;
    // Stores (int)state, clears the lines on 2, bypassed = (state == 1).
    virtual void SetHoldState(float state) = 0;

    static constexpr int kTempo = 3, kDecay = 4, kSyncCoeff = 7, kTap = 8;
};

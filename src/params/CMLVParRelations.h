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

    // Any thread. Effects with a "Tap" parameter publish "tap_counted" (1 while a first tap waits for
    // its second) and "tap_rate" (the "Tempo" or "Rate" value, which a tap sets without the host), so
    // that an editor outside the instance shows the tap texts and hands the tapped value to the host.
    int GetReadoutCount() const override;
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;

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

    // Any thread. After the tap readout, "hold_state" (0 to 3).
    int GetReadoutCount() const override { return CMLVParRelations::GetReadoutCount() + 1; }
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;

    // The delay's parameters; the relations use "Tempo", "Decay", "Sync coeff" and "Tap".
    enum Parameter : int { kEffectLevel = 2, kTempo, kDecay, kStereo, kMode, kSyncCoeff, kTap };
};

#pragma once
#include "params/CMLVEffectSetup.h"
#include <string>
#include <vector>

// Tempo synchronisation of rates and delay times. A "Sync coeff" list value picks a note value;
// the multiplier scales the host tempo (beats per minute) to the oscillator's cycles per minute.
namespace SyncMultiplier {
// List index: the value plus 0.5, truncated.
int Index(double syncCoeff);
// Multiplier of list entry syncCoeff; "Off" and anything outside the list give 1.
double Multiplier(double syncCoeff);
// True when the host tempo drives the effect ("Sync coeff" 1 or more).
bool Active(double syncCoeff);
// Tempo in BPM the effect runs at: multiplier x host tempo when synchronised, else its own.
double Tempo(double syncCoeff, double hostTempo, double ownTempo);
// Rate in Hz: multiplier x host tempo / 60 when synchronised, else its own.
double Rate(double syncCoeff, double hostTempo, double ownRateHz);

// Labels of the "Sync coeff" and "Tap" lists every tempo effect registers.
const std::vector<std::string>& Labels();
const std::vector<std::string>& TapLabels();
// The rows followed by the pair every tempo effect ends with: "Sync coeff" at syncIndex, "Tap" after it.
CMLVParameterTable WithSyncAndTap(CMLVParameterTable rows, int syncIndex);
} // namespace SyncMultiplier

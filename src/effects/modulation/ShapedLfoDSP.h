#pragma once
#include "effects/modulation/LfoOscillator.h"
#include "effects/modulation/ModulationFrame.h"

// What the tremolo and the auto pan share: one five-shape LFO whose rate is a tempo (its own, or the
// host's through "Sync coeff"), its two parameter rows, and its update.
class CMLVShapedLfoDSP : public CMLVModulationDSP {
  public:
    // Audio thread.
    void Reset() override { lfo.reset(); }

  protected:
    using CMLVModulationDSP::CMLVModulationDSP;

    // "Tempo" in BPM and "Wave shape" with the oscillator's five shapes.
    static CMLVParameterRecord TempoRecord(int index, double defaultBpm);
    static CMLVParameterRecord ShapeRecord(int index);
    // Audio thread, first in UpdateCoefficients: the sample rate (and a reset) on a full update, then
    // the tempo and the shape.
    void UpdateLfo(bool full, int tempoIndex, int shapeIndex, int syncIndex);

    LfoOscillator lfo;
};

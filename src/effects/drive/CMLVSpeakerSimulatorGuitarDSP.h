#pragma once
#include "effects/drive/CMLVSpeakerSimulatorDSP.h"

class CMLVSpeakerSimulatorGuitarDSP : public CMLVSpeakerSimulatorDSP {
  public:
    // Main thread.
    CMLVSpeakerSimulatorGuitarDSP(double sampleRate, int maxBlockSize);
};

// The guitar cabinet models, in Speaker Type order.
extern const SpeakerModel kGuitarSpeakerModels[];
extern const int kGuitarSpeakerModelCount;

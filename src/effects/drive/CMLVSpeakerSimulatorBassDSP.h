#pragma once
#include "effects/drive/CMLVSpeakerSimulatorDSP.h"

class CMLVSpeakerSimulatorBassDSP : public CMLVSpeakerSimulatorDSP {
  public:
    // Main thread.
    CMLVSpeakerSimulatorBassDSP(double sampleRate, int maxBlockSize);
};

// The bass cabinet models, in Speaker Type order; the "+ Horn" models add the horn path.
extern const SpeakerModel kBassSpeakerModels[];
extern const int kBassSpeakerModelCount;

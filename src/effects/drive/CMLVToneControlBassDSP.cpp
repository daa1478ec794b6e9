#include "effects/drive/CMLVToneControlBassDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVToneControlBassDSP::CMLVToneControlBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVToneControlDSP(sampleRate_, maxBlockSize_, kToneStackBass, kToneStackBassCount, 3) {
    name = "TCB - Bass Tone Control";
    shortName = "TCB";
    pluginId = FourCC("tcb1");
    AddPreset(0, "Default", {0, 50, 50, 50, 3});
    AddPreset(1, "Vintage", {0, 100, 50, 0, 0});
    AddPreset(2, "Modern", {0, 75, 0, 100, 1});
    AddPreset(3, "American", {0, 70, 65, 100, 3});
    AddPreset(4, "British", {0, 78, 100, 74, 2});
    RecallPreset("Default");
}

MLV_REGISTER_ALGORITHM(170, CMLVToneControlBassDSP)

#include "effects/drive/CMLVToneControlGuitarDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVToneControlGuitarDSP::CMLVToneControlGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVToneControlDSP(sampleRate_, maxBlockSize_, kToneStackGuitar, kToneStackGuitarCount, 4) {
    name = "TCG - Guitar Tone Control";
    shortName = "TCG";
    pluginId = FourCC("tcg1");
    AddPreset(0, "Default", {0, 50, 50, 50, 4});
    AddPreset(1, "American Clean", {0, 15, 62, 55, 0});
    AddPreset(2, "British", {0, 8, 35, 100, 1});
    AddPreset(3, "British 2", {0, 30, 0, 78, 2});
    AddPreset(4, "Modern", {0, 54, 70, 95, 3});
    RecallPreset("Default");
}

MLV_REGISTER_ALGORITHM(175, CMLVToneControlGuitarDSP)

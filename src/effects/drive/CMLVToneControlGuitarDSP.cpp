#include "effects/drive/CMLVToneControlGuitarDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVToneControlGuitarDSP::CMLVToneControlGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVToneControlDSP(sampleRate_, maxBlockSize_, {"TCG - Guitar Tone Control", "TCG", FourCC("tcg1")},
                         kToneStackGuitar, kToneStackGuitarCount,
                         {
                             {"Default", {0, 50, 50, 50, 4}},
                             {"American Clean", {0, 15, 62, 55, 0}},
                             {"British", {0, 8, 35, 100, 1}},
                             {"British 2", {0, 30, 0, 78, 2}},
                             {"Modern", {0, 54, 70, 95, 3}},
                         }) {}

MLV_REGISTER_ALGORITHM(175, CMLVToneControlGuitarDSP)

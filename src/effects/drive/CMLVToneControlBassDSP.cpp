#include "effects/drive/CMLVToneControlBassDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVToneControlBassDSP::CMLVToneControlBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVToneControlDSP(sampleRate_, maxBlockSize_, {"TCB - Bass Tone Control", "TCB", FourCC("tcb1")},
                         kToneStackBass, kToneStackBassCount,
                         {
                             {"Default", {0, 50, 50, 50, 3}},
                             {"Vintage", {0, 100, 50, 0, 0}},
                             {"Modern", {0, 75, 0, 100, 1}},
                             {"American", {0, 70, 65, 100, 3}},
                             {"British", {0, 78, 100, 74, 2}},
                         }) {}

MLV_REGISTER_ALGORITHM(170, CMLVToneControlBassDSP)

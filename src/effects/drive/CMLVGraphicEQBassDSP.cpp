#include "effects/drive/CMLVGraphicEQBassDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVGraphicEQBassDSP::CMLVGraphicEQBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVGraphicEQDSP(sampleRate_, maxBlockSize_, {"GEB - Bass Graphic EQ", "GEB", FourCC("geb1")},
                       {50, 120, 400, 500, 800, 4500, 10000},
                       {"Gain 50 Hz", "Gain 120 Hz", "Gain 400 Hz", "Gain 500 Hz", "Gain 800 Hz",
                        "Gain 4.5 kHz", "Gain 10 kHz"},
                       {
                           {"Default", {0, 0, 0, 0, 0, 0, 0, 0}},
                           {"Old School", {9.4f, -6, 5.3f, 10, 6, 2.7f, -4, 0}},
                           {"Modern", {5.3f, 0, -5.4f, -10.7f, -4.6f, 2.7f, 10.7f, 0}},
                           {"Slap", {4, -0.6f, -8.7f, 8, 1.3f, 8, 14, 0}},
                           {"Chaos", {1.3f, 6.7f, -8.7f, 3.3f, 15.3f, -6.6f, 9.3f, -1}},
                       }) {}

MLV_REGISTER_ALGORITHM(75, CMLVGraphicEQBassDSP)

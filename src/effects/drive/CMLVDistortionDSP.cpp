#include "effects/drive/CMLVDistortionDSP.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Gain laws: drive +20 to +60 dB, level -40 to -15 dB.
// clang-format off
const DriveModel kDistortion = {
    {"DT - Distortion", "DT", FourCC("dtu1")}, "Level", "Distortion",
    {{"Default", 69, 45, 90}, {"Razor", 60, 78, 100}, {"Lead", 71, 45, 100},
     {"Heavy Metal", 66, 51, 90}, {"Blues", 76, 65, 16}},
    /* drive slope, offset */ 4, 200,
    /* mix, output slope, offset, wet multiplier, wet divisor, dry multiplier */ false, 2.5, -400, 1, 1, 0,
    &kDistortionCabinet};
// clang-format on
} // namespace

CMLVDistortionDSP::CMLVDistortionDSP(double sampleRate_, int maxBlockSize_)
    : CMLVDriveBaseDSP(sampleRate_, maxBlockSize_, kDistortion) {}

MLV_REGISTER_ALGORITHM(45, CMLVDistortionDSP)

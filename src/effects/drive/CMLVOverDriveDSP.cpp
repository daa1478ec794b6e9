#include "effects/drive/CMLVOverDriveDSP.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Gain laws: drive +10 to +65 dB, level -60 to -10 dB.
// clang-format off
const DriveModel kOverDrive = {
    {"OD - Overdrive", "OD", FourCC("odu1")}, "Level", "Drive",
    {{"Default", 74, 45, 80}, {"Full drive", 76, 45, 100}, {"Ready to rock", 76, 46, 76},
     {"Crunch", 78, 48, 42}, {"Tube preamp", 94, 40, 13}},
    /* drive slope, offset */ 5.5, 100,
    /* mix, output slope, offset, wet multiplier, wet divisor, dry multiplier */ false, 5, -600, 1, 1, 0,
    &kOverDriveCabinet};
// clang-format on
} // namespace

CMLVOverDriveDSP::CMLVOverDriveDSP(double sampleRate_, int maxBlockSize_)
    : CMLVDriveBaseDSP(sampleRate_, maxBlockSize_, kOverDrive) {}

MLV_REGISTER_ALGORITHM(110, CMLVOverDriveDSP)

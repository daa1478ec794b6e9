#include "effects/drive/CMLVOverDriveBassDSP.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Gain laws: drive as the overdrive; the mix crossfades distorted (x 0.25) and dry (x 2) paths.
// clang-format off
const DriveModel kOverDriveBass = {
    {"ODB - Bass Overdrive", "ODB", FourCC("odb1")}, "Mix", "Drive",
    {{"Default", 74, 45, 80}, {"Cabinet", 0, 0, 0}, {"Light", 45, 0, 50},
     {"Crunch", 55, 0, 55}, {"SuperDrive", 70, 50, 70}},
    /* drive slope, offset */ 5.5, 100,
    /* mix, output slope, offset, wet multiplier, wet divisor, dry multiplier */ true, 10, -600, 0.25, 1, 2,
    &kOverDriveCabinet};
// clang-format on
} // namespace

CMLVOverDriveBassDSP::CMLVOverDriveBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVDriveBaseDSP(sampleRate_, maxBlockSize_, kOverDriveBass) {}

MLV_REGISTER_ALGORITHM(115, CMLVOverDriveBassDSP)

#include "effects/drive/CMLVDistortionBassDSP.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Gain laws: drive as the distortion; the mix crossfades distorted (/ 5) and dry (x 3) paths.
// clang-format off
const DriveModel kDistortionBass = {
    {"DTB - Bass Distortion", "DTB", FourCC("dtb1")}, "Mix", "Distortion",
    {{"Default", 69, 45, 90}, {"Cabinet", 0, 0, 0}, {"Light", 40, 0, 35},
     {"50:50 Mix", 50, 50, 50}, {"Super Distortion", 70, 75, 75}},
    /* drive slope, offset */ 4, 200,
    /* mix, output slope, offset, wet multiplier, wet divisor, dry multiplier */ true, 5, -400, 1, 5, 3,
    &kDistortionCabinet};
// clang-format on
} // namespace

CMLVDistortionBassDSP::CMLVDistortionBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVDriveBaseDSP(sampleRate_, maxBlockSize_, kDistortionBass) {}

MLV_REGISTER_ALGORITHM(50, CMLVDistortionBassDSP)

#include "effects/drive/CMLVGraphicEQGuitarDSP.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Octave bands from 200 Hz; the lowest band sits at 85 Hz although its label says 100 Hz.
std::array<double, CMLVGraphicEQDSP::kBands> GuitarBands() {
    std::array<double, CMLVGraphicEQDSP::kBands> f{};
    f[0] = 85.0;
    for (int band = 2; band <= CMLVGraphicEQDSP::kBands; ++band)
        f[band - 1] = 100.0 * double(1 << (band - 1));
    return f;
}
} // namespace

CMLVGraphicEQGuitarDSP::CMLVGraphicEQGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVGraphicEQDSP(sampleRate_, maxBlockSize_, {"GEG - Guitar Graphic EQ", "GEG", FourCC("geg1")},
                       GuitarBands(),
                       {"Gain 100 Hz", "Gain 200 Hz", "Gain 400 Hz", "Gain 800 Hz", "Gain 1.6 kHz",
                        "Gain 3.2 kHz", "Gain 6.4 kHz"},
                       {
                           {"Default", {0, 0, 0, 0, 0, 0, 0, 0}},
                           {"Guitar Clean", {-6, 3, 3, 0, -4, 3, 9, -2}},
                           {"Guitar Hard", {7.3f, 8.7f, 7, -2.6f, 8, 4, -4.6f, -4}},
                           {"Brass", {0, 2.6f, -6.6f, 0, 2.6f, 6, 6.5f, -2}},
                           {"Loudness", {4, 1.5f, -1, -2, -3, 0, 3.5f, -1}},
                           {"Hi-cut", {0, 0, 0, 0, 2.6f, 5.5f, -18, 0}},
                           {"Kick", {6, 7, 4.5f, -6, -4.5f, -2.6f, 5, -3}},
                       }) {}

MLV_REGISTER_ALGORITHM(80, CMLVGraphicEQGuitarDSP)

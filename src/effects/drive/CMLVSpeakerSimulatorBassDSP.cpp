#include "effects/drive/CMLVSpeakerSimulatorBassDSP.h"
#include "shell/AlgorithmRegistry.h"

// Label, model gain, (no third-order low-pass), cabinet sections, horn sections. Measured voicings.
// clang-format off
const SpeakerModel kBassSpeakerModels[] = {
    {"210 On Axis", 1.0f, 0, {HP(60), LP(4700), HP(70), LP(5300), PK(240, -3, 2), PK(460, -9, 14), PK(630, -8, 9), PK(800, -8, 12), PK(1000, -9, 9), PK(1500, -4, 8), PK(2200, -9, 25), PK(3220, -13, 23), PK(3800, -9.5, 6), PK(4600, 5.5, 14), PK(5450, -8, 34), PK(6800, -32, 32), PK(8500, -16, 14), PK(6100, -11, 54), PK(11500, -8, 5), PK(2500, 3, 13)}, {}},
    {"210 On Axis + Horn", 1.0f, 0, {HP(60), LP(4700), HP(70), LP(5300), PK(240, -3, 2), PK(460, -9, 14), PK(630, -8, 9), PK(800, -8, 12), PK(1000, -9, 9), PK(1500, -4, 8), PK(2200, -9, 25), PK(3220, -13, 23), PK(3800, -9.5, 6), PK(4600, 5.5, 14), PK(5450, -8, 34), PK(6800, -32, 32), PK(8500, -16, 14), PK(6100, -11, 54), PK(11500, -8, 5), PK(2500, 3, 13)}, {HP(1700), LP(10000), HP(1600), PK(1500, 4, 5), PK(2550, -6.5, 7), PK(3150, -7, 18), PK(7000, -9, 3), PK(10300, -18, 55), PK(12100, -10, 15), PK(15500, -15, 13), PK(18000, -14, 14)}},
    {"210 Off Axis", 1.0f, 0, {HP(60), LP(4500), HP(50), LP(4600), PK(240, -2.5, 2), PK(460, -7.5, 12), PK(630, -7, 3), PK(1000, -5, 12), PK(1550, -8, 6), PK(1900, -8, 18), PK(2150, 3, 23), PK(2400, -11, 25), PK(3000, -23, 26), PK(3600, -11.5, 14), PK(4400, -19, 44), PK(4800, -18, 82), PK(5700, -27, 14), PK(7500, -16, 13), PK(8500, -18, 55), PK(11500, -10, 13)}, {}},
    {"210 Off Axis + Horn", 1.0f, 0, {HP(60), LP(4500), HP(50), LP(4600), PK(240, -2.5, 2), PK(460, -7.5, 12), PK(630, -7, 3), PK(1000, -5, 12), PK(1550, -8, 6), PK(1900, -8, 18), PK(2150, 3, 23), PK(2400, -11, 25), PK(3000, -23, 26), PK(3600, -11.5, 14), PK(4400, -19, 44), PK(4800, -18, 82), PK(5700, -27, 14), PK(7500, -16, 13), PK(8500, -18, 55), PK(11500, -10, 13)}, {HP(1700), LP(10000), HP(1600), PK(1500, 4, 5), PK(2550, -6.5, 7), PK(3150, -7, 18), PK(7000, -9, 3), PK(10300, -18, 55), PK(12100, -10, 15), PK(15500, -15, 13), PK(18000, -14, 14)}},
    {"210 Far", 1.0f, 0, {HP(60), LP(4500), HP(50), LP(4900), PK(80, -5.5, 9), PK(300, -5.5, 2), PK(460, -7, 18), PK(660, -4, 9), PK(1050, -10, 19), PK(1570, -5, 10), PK(2200, -18, 25), PK(3200, -14, 26), PK(4100, -15.5, 14), PK(5700, -31, 38), PK(7300, -24, 26), PK(2600, -6, 11), PK(8600, -17, 43), PK(11300, -9, 25), PK(3500, -7, 28), PK(840, -8, 15)}, {}},
    {"210 Far + Horn", 1.0f, 0, {HP(60), LP(4500), HP(50), LP(4900), PK(80, -5.5, 9), PK(300, -5.5, 2), PK(460, -7, 18), PK(660, -4, 9), PK(1050, -10, 19), PK(1570, -5, 10), PK(2200, -18, 25), PK(3200, -14, 26), PK(4100, -15.5, 14), PK(5700, -31, 38), PK(7300, -24, 26), PK(2600, -6, 11), PK(8600, -17, 43), PK(11300, -9, 25), PK(3500, -7, 28), PK(840, -8, 15)}, {HP(1500), LP(10000), HP(1600), PK(2000, 6, 15), PK(2500, -13, 8), PK(3350, -9, 13), PK(8500, -4, 9), PK(6200, -3.5, 11), PK(13500, -7, 9), PK(11000, -5, 13), PK(16300, -14, 44)}},
};
// clang-format on
const int kBassSpeakerModelCount = int(sizeof kBassSpeakerModels / sizeof kBassSpeakerModels[0]);

CMLVSpeakerSimulatorBassDSP::CMLVSpeakerSimulatorBassDSP(double sampleRate_, int maxBlockSize_)
    : CMLVSpeakerSimulatorDSP(sampleRate_, maxBlockSize_,
                              {"SPB - Bass Speaker Simulator", "SPB", FourCC("spb1")}, kBassSpeakerModels,
                              kBassSpeakerModelCount, true,
                              {
                                  {"Default", {0, 2}},
                                  {"On Axis", {0, 0}},
                                  {"On Axis H", {0, 1}},
                                  {"Off Axis", {0, 2}},
                                  {"Off Axis H", {0, 3}},
                                  {"Far", {0, 4}},
                                  {"Far H", {0, 5}},
                              }) {}

MLV_REGISTER_ALGORITHM(160, CMLVSpeakerSimulatorBassDSP)

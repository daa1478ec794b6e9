#pragma once
#include <cstdint>

// Room models of the reverb. Delays are samples at 44.1 kHz; levels in hundredths of a dB, shelf gains
// in tenths of a dB; min/max pairs are interpolated by "Decay".
struct ReverbModeRecord {
    char name[12]; // space padded, not terminated
    int16_t earlyLevel;
    int16_t lateLevel;
    int16_t roomIndex;
    int16_t tapScaleMin, tapScaleMax; // %
    int16_t highPassHz;
    int16_t earlyShelfHz;
    int16_t earlyShelfGain;
    int16_t preDelayMin, preDelayMax;
    int16_t feedbackMin, feedbackMax; // per mille
    int16_t damping;                  // %
    int16_t lateShelfHz;
    int16_t lateShelfGain;
    int16_t width; // %
};

// Early reflections: all-pass length and coefficients (hundredths), eleven taps per side with gains
// in hundredths.
struct ReverbRoomRecord {
    int16_t allpassLength;
    int16_t allpassCoef[2];
    int16_t leftDelay[11];
    int16_t leftGain[11];
    int16_t rightDelay[11];
    int16_t rightGain[11];
};

static_assert(sizeof(ReverbModeRecord) == 12 + 16 * 2, "mode record layout");
static_assert(sizeof(ReverbRoomRecord) == 47 * 2, "room record layout");

constexpr int kReverbModeCount = 7;
constexpr int kReverbRoomCount = 3;

// clang-format off
constexpr ReverbModeRecord kReverbModes[kReverbModeCount] = {
    //                      early   late  room  tapScale  HP    eShelf       preDelay    feedback  damp lShelf      width
    {{'S','m','a','l','l',' ','R','o','o','m',' ',' '}, -327, -2493, 0,   5, 120, 120,  2195,  -71,   0, 4278, 722, 722, 50,  3140,  -81, 100},
    {{'B','i','g',' ','R','o','o','m',' ',' ',' ',' '}, -1061, -1095, 0, 43, 199,  62,  2450,  -81,   0,  529, 500, 828, 56,  4000,    0, 100},
    {{'H','a','l','l',' ',' ',' ',' ',' ',' ',' ',' '}, -366, -1095, 2,  21, 199, 150,  2209,  -68,   0, 3087, 760, 980, 15,  5742,  -91, 100},
    {{'L','o','n','g',' ','H','a','l','l',' ',' ',' '}, -1163, -1095, 0, 20, 199, 184, 10984,  -50,   0, 2778, 774, 980, 16, 11678,   54, 100},
    {{'S','p','r','i','n','g',' ',' ',' ',' ',' ',' '}, -2081, -1461, 1, 100, 199, 625, 5297, -120,   0, 1544, 840, 940, 57,  6007, -120,  72},
    {{'V','e','r','b',' ',' ',' ',' ',' ',' ',' ',' '}, -10000, -1095, 2, 199, 199, 161, 2596,  -78, 265, 4851, 644, 980, 12,  5014,  -76,  90},
    {{'T','u','n','n','e','l',' ',' ',' ',' ',' ',' '}, -100, -1095, 2,  115, 199,  62,  1228, -120, 794, 2822, 902, 980, 72,  3678,  -91, 100},
};

constexpr ReverbRoomRecord kReverbRooms[kReverbRoomCount] = {
    {65, {58, 72},
     {1658, 1258, 1587, 2306, 2699, 3354, 3748, 4002, 4395, 5050, 5444},
     {-40, 64, -57, 44, 38, 30, -26, 24, 21, 17, -15},
     {1905, 793, 1658, 2052, 2954, 3100, 3601, 4148, 4650, 4796, 5844},
     {51, 77, 39, 48, 35, -33, 28, 23, 20, -19, 13}},
    {66, {58, 72},
     {1999, 1258, 1587, 2810, 3153, 3770, 4229, 4256, 4757, 4943, 5486},
     {-36, 61, -56, 44, 40, 36, -32, 31, 29, 28, -25},
     {2052, 793, 1999, 2342, 3435, 3604, 3963, 4564, 4692, 5050, 5737},
     {51, 67, 36, 48, 38, -36, 35, 31, 30, -27, 25}},
    {66, {58, 72},
     {1658, 1258, 1587, 2306, 2699, 3354, 3748, 4002, 4395, 5050, 5444},
     {-54, 64, -57, 44, 38, 30, -26, 24, 21, 18, -16},
     {1905, 793, 1658, 2052, 2954, 3100, 3601, 4148, 4650, 4796, 5844},
     {51, 77, 54, 48, 35, -33, 28, 23, 20, -19, 14}},
};

// Late section (Freeverb tunings): the right combs and all-passes are 23 samples longer.
constexpr int kReverbCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kReverbAllpassLengths[4] = {556, 441, 341, 225};
constexpr int kReverbStereoSpread = 23;
// clang-format on

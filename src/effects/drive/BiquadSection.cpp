#include "effects/drive/BiquadSection.h"

// The section is header-only so the sample loop inlines it; this unit keeps the header compiled on its own.
static_assert(sizeof(BiquadSection) == 7 * sizeof(float), "seven floats: s1, s2, b1, b2, a1, a2, g");

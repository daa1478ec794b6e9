#pragma once
#include "params/CMLVDSPAlgInterface.h"

// Effect type number -> algorithm constructor. Each algorithm's .cpp registers itself with
// MLV_REGISTER_ALGORITHM, so the catalogue offers exactly the effects that are built in.
using CMLVAlgorithmFactory = CMLVDSPAlgInterface* (*)(double sampleRate, int maxBlockSize);

namespace AlgorithmRegistry {
bool Add(int effectType, CMLVAlgorithmFactory factory);
CMLVAlgorithmFactory Find(int effectType);
// Creates the algorithm of an effect type, or nullptr when none is built in.
CMLVDSPAlgInterface* Create(int effectType, double sampleRate, int maxBlockSize);
} // namespace AlgorithmRegistry

#define MLV_REGISTER_ALGORITHM(effectType, Class)                                                            \
    namespace {                                                                                              \
    const bool registered_##Class = AlgorithmRegistry::Add(                                                  \
        effectType, [](double sr, int bs) -> CMLVDSPAlgInterface* { return new Class(sr, bs); });            \
    }

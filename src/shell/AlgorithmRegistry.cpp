#include "shell/AlgorithmRegistry.h"
#include <map>

namespace {
// Function-local so registrations from other translation units may run in any order.
std::map<int, CMLVAlgorithmFactory>& Table() {
    static std::map<int, CMLVAlgorithmFactory> table;
    return table;
}
} // namespace

bool AlgorithmRegistry::Add(int effectType, CMLVAlgorithmFactory factory) {
    Table()[effectType] = factory;
    return true;
}

CMLVAlgorithmFactory AlgorithmRegistry::Find(int effectType) {
    auto it = Table().find(effectType);
    return it == Table().end() ? nullptr : it->second;
}

CMLVDSPAlgInterface* AlgorithmRegistry::Create(int effectType, double sampleRate, int maxBlockSize) {
    CMLVAlgorithmFactory f = Find(effectType);
    return f ? f(sampleRate, maxBlockSize) : nullptr;
}

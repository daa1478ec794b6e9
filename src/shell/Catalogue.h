#pragma once
#include "framework/CEffectType.h"
#include <cstdint>

// One effect of the bundle as it is registered with the host.
struct CatalogueRecord {
    int effectType;       // 5 .. 180 in steps of 5
    const char* code;     // "AP"
    const char* longName; // "AP - Auto Pan"
    OSType baseTypeID;    // stereo real-time type; +1 mono, +2 offline
    OSType productID;
    int category;
    int attribute;
    ProcessFactory realTimeFactory;
    ProcessFactory offlineFactory;
};

namespace Catalogue {
constexpr int kCount = 36;
// All 36 records in registration order, whether or not their algorithm is built in.
const CatalogueRecord* Records();
const CatalogueRecord* FindByEffectType(int effectType);
} // namespace Catalogue

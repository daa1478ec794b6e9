#pragma once
#include "framework/CEffectGroup.h"

// The bundle's plug-in group: identity and the catalogue of effect types.
class CMLVEffectGroup : public CEffectGroup {
  public:
    // Main thread: one effect's three types (stereo, mono, offline) from its catalogue record.
    void RegisterEffect(int effectType, OSType baseTypeID, OSType productID, int category, int attribute);
};

class CMLVEffectGroupSpecific : public CMLVEffectGroup {
  public:
    CMLVEffectGroupSpecific();
    // Main thread: registers the view name and every effect whose algorithm is built in.
    void Initialize() override;
};

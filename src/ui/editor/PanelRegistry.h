#pragma once
#include <memory>

class CMLVStompBoxCtrlBaseSet;
class CMLVStompBoxGUIEditor;
class CMLVStompBoxGUIContainer;
class CMLVDSPAlgInterface;

// Effect type number -> panel constructor. Each panel's .cpp registers itself with
// MLV_REGISTER_PANEL; an effect without a panel gets the common controls alone.
using CMLVPanelFactory = CMLVStompBoxCtrlBaseSet* (*)(CMLVStompBoxGUIEditor*, CMLVStompBoxGUIContainer*,
                                                      CMLVDSPAlgInterface*);

namespace PanelRegistry {
bool Add(int effectType, CMLVPanelFactory factory);
CMLVPanelFactory Find(int effectType);
// The effect's panel, or the common controls alone (style = effect type) when none is registered.
std::unique_ptr<CMLVStompBoxCtrlBaseSet> Create(int effectType, CMLVStompBoxGUIEditor* editor,
                                                CMLVStompBoxGUIContainer* container,
                                                CMLVDSPAlgInterface* algorithm);
} // namespace PanelRegistry

#define MLV_REGISTER_PANEL(effectType, Class)                                                                \
    namespace {                                                                                              \
    const bool registeredPanel_##Class = PanelRegistry::Add(                                                 \
        effectType,                                                                                          \
        [](CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,                                            \
           CMLVDSPAlgInterface* a) -> CMLVStompBoxCtrlBaseSet* { return new Class(e, c, a); });              \
    }

#include "ui/editor/PanelRegistry.h"
#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"
#include <map>

namespace {
std::map<int, CMLVPanelFactory>& Factories() {
    static std::map<int, CMLVPanelFactory> factories;
    return factories;
}
} // namespace

namespace PanelRegistry {
bool Add(int effectType, CMLVPanelFactory factory) {
    Factories()[effectType] = factory;
    return true;
}

CMLVPanelFactory Find(int effectType) {
    auto it = Factories().find(effectType);
    return it == Factories().end() ? nullptr : it->second;
}

std::unique_ptr<CMLVStompBoxCtrlBaseSet> Create(int effectType, CMLVStompBoxGUIEditor* editor,
                                                CMLVStompBoxGUIContainer* container,
                                                CMLVDSPAlgInterface* algorithm) {
    if (CMLVPanelFactory factory = Find(effectType))
        return std::unique_ptr<CMLVStompBoxCtrlBaseSet>(factory(editor, container, algorithm));
    return std::make_unique<CMLVStompBoxCtrlBaseSet>(editor, container, algorithm, effectType);
}
} // namespace PanelRegistry

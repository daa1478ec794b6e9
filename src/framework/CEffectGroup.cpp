#include "framework/CEffectGroup.h"

const CEffectType* CEffectGroup::GetType(int i) const {
    if (i < 0 || i >= GetNumTypes()) return nullptr;
    return fTypes[static_cast<size_t>(i)].get();
}

CProcess* CEffectGroup::CreateProcess(int typeIndex, const HostProcessContext& context) {
    const CEffectType* type = GetType(typeIndex);
    if (!type) return nullptr;
    CProcess* process = type->CreateProcess(context);
    if (process) process->SetInstanceNumber(fNextInstance++);
    return process;
}

void CEffectGroup::AddGenericViewName(const std::string& name, ViewFactory factory) {
    fViews.emplace_back(name, factory);
}

bool CEffectGroup::HasViewName(const std::string& name) const {
    for (const auto& v : fViews)
        if (v.first == name) return true;
    return false;
}

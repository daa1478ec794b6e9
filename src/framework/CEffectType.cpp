#include "framework/CEffectType.h"
#include <algorithm>

CEffectType::CEffectType(EffectKind kind, OSType typeID, OSType productID, int category, int attribute)
    : fKind(kind), fTypeID(typeID), fProductID(productID), fCategory(category), fAttribute(attribute) {}

void CEffectType::DefineStemFormats(StemFormat input, StemFormat output) {
    fInputs = input == kStemMono ? 1 : 2;
    fOutputs = output == kStemMono ? 1 : 2;
}

CProcess* CEffectType::CreateProcess(const HostProcessContext& context) const {
    if (!fFactory) return nullptr;
    HostProcessContext ctx = context;
    ctx.channels = fKind == kRealTime ? fInputs : std::min(std::max(context.channels, 1), 2);
    CProcess::SetPendingContext(&ctx, this);
    CProcess* process = fFactory();
    CProcess::SetPendingContext(nullptr, nullptr);
    if (process) process->EffectInit();
    return process;
}

#include "shell/CMLVEffectGroupSpecific.h"
#include "shell/AlgorithmRegistry.h"
#include "shell/Catalogue.h"
#include "shell/HostFacts.h"

namespace {
constexpr int kStemProperty = 48, kChannelProperty = 55;

// A view without resources; the editor draws into it once the editor exists.
void* NewEffectView() {
    return nullptr;
}
} // namespace

void CMLVEffectGroup::RegisterEffect(int effectType, OSType baseTypeID, OSType productID, int category,
                                     int attribute) {
    const CatalogueRecord* record = Catalogue::FindByEffectType(effectType);
    if (!record) return;
    const std::string name = hostfacts::TypeName(record->longName, record->code);
    for (int variant = 0; variant < 3; ++variant) {
        std::unique_ptr<CEffectType> type;
        if (variant < 2)
            type = std::make_unique<CEffectTypeRTAS>(baseTypeID + static_cast<OSType>(variant), productID,
                                                     category, attribute);
        else
            type = std::make_unique<CEffectTypeAS>(baseTypeID + 2, productID, category, attribute);
        type->SetName(name);
        type->SetTag(effectType);
        type->AddProperty(kStemProperty);
        const StemFormat stem = variant == 1 ? kStemMono : kStemStereo;
        type->DefineStemFormats(stem, stem);
        type->AddProperty(kChannelProperty);
        type->SetFactory(variant < 2 ? record->realTimeFactory : record->offlineFactory);
        AddEffectType(std::move(type));
    }
}

CMLVEffectGroupSpecific::CMLVEffectGroupSpecific() {
    DefineManufacturerNamesAndID("Marlevo", MakeOSType("Mlvx"));
    DefineProductName("Marlevo Tonvera\nTonvera\nMTV");
    DefineProductNumber(107);
    DefineGroupAttribute(14);
}

void CMLVEffectGroupSpecific::Initialize() {
    AddGenericViewName("NoUIView", &NewEffectView);
    const CatalogueRecord* records = Catalogue::Records();
    for (int i = 0; i < Catalogue::kCount; ++i) {
        const CatalogueRecord& r = records[i];
        // Effect types whose algorithm is not built in register nothing.
        if (!AlgorithmRegistry::Find(r.effectType)) continue;
        RegisterEffect(r.effectType, r.baseTypeID, r.productID, r.category, r.attribute);
    }
}

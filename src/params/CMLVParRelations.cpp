#include "params/CMLVParRelations.h"
#include "platform/TickCount.h"

CMLVParRelations::CMLVParRelations(double sampleRate_, int maxBlockSize_)
    : CMLVDSPAlgInterface(sampleRate_, maxBlockSize_), savedOnOff(bypassed) {}

namespace {
const CMLVReadout kTapCounted{"tap_counted", "Tap counted", "", 0.0f, 1.0f};
const CMLVReadout kHoldState{"hold_state", "Hold state", "", 0.0f, 3.0f};

bool SyncActive(const CMLVDSPAlgInterface& alg) {
    const CMLVParameter* sync = alg.FindParameter("Sync coeff", nullptr);
    return sync && sync->GetValue() >= 1.0;
}
} // namespace

CMLVStatusText CMLVParRelations::SetParameter(int index, float n) {
    if (index == 1) {
        const CMLVParameter* tap = FindParameter("Tap", nullptr);
        if (tap && tap->normalizedValue == 1.0) {
            TapTempo();
            return {};
        }
        savedOnOff = (n == 1.0f);
        bypassed = savedOnOff;
        return {};
    }
    if (index < 2 || index > 13) return {};
    CMLVParameter* p = GetParameter(index);
    if (!p) return {};
    p->SetNormalizedValue(n);

    if (p == FindParameter("Tap", nullptr)) {
        if (p->normalizedValue == 1.0) {
            SetTapState(0.5f);
        } else {
            SetTapState(0.0f);
            bypassed = savedOnOff;
        }
    }
    CMLVParameter* rateLike = FindParameter("Tempo", nullptr);
    if (!rateLike) rateLike = FindParameter("Rate", nullptr);
    if (p == rateLike && SyncActive(*this)) return SyncStatus(*p);
    return {};
}

CMLVStatusText CMLVParRelations::SyncStatus(const CMLVParameter& p) {
    CMLVStatusText status;
    p.FormatValue(status.data(), CMLVStatusText::kCapacity, true, true);
    status.Append(" (Sync !)");
    return status;
}

void CMLVParRelations::TapTempo() {
    if (tapState == 0.5f) {
        tapTime = MLVGetTickCount();
        tapState = 0.0f;
        parametersChanged = true;
        return;
    }
    float interval = static_cast<float>(MLVGetTickCount()) - static_cast<float>(tapTime);
    tapTime = 0;
    tapState = 0.5f;
    // Two taps in the same millisecond (or a clock that went back) measure nothing.
    if (interval > 0.0f) {
        if (CMLVParameter* t = FindParameter("Tempo", nullptr)) t->SetValue(60000.0f / interval);
        if (CMLVParameter* r = FindParameter("Rate", nullptr)) {
            float beatsPerMinute = 60000.0f / interval;
            r->SetValue(beatsPerMinute / 60.0f);
        }
    }
    parametersChanged = true;
}

CMLVStatusText CMLVBPMParRelations::SetParameter(int index, float n) {
    if (index < 1 || index > 8) return {};
    CMLVParameter* decay = GetParameter(kDecay);
    CMLVParameter* tap = GetParameter(kTap);
    if (index == 1) {
        if (decay && decay->normalizedValue == 1.0) {
            int s = GetHoldState();
            SetHoldState(static_cast<float>(s < 3 ? s + 1 : 1));
        } else if (tap && tap->normalizedValue == 1.0) {
            TapTempo();
        } else {
            savedOnOff = (n != 0.0f);
            bypassed = savedOnOff;
        }
        return {};
    }
    CMLVParameter* p = GetParameter(index);
    if (!p) return {};
    switch (index) {
    case kTempo: {
        p->SetNormalizedValue(n);
        CMLVParameter* sync = GetParameter(kSyncCoeff);
        if (sync && sync->GetValue() >= 1.0) return SyncStatus(*p);
        return {};
    }
    case kDecay:
        p->SetNormalizedValue(n);
        SetHoldState(n == 1.0f ? 1.0f : 0.0f);
        if (GetHoldState() != 0 && tap) tap->SetNormalizedValue(0.0);
        return {};
    case kTap:
        if (GetHoldState() == 0) p->SetNormalizedValue(n);
        if (p->normalizedValue == 1.0) {
            SetTapState(0.5f);
        } else {
            SetTapState(0.0f);
            bypassed = savedOnOff;
        }
        return {};
    default:
        p->SetNormalizedValue(n);
        return {};
    }
}

namespace {
const CMLVParameter* TappedParameter(const CMLVDSPAlgInterface& alg) {
    const CMLVParameter* p = alg.FindParameter("Tempo", nullptr);
    return p ? p : alg.FindParameter("Rate", nullptr);
}
} // namespace

int CMLVParRelations::GetReadoutCount() const {
    return FindParameter("Tap", nullptr) && TappedParameter(*this) ? 2 : 0;
}

const CMLVReadout* CMLVParRelations::GetReadoutInfo(int index) const {
    if (index < 0 || index >= CMLVParRelations::GetReadoutCount()) return nullptr;
    if (index == 0) return &kTapCounted;
    static const CMLVReadout tappedTempo{"tap_rate", "Tapped tempo", "BPM", 0.0f, 6000.0f};
    static const CMLVReadout tappedRate{"tap_rate", "Tapped rate", "Hz", 0.0f, 100.0f};
    return FindParameter("Tempo", nullptr) ? &tappedTempo : &tappedRate;
}

float CMLVParRelations::GetReadoutValue(int index) const {
    if (index == 1) {
        const CMLVParameter* p = TappedParameter(*this);
        return p ? static_cast<float>(p->GetValue()) : 0.0f;
    }
    const CMLVParameter* tap = index == 0 ? FindParameter("Tap", nullptr) : nullptr;
    return tap && tap->normalizedValue == 1.0 && tapState == 0.0f ? 1.0f : 0.0f;
}

const CMLVReadout* CMLVBPMParRelations::GetReadoutInfo(int index) const {
    return index == CMLVParRelations::GetReadoutCount() ? &kHoldState
                                                        : CMLVParRelations::GetReadoutInfo(index);
}

float CMLVBPMParRelations::GetReadoutValue(int index) const {
    return index == CMLVParRelations::GetReadoutCount() ? static_cast<float>(GetHoldState())
                                                        : CMLVParRelations::GetReadoutValue(index);
}

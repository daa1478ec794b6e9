#include "effects/modulation/SyncMultiplier.h"

namespace SyncMultiplier {

int Index(double syncCoeff) {
    const float v = static_cast<float>(syncCoeff) + 0.5f;
    // Far outside the list: anything that does not name an entry.
    if (!(v > -1.0f && v < 100.0f)) return -1;
    return static_cast<int>(v);
}

double Multiplier(double syncCoeff) {
    static const double table[9] = {1.0, 0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0};
    const int i = Index(syncCoeff);
    return i >= 0 && i < 9 ? table[i] : 1.0;
}

bool Active(double syncCoeff) {
    return syncCoeff >= 1.0;
}

double Tempo(double syncCoeff, double hostTempo, double ownTempo) {
    return Active(syncCoeff) ? Multiplier(syncCoeff) * hostTempo : ownTempo;
}

double Rate(double syncCoeff, double hostTempo, double ownRateHz) {
    return Active(syncCoeff) ? Multiplier(syncCoeff) * hostTempo / 60.0 : ownRateHz;
}

const std::vector<std::string>& Labels() {
    static const std::vector<std::string> labels{"Off", "1/1",   "1/2",  "1/4",   "1/4 T",
                                                 "1/8", "1/8 T", "1/16", "1/16 T"};
    return labels;
}

const std::vector<std::string>& TapLabels() {
    static const std::vector<std::string> labels{"Canceled", "Press On-Off to start"};
    return labels;
}

CMLVParameterTable WithSyncAndTap(CMLVParameterTable rows, int syncIndex) {
    rows.emplace_back(syncIndex, "Sync coeff", Labels(), 0, 8, 1, 0, List);
    rows.emplace_back(syncIndex + 1, "Tap", TapLabels(), 0, 1, 1, 0, List);
    return rows;
}

} // namespace SyncMultiplier

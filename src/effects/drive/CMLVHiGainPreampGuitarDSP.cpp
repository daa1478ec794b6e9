#include "effects/drive/CMLVHiGainPreampGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVHiGainPreampGuitarDSP::CMLVHiGainPreampGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    name = "HGG - Guitar HiGain Preamp";
    shortName = "HGG";
    pluginId = FourCC("hgg1");
    AddPreset(0, "Default", {75, 200, 50});
    AddPreset(1, "CA/CD", {53, 460, 50});
    AddPreset(2, "Dark Gain", {77, 50, 50});
    AddPreset(3, "Bright Gain", {77, 620, 50});
    AddPreset(4, "Ultra Gain", {100, 340, 50});
    AddParameter(2, "Gain", "%", 0, 100, 1, 75, Linear);
    AddParameter(3, "Low Cut", "Hz", 50, 1000, 1, 200, Linear);
    AddParameter(4, "Output", "%", 0, 100, 1, 50, Linear);
    RecallPreset("Default");
    UpdateCoefficients(true);
}

int CMLVHiGainPreampGuitarDSP::UpdateCoefficients(bool) {
    // Everything is handed to the stages on every update; the stages skip unchanged values.
    const double gain = GetParameter(2)->GetValue();
    const float gainA = static_cast<float>(std::pow(10.0, (gain / 100.0 * 60.0) / 20.0));
    const float gainB = static_cast<float>(std::pow(10.0, 0.85));
    const float gainC = static_cast<float>(std::pow(10.0, 1.0));
    // Below 50 Hz the cut stays at 50 Hz; the top bound only guards stored values beyond the range.
    const float lowCut =
        static_cast<float>(std::min(std::max(50.0, GetParameter(3)->GetValue()), 0.45 * sampleRate));
    const float output = PreampOutputGain(GetParameter(4)->GetValue());
    for (HiGainPreampStage& s : stage) {
        s.SetSampleRate(static_cast<float>(sampleRate));
        s.SetGainA(gainA);
        s.SetGainB(gainB);
        s.SetGainC(gainC);
        s.SetLowCut(lowCut);
        s.SetOutputGain(output);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVHiGainPreampGuitarDSP::Reset() {
    for (HiGainPreampStage& s : stage)
        s.Clear();
}

int CMLVHiGainPreampGuitarDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2],
                                       int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    ProcessStagePair(stage, in, out, inPeak, outPeak, n, activeChannels);
    return 0;
}

MLV_REGISTER_ALGORITHM(85, CMLVHiGainPreampGuitarDSP)

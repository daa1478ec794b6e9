#include "effects/drive/CMLVCrunchPreampGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVCrunchPreampGuitarDSP::CMLVCrunchPreampGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    name = "CPG - Guitar Crunch Preamp";
    shortName = "CPG";
    pluginId = FourCC("cpg1");
    AddPreset(0, "Default", {50, 8, 66});
    AddPreset(1, "Clean", {0, 2, 66});
    AddPreset(2, "Low Drive", {33, 8, 50});
    AddPreset(3, "Mid Drive", {45, 8, 50});
    AddPreset(4, "High Drive", {80, 12, 40});
    AddParameter(2, "Gain", "%", 0, 100, 1, 50, Linear);
    AddParameter(3, "Mid Boost", "dB", 0, 15, 0.1, 8, Linear);
    AddParameter(4, "Output", "%", 0, 100, 1, 66, Linear);
    RecallPreset("Default");
    UpdateCoefficients(true);
}

int CMLVCrunchPreampGuitarDSP::UpdateCoefficients(bool) {
    // Everything is handed to the stages on every update; the stages skip unchanged values.
    const double gain = GetParameter(2)->GetValue();
    const float secondGain = static_cast<float>(7.0 * std::pow(10.0, (gain / 100.0 * 30.0) / 20.0));
    const float midBoost = static_cast<float>(GetParameter(3)->GetValue());
    const float output = PreampOutputGain(GetParameter(4)->GetValue());
    for (CrunchPreampStage& s : stage) {
        s.SetSampleRate(static_cast<float>(sampleRate));
        s.SetInputGain(1.0f);
        s.SetSecondGain(secondGain);
        s.SetThirdGain(18.0f);
        s.SetPeakFrequency(2000.0f);
        s.SetPeakQ(0.2f);
        s.SetPeakGain(midBoost);
        s.SetOutputGain(output);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVCrunchPreampGuitarDSP::Reset() {
    for (CrunchPreampStage& s : stage)
        s.Clear();
}

int CMLVCrunchPreampGuitarDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2],
                                       int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    ProcessStagePair(stage, in, out, inPeak, outPeak, n, activeChannels);
    return 0;
}

MLV_REGISTER_ALGORITHM(40, CMLVCrunchPreampGuitarDSP)

#include "effects/drive/CMLVHiGainPreampGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

CMLVHiGainPreampGuitarDSP::CMLVHiGainPreampGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"HGG - Guitar HiGain Preamp", "HGG", FourCC("hgg1")},
          {
              {kGain, "Gain", "%", 0, 100, 1, 75, Linear},
              {kLowCut, "Low Cut", "Hz", 50, 1000, 1, 200, Linear},
              {kOutput, "Output", "%", 0, 100, 1, 50, Linear},
          },
          {
              {"Default", {75, 200, 50}},
              {"CA/CD", {53, 460, 50}},
              {"Dark Gain", {77, 50, 50}},
              {"Bright Gain", {77, 620, 50}},
              {"Ultra Gain", {100, 340, 50}},
          });
}

int CMLVHiGainPreampGuitarDSP::UpdateCoefficients(bool) {
    // Everything is handed to the stages on every update; the stages skip unchanged values.
    const double gain = GetParameter(kGain)->GetValue();
    const float gainA = static_cast<float>(std::pow(10.0, (gain / 100.0 * 60.0) / 20.0));
    const float gainB = static_cast<float>(std::pow(10.0, 0.85));
    const float gainC = static_cast<float>(std::pow(10.0, 1.0));
    // Below 50 Hz the cut stays at 50 Hz; the top bound only guards stored values beyond the range.
    const float lowCut =
        static_cast<float>(std::min(std::max(50.0, GetParameter(kLowCut)->GetValue()), 0.45 * sampleRate));
    const float output = PreampOutputGain(GetParameter(kOutput)->GetValue());
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

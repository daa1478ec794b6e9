#include "effects/drive/CMLVCrunchPreampGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVCrunchPreampGuitarDSP::CMLVCrunchPreampGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"CPG - Guitar Crunch Preamp", "CPG", FourCC("cpg1")},
          {
              {kGain, "Gain", "%", 0, 100, 1, 50, Linear},
              {kMidBoost, "Mid Boost", "dB", 0, 15, 0.1, 8, Linear},
              {kOutput, "Output", "%", 0, 100, 1, 66, Linear},
          },
          {
              {"Default", {50, 8, 66}},
              {"Clean", {0, 2, 66}},
              {"Low Drive", {33, 8, 50}},
              {"Mid Drive", {45, 8, 50}},
              {"High Drive", {80, 12, 40}},
          });
}

int CMLVCrunchPreampGuitarDSP::UpdateCoefficients(bool) {
    // Everything is handed to the stages on every update; the stages skip unchanged values.
    const double gain = GetParameter(kGain)->GetValue();
    const float secondGain = static_cast<float>(7.0 * std::pow(10.0, (gain / 100.0 * 30.0) / 20.0));
    const float midBoost = static_cast<float>(GetParameter(kMidBoost)->GetValue());
    const float output = PreampOutputGain(GetParameter(kOutput)->GetValue());
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

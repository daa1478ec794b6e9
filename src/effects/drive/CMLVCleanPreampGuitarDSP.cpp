#include "effects/drive/CMLVCleanPreampGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVCleanPreampGuitarDSP::CMLVCleanPreampGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"CLG - Guitar Clean Preamp", "CLG", FourCC("clg1")},
          {
              {kGain, "Gain", "%", 0, 100, 1, 50, Linear},
              {kBright, "Bright", "dB", 0, 15, 0.1, 5, Linear},
              {kOutput, "Output", "%", 0, 100, 1, 70, Linear},
          },
          {
              {"Default", {50, 5, 70}},
              {"Low Hot", {45, 0, 100}},
              {"Low Bright", {45, 15, 100}},
              {"High Hot", {85, 0, 71}},
              {"High Bright", {85, 15, 61}},
          });
}

int CMLVCleanPreampGuitarDSP::UpdateCoefficients(bool full) {
    const double gain = GetParameter(kGain)->GetValue();
    const float preGain = static_cast<float>(5.0 * std::pow(10.0, (gain / 100.0 * 60.0 - 40.0) / 20.0));
    const float bright = static_cast<float>(GetParameter(kBright)->GetValue());
    const float output = PreampOutputGain(GetParameter(kOutput)->GetValue());
    for (CleanPreampStage& s : stage) {
        if (full) s.SetSampleRate(static_cast<float>(sampleRate));
        s.SetPreGain(preGain);
        s.SetBright(bright);
        s.SetOutputGain(output);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVCleanPreampGuitarDSP::Reset() {
    for (CleanPreampStage& s : stage)
        s.Clear();
}

int CMLVCleanPreampGuitarDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    ProcessStagePair(stage, in, out, inPeak, outPeak, n, activeChannels);
    return 0;
}

MLV_REGISTER_ALGORITHM(30, CMLVCleanPreampGuitarDSP)

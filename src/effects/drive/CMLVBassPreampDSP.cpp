#include "effects/drive/CMLVBassPreampDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVBassPreampDSP::CMLVBassPreampDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"PRB - Bass Preamp", "PRB", FourCC("prb1")},
          {
              {kGain, "Gain", "%", 0, 100, 1, 50, Linear},
              {kUltraLow, "Ultra Low", {"On", "Off"}, 0, 1, 1, 0, List},
              {kUltraHigh, "Ultra High", {"On", "Off"}, 0, 1, 1, 0, List},
              {kOutput, "Output", "%", 0, 100, 1, 50, Linear},
          },
          {
              {"Default", {50, 0, 0, 50}},
              {"Low Bass", {50, 0, 1, 50}},
              {"Hi Bass", {50, 1, 0, 64}},
              {"Loudness", {53, 0, 0, 50}},
              {"UltrAmp", {80, 0, 0, 25}},
          });
}

int CMLVBassPreampDSP::UpdateCoefficients(bool full) {
    if (full) {
        for (BassPreampStage& s : stage) {
            s = BassPreampStage();
            s.SetSampleRate(static_cast<float>(sampleRate));
        }
        Reset();
        fullUpdatePending = false;
    }
    // Output follows the normalised control: -40 dB at 0 %, -20 dB at 100 %.
    const double u = GetParameter(kOutput)->normalizedValue;
    const float output = static_cast<float>(std::pow(10.0, (u * 20.0 - 40.0) / 20.0));
    const bool ultraLow = GetParameter(kUltraLow)->GetValue() == 0.0; // list value 0 is "On"
    const bool ultraHigh = GetParameter(kUltraHigh)->GetValue() == 0.0;
    const float gain = static_cast<float>(GetParameter(kGain)->GetValue());
    for (BassPreampStage& s : stage) {
        s.SetGain(gain);
        s.SetOutputGain(output);
        s.SetUltraHigh(ultraHigh);
        s.SetUltraLow(ultraLow);
        s.SetInputDrive(1.0f);
    }
    parametersChanged = false;
    return 0;
}

void CMLVBassPreampDSP::Reset() {
    for (BassPreampStage& s : stage)
        s.Clear();
}

int CMLVBassPreampDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (activeChannels == 2)
        BassPreampStage::ProcessPair(stage, in, out, inPeak, outPeak, n);
    else
        ProcessStagePair(stage, in, out, inPeak, outPeak, n, activeChannels);
    for (auto& s : stage)
        s.FlushState();
    return 0;
}

MLV_REGISTER_ALGORITHM(145, CMLVBassPreampDSP)

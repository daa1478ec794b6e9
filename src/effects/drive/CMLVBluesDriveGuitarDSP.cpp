#include "effects/drive/CMLVBluesDriveGuitarDSP.h"
#include "effects/drive/StagePair.h"
#include "shell/AlgorithmRegistry.h"

CMLVBluesDriveGuitarDSP::CMLVBluesDriveGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"BLG - Guitar Blues Drive", "BLG", FourCC("blg1")},
          {
              {kGain, "Gain", "%", 0, 100, 1, 50, Linear},
              {kColor, "Color", "%", 0, 100, 1, 50, Linear},
              {kOutput, "Output", "%", 0, 100, 1, 50, Linear},
          },
          {
              {"Default", {50, 50, 50}},
              {"Light Blues", {33, 12, 50}},
              {"Overdrive", {45, 8, 50}},
              {"Full Drive", {85, 12, 45}},
              {"Kick the Amp", {5, 90, 85}},
          });
}

int CMLVBluesDriveGuitarDSP::UpdateCoefficients(bool full) {
    const float target = static_cast<float>(GetParameter(kOutput)->GetValue());
    if (full) {
        for (BluesDriveStage& s : stage)
            s.SetSampleRate(static_cast<float>(sampleRate));
        rampSteps = 3;
        Reset();
        // A new instance or sample rate starts at the setting; only later changes glide.
        rampStart = rampTarget = rampCurrent = target;
        rampCount = rampSteps;
    } else if (parametersChanged) {
        rampStart = rampCurrent;
        rampTarget = target;
        rampCount = 1;
        rampCurrent = rampStart + (rampTarget - rampStart) / static_cast<float>(rampSteps);
    } else if (rampCount < rampSteps) {
        rampCurrent = rampStart + (rampTarget - rampStart) / static_cast<float>(rampSteps - rampCount);
        ++rampCount;
    }
    const float gain = PreampOutputGain(rampCurrent);
    for (BluesDriveStage& s : stage) {
        s.SetDrive(static_cast<float>(GetParameter(kGain)->GetValue() / 100.0));
        s.SetTone(static_cast<float>(GetParameter(kColor)->GetValue() / 100.0));
        s.SetOutputGain(gain);
    }
    updatedThisBlock = true;
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVBluesDriveGuitarDSP::Reset() {
    for (BluesDriveStage& s : stage)
        s.Clear();
}

int CMLVBluesDriveGuitarDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    updatedThisBlock = false;
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (!updatedThisBlock && rampCount < rampSteps) UpdateCoefficients(false);
    ProcessStagePair(stage, in, out, inPeak, outPeak, n, activeChannels);
    for (auto& s : stage)
        s.FlushState();
    return 0;
}

MLV_REGISTER_ALGORITHM(25, CMLVBluesDriveGuitarDSP)

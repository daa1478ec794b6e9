#include "effects/drive/CMLVPowerAmpGuitarDSP.h"
#include "shell/AlgorithmRegistry.h"

CMLVPowerAmpGuitarDSP::CMLVPowerAmpGuitarDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"PAG - Guitar Power Amp", "PAG", FourCC("pag1")},
          {
              {kVolume, "Volume", "%", 0, 100, 1, 50, Linear},
              {kPresence, "Presence", "%", 0, 100, 1, 50, Linear},
              {kType,
               "Type",
               {"EL34 Amp 50 W", "EL34 Amp 100 W", "6L6 Amp 50 W", "6L6 Amp 100 W"},
               0,
               3,
               1,
               2,
               List},
          },
          {
              {"Default", {50, 50, 2}},
              {"Crunch", {60, 30, 0}},
              {"Rock", {60, 50, 1}},
              {"Clean", {50, 100, 2}},
              {"Metal", {40, 75, 3}},
          });
}

int CMLVPowerAmpGuitarDSP::UpdateCoefficients(bool full) {
    if (full) {
        for (PowerAmpStage& s : stage) {
            s = PowerAmpStage();
            s.SetSampleRate(static_cast<float>(sampleRate));
        }
        Reset();
        fullUpdatePending = false;
    }
    const int type = static_cast<int>(GetParameter(kType)->GetValue());
    const float presence = static_cast<float>(GetParameter(kPresence)->GetValue() / 100.0);
    const float volume = static_cast<float>(GetParameter(kVolume)->GetValue());
    for (PowerAmpStage& s : stage) {
        s.SetType(type);
        s.SetPresence(presence);
        s.SetVolume(volume);
    }
    parametersChanged = false;
    return 0;
}

void CMLVPowerAmpGuitarDSP::Reset() {
    for (PowerAmpStage& s : stage)
        s.Clear();
}

int CMLVPowerAmpGuitarDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (activeChannels == 2)
        PowerAmpStage::ProcessPair(stage, in, out, inPeak, outPeak, n);
    else
        stage[0].ProcessOne(in[0], out[0], inPeak[0], outPeak[0], n);
    for (auto& s : stage)
        s.FlushState();
    return 0;
}

MLV_REGISTER_ALGORITHM(125, CMLVPowerAmpGuitarDSP)

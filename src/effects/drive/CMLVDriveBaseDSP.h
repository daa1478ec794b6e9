#pragma once
#include "effects/drive/BiquadSection.h"
#include "effects/drive/CoefficientSet.h"
#include "effects/drive/EqBandSet.h"
#include "params/CMLVParRelations.h"
#include <cstdint>

// What distinguishes the four stomp-box drives: identity, labels, presets, gain laws, cabinet voicing.
struct DriveModel {
    CMLVEffectIdentity identity;
    const char* outputParam; // "Level", or "Mix" for the bass drives
    const char* driveParam;  // "Drive" or "Distortion"
    struct Preset {
        const char* name;
        float output, color, drive;
    } presets[5];
    // Gdrive = 10^((driveSlope D + driveOffset) / 200).
    double driveSlope, driveOffset;
    // Level: Gout = 10^((outSlope L + outOffset) / 200).
    // Mix: below 50 the distorted path follows M, from 50 up the dry path follows 100 - M, each with the
    // same law; the other path stays at its value for M = 50. Distorted path scaled by wetMul / wetDiv,
    // dry path by dryMul.
    bool mix;
    double outSlope, outOffset;
    double wetMul, wetDiv, dryMul;
    const EqBandSet* cabinet;
};

// Cabinet voicings shared by the guitar and bass variants.
extern const EqBandSet kOverDriveCabinet;
extern const EqBandSet kDistortionCabinet;

// Drive, fixed bass cut, hard clipper, a three-sample feedback loop around a three-stage Butterworth
// tone low-pass, output level (or dry/distorted mix), fixed cabinet equaliser. Both channels share
// the feedback ring's indices and each channel's pass advances them, so the loop delay seen at a block
// boundary depends on the block length (DependsOnBlockSize).
class CMLVDriveBaseDSP : public CMLVParRelations {
  public:
    // Main thread.
    CMLVDriveBaseDSP(double sampleRate, int maxBlockSize, const DriveModel& model);
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;
    // Any thread.
    bool DependsOnBlockSize() const override { return true; }
    // Any thread. Each channel has its own ring; only the shared indices tie the passes together.
    bool ChannelsIndependent() const override { return true; }

    enum Parameter : int { kOutput = 2, kColor, kDrive };

  private:
    // One channel's filter states and feedback ring.
    struct Channel {
        BiquadSection pre[4];
        float tone[3][2]; // s1, s2 of each tone stage; the stages share one coefficient set
        float ring[3];
        BiquadSection cab[4];
    };
    void RunMono(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    void RunLanes(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    void AdvanceRing(int n);

    const DriveModel& model;
    float gDrive = 1.0f, gOut = 1.0f, gDry = 0.0f;
    // Shared by all tone stages and channels. Its numerator b1 = 2, b2 = 1 is that of every Butterworth
    // low-pass; the kernels write it as constants, which the compiler folds.
    CoefficientSet tone;
    Channel ch[2] = {};
    int w = 0, r = 0;
    float wa = 1.0f, wb = 0.0f;
};

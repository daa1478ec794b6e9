#pragma once
#include "effects/drive/ToneStackNetworks.h"
#include "params/CMLVParRelations.h"

// Reverse-log pot law: 1 at x = 0, 0 at x = 1.
double ToneTaper(double x, double k);

// Digital filter of one tone-stack network at given control positions (0..1): the analog N(s)/D(s),
// times the network gain, through the bilinear transform with c = 2 fs. b and a have five entries,
// a[0] = 1; unused high-order entries are 0. A null network gives the identity.
void DesignToneStack(const ToneStackNetwork* net, double bass, double mid, double treble, double fs,
                     double b[5], double a[5]);

// One channel of a tone stack: order 3 or 4, run in double precision.
struct ToneStackStage {
    float sampleRate = 44100.0f;
    float bass = 0.5f, mid = 0.5f, treble = 0.5f;
    float fourth = 0.5f;
    float volume = 1.0f;
    int type = 0;
    double b[5] = {1, 0, 0, 0, 0}, a[5] = {1, 0, 0, 0, 0};
    double w1 = 0, w2 = 0, w3 = 0, w4 = 0, w = 0;
    const ToneStackNetwork* networks = nullptr;
    int networkCount = 0;

    void Design();
    void SetSampleRate(double fs);
    void SetTone(float bass, float mid, float treble);
    void SetType(int t);
    void ClearState() { w1 = w2 = w3 = w4 = w = 0; }
};

// Tone control shared by the guitar and bass variants, which differ in their network tables.
class CMLVToneControlDSP : public CMLVParRelations {
  public:
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One stage per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    enum Parameter : int { kVolume = 2, kBass, kMid, kTreble, kType };

  protected:
    // Main thread. The default type is that of the first preset.
    CMLVToneControlDSP(double sampleRate, int maxBlockSize, const CMLVEffectIdentity& identity,
                       const ToneStackNetwork* networks, int count, const CMLVPresetTable& factoryPresets);

  private:
    template <int C> void Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    void InitStages();
    const ToneStackNetwork* networks;
    int networkCount;
    ToneStackStage stage[2];
};

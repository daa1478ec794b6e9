#pragma once
#include "effects/drive/AmpModelTables.h"
#include "effects/drive/FilterSection.h"

// One channel of the push-pull power amp: presence peak, high-pass, phase splitter, two output valves,
// difference and output transformer. Setters run on the audio thread inside UpdateCoefficients; Tick runs
// one sample on the audio thread.
class PowerAmpStage {
  public:
    PowerAmpStage();
    void SetSampleRate(float fs);
    void SetPresence(float p); // 0..1: a peak of 0..13 dB at 4100 Hz
    void SetVolume(float v);   // 0..100 %
    void SetType(int t);       // 0..3: EL34 50 W, EL34 100 W, 6L6 50 W, 6L6 100 W
    void SetOutputLevel(float o);
    void SetDrive(float b); // only 0 < b <= 1.3
    void Clear();
    // Zeroes subnormal state values. The high-passes run unflushed, and in silence their rounding can
    // otherwise settle into a subnormal limit cycle that costs a lot of time and changes nothing audible.
    // Audio thread, once per block.
    void FlushState() {
        for (float& s : st)
            s = FlushDenormal(s);
    }
    float Tick(float x) {
        float wp, wq;
        Branches(FrontEnd(x), wp, wq);
        return Output(wp, wq);
    }
    // Presence peak and the first high-pass: the recursions before the phase splitter.
    float FrontEnd(float x) {
        // Presence peak, flushing like every filter section.
        const Coefficients& p = cpres;
        float u = FlushDenormal(p.g * FlushDenormal(inputGain * x));
        float w = FlushDenormal(st[6] + u);
        st[6] = p.b1 * u - p.a1 * w + st[7];
        st[7] = p.b2 * u - p.a2 * w;
        // The high-passes run without flushing.
        u = ch1.g * w;
        w = st[0] + u;
        st[0] = ch1.b1 * u - ch1.a1 * w + st[1];
        st[1] = ch1.b2 * u - ch1.a2 * w;
        return w;
    }
    // Phase splitter and the high-passes of its two branches.
    void Branches(float w, float& wp, float& wq) {
        float pp, qq;
        AmpModel::PhaseSplitter(w, pp, qq);
        float u = ch2.g * pp;
        wp = st[2] + u;
        st[2] = ch2.b1 * u - ch2.a1 * wp + st[3];
        st[3] = ch2.b2 * u - ch2.a2 * wp;
        u = ch3.g * qq;
        wq = st[4] + u;
        st[4] = ch3.b1 * u - ch3.a1 * wq + st[5];
        st[5] = ch3.b2 * u - ch3.a2 * wq;
    }
    // Output valves, difference and transformer: no state.
    float Output(float wp, float wq) const {
        const float v =
            (AmpModel::PowerValveLookup(*valve, wp) - AmpModel::PowerValveLookup(*valve, wq)) * kd;
        return outputGain * AmpModel::OutputTransformer(v);
    }

    // Tick over a block in two passes per chunk, the recursions (FrontEnd, Branches) and then Output: each
    // pass is short, so the core overlaps successive samples instead of each waiting on one long chain of
    // lookups. Peaks accumulate into inPeak and outPeak; in may equal out. Audio thread.
    void ProcessOne(const float* in, float* out, float& inPeak, float& outPeak, int n);

    // Tick on both stages at once, in SSE lanes: bit for bit two Tick calls per sample. Reads both inputs of
    // a sample before writing; peaks accumulate into inPeak and outPeak. Audio thread.
    static void ProcessPair(PowerAmpStage (&stage)[2], float* in[2], float* out[2], float inPeak[2],
                            float outPeak[2], int n);

    // Difference gain for drive value b, before the 6L6 scaling.
    static float DifferenceGain(float b);

    float InputGain() const { return inputGain; }
    float DifferenceGainInUse() const { return kd; }
    float OutputGain() const { return outputGain; }
    const FilterSection& PresenceSection() const { return presenceSection; }

  private:
    // Section coefficients as the audio loop reads them.
    struct Coefficients {
        float a1, a2, b1, b2, g;
    };
    void Recompute();
    void CopyCoefficients();
    static Coefficients Copy(const FilterSection& f);

    float inputGain = 0.0f;
    float level = 1.0f;
    float outputGain = 1.0f;
    float presence = 0.0f;
    int type = 0;
    float sampleRate = 48000.0f;
    float drive = 1.0f;
    float invDrive = 1.0f;
    float kd = 0.5076357f;
    float typeScale = 1.0f;
    FilterSection presenceSection, h1, h2, h3;
    const AmpModel::PowerValve* valve = &AmpModel::kEL34;
    Coefficients ch1{}, ch2{}, ch3{}, cpres{};
    float st[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

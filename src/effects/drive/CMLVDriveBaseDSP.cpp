#include "effects/drive/CMLVDriveBaseDSP.h"
#include "effects/PeakUpdate.h"
#include "effects/drive/FilterDesigners.h"
#include "effects/drive/SectionWave.h"
#include <algorithm>
#include <cmath>

namespace {
// Steep bass cut ahead of the clipper: keeps the low end from smearing the distortion.
const EqBandSet kPreEq = {
    "Pre EQ", {{2, 40, -240, 0, 0}, {1, 68, -240, 2, 0}, {1, 68, -240, 2, 0}, {1, 68, -240, 2, 0}}};

float Db200(double x) {
    return static_cast<float>(std::pow(10.0, x / 200.0));
}

constexpr double kToneBaseHz = 3000.0, kToneHzPerPercent = 30.0;
// The feedback delay is one sample at this rate, fs / kFeedbackDelayRateHz samples at fs.
constexpr double kFeedbackDelayRateHz = 32000.0;
constexpr float kFeedbackGain = 0.06f;
} // namespace

// Low shelf for body, a wide mid scoop and two presence peaks standing in for a speaker cabinet.
const EqBandSet kOverDriveCabinet = {
    "OD Cabinet", {{4, 100, 84, 0, 0}, {1, 1625, -49, 10, 0}, {1, 5383, 136, 5, 0}, {1, 11246, 191, 5, 0}}};
const EqBandSet kDistortionCabinet = {
    "DT Cabinet", {{4, 200, 85, 0, 0}, {1, 1625, -49, 10, 0}, {1, 5383, 136, 5, 0}, {1, 11776, 203, 5, 0}}};

CMLVDriveBaseDSP::CMLVDriveBaseDSP(double sampleRate_, int maxBlockSize_, const DriveModel& model_)
    : CMLVParRelations(sampleRate_, maxBlockSize_), model(model_) {
    CMLVPresetTable factory;
    for (const DriveModel::Preset& p : model.presets)
        factory.push_back({p.name, {p.output, p.color, p.drive}});
    const DriveModel::Preset& d = model.presets[0];
    Setup(model.identity,
          {
              {kOutput, model.outputParam, "%", 0, 100, 1, d.output, Linear},
              {kColor, "Color", "%", 0, 100, 1, d.color, Linear},
              {kDrive, model.driveParam, "%", 0, 100, 1, d.drive, Linear},
          },
          factory);
}

void CMLVDriveBaseDSP::Reset() {
    w = 0;
    for (Channel& c : ch) {
        for (int k = 0; k < 4; ++k) {
            c.pre[k].Clear();
            c.cab[k].Clear();
        }
        std::fill(&c.tone[0][0], &c.tone[0][0] + 6, 0.0f);
        std::fill(c.ring, c.ring + 3, 0.0f);
    }
}

int CMLVDriveBaseDSP::UpdateCoefficients(bool full) {
    const double fs = sampleRate;
    if (full) {
        w = 0;
        for (Channel& c : ch) {
            for (int k = 0; k < 4; ++k) {
                DesignEqBand(kPreEq.bands[k], c.pre[k], fs);
                DesignEqBand(model.cabinet->bands[k], c.cab[k], fs);
            }
        }
        Reset();
        fullUpdatePending = false;
    }
    const double drive = GetParameter(kDrive)->GetValue();
    const double color = GetParameter(kColor)->GetValue();
    const double out = GetParameter(kOutput)->GetValue();
    gDrive = Db200(model.driveSlope * drive + model.driveOffset);
    if (!model.mix) {
        gOut = Db200(model.outSlope * out + model.outOffset);
        gDry = 0.0f;
    } else {
        const double centre = std::pow(10.0, (model.outSlope * 50.0 + model.outOffset) / 200.0);
        double wet = centre, dry = centre;
        if (out < 50.0)
            wet = std::pow(10.0, (model.outSlope * out + model.outOffset) / 200.0);
        else
            dry = std::pow(10.0, (model.outSlope * (100.0 - out) + model.outOffset) / 200.0);
        gOut = static_cast<float>(model.wetMul * wet / model.wetDiv);
        gDry = static_cast<float>(model.dryMul * dry);
    }

    // Tone: 3 to 6 kHz as the colour goes from 0 to 100 %.
    tone = DesignButterworthLowPassRounded(kToneBaseHz + kToneHzPerPercent * color, fs);

    // Feedback delay in samples (1 to 3), linearly interpolated between two ring taps.
    const double d = std::min(std::max(fs / kFeedbackDelayRateHz, 1.0), 3.0);
    const int whole = static_cast<int>(d);
    const double frac = d - whole;
    wb = static_cast<float>(frac);
    wa = static_cast<float>(1.0 - frac);
    r = w - whole;
    if (r < 0) r += 3;

    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

// Each channel's pass advances the shared ring indices by the block length, so channel 1's pass starts
// n samples after channel 0's; also when the silent second channel is skipped.
void CMLVDriveBaseDSP::AdvanceRing(int n) {
    const int shift = n > 0 ? n % 3 : 0;
    w = (w + 2 * shift) % 3;
    r = (r + 2 * shift) % 3;
}

// Channel 0 alone, on a local copy so that the states stay in registers; the equalisers as wavefronts in
// the four lanes of one register, in step with the loop as in RunLanes.
void CMLVDriveBaseDSP::RunMono(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using Wave = SectionWave<Float4, 1, 1, SectionKind::FlushAndGain>;
    const float gd = gDrive, go = gOut, gdry = gDry, fa = wa, fb = wb;
    const CoefficientSet t = tone;
    const bool mix = model.mix;
    int wi = w, ri = r;
    Channel c = ch[0];
    Wave pre, cab;
    pre.Load(0, c.pre);
    cab.Load(0, c.cab);
    const float* x = in[0];
    float* y = out[0];
    float ip = 0.0f, op = 0.0f;
    for (int s = 0; s < n + 6; ++s) {
        if (s < n + 3) pre.Step(Float4{s < n ? gd * x[s] : 0.0f}, s, n, s >= 3 && s < n);
        const int j = s - 3;
        if (j < 0) continue;
        float o = 0.0f;
        if (j < n) {
            const float xi = x[j];
            ip = PeakUpdate(ip, xi);
            const float v = std::min(std::max(pre.Out4(0), -1.0f), 1.0f);
            const int rPrev = ri == 0 ? 2 : ri - 1;
            float u = v + fa * c.ring[ri] + fb * c.ring[rPrev];
            for (float(&st)[2] : c.tone)
                u = BiquadSection::Step(u, 2.0f, 1.0f, t.a1, t.a2, t.g, st[0], st[1]);
            c.ring[wi] = kFeedbackGain * u;
            wi = wi == 2 ? 0 : wi + 1;
            ri = ri == 2 ? 0 : ri + 1;
            o = mix ? go * u + gdry * xi : go * u;
        }
        cab.Step(Float4{o}, j, n, j >= 3 && j < n);
        if (j >= 3) {
            y[j - 3] = cab.Out4(0);
            op = PeakUpdate(op, cab.Out4(0));
        }
    }
    pre.Store(0, c.pre);
    cab.Store(0, c.cab);
    ch[0] = c;
    inPeak[0] = ip;
    outPeak[0] = op;
    AdvanceRing(n);
}

// Both channels. The pre and cabinet equalisers run as wavefronts (SectionWave) in step with the clipper,
// the feedback loop and the tone stages, which take the lanes of one vector, mirrored in the upper two lanes
// so that no idle lane trips the flushes. Step s feeds sample s to the pre equaliser, takes sample s - 3
// through the loop into the cabinet and writes sample s - 6. With AVX each wavefront is one register.
__attribute__((target_clones("avx2", "default"))) void
CMLVDriveBaseDSP::RunLanes(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using Wave = SectionWave<Float8, 2, 1, SectionKind::FlushAndGain>;
    const float gd = gDrive, go = gOut, gdry = gDry, fa = wa, fb = wb;
    const FloatLanes ta1 = FloatLanes{} + tone.a1, ta2 = FloatLanes{} + tone.a2, tg = FloatLanes{} + tone.g;
    const FloatLanes two = FloatLanes{} + 2.0f, one = FloatLanes{} + 1.0f;
    const bool mix = model.mix;
    const int shift = n > 0 ? n % 3 : 0;
    int wi[2] = {w, (w + shift) % 3}, ri[2] = {r, (r + shift) % 3};
    Wave pre, cab;
    FloatLanes t[3][2] = {};
    for (int c = 0; c < 2; ++c) {
        pre.Load(c, ch[c].pre);
        cab.Load(c, ch[c].cab);
    }
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < 3; ++k) {
            t[k][0][l] = ch[l % 2].tone[k][0];
            t[k][1][l] = ch[l % 2].tone[k][1];
        }
    float ip[2] = {0.0f, 0.0f}, op[2] = {0.0f, 0.0f};
    for (int s = 0; s < n + 6; ++s) {
        if (s < n + 3) {
            Float8 fresh{};
            if (s < n) fresh[0] = gd * in[0][s], fresh[1] = gd * in[1][s];
            pre.Step(fresh, s, n, s >= 3 && s < n);
        }
        const int j = s - 3;
        if (j < 0) continue;
        Float8 o2{};
        if (j < n) {
            const float x0 = in[0][j], x1 = in[1][j];
            const FloatLanes x = {x0, x1, x0, x1};
            ip[0] = PeakUpdate(ip[0], x0);
            ip[1] = PeakUpdate(ip[1], x1);
            FloatLanes v = {pre.Out4(0), pre.Out4(1), pre.Out4(0), pre.Out4(1)};
            v = v < -1.0f ? FloatLanes{} - 1.0f : v; // std::max(v, -1)
            v = 1.0f < v ? FloatLanes{} + 1.0f : v;  // std::min(v, 1)
            const float* ring0 = ch[0].ring;
            const float* ring1 = ch[1].ring;
            const float a0 = ring0[ri[0]], a1 = ring1[ri[1]];
            const float b0 = ring0[ri[0] == 0 ? 2 : ri[0] - 1], b1 = ring1[ri[1] == 0 ? 2 : ri[1] - 1];
            const FloatLanes tapA = {a0, a1, a0, a1}, tapB = {b0, b1, b0, b1};
            FloatLanes u = v + fa * tapA + fb * tapB;
            for (FloatLanes(&st)[2] : t)
                u = BiquadLanes::Step(u, two, one, ta1, ta2, tg, st[0], st[1]);
            for (int c = 0; c < 2; ++c) {
                ch[c].ring[wi[c]] = kFeedbackGain * u[c];
                wi[c] = wi[c] == 2 ? 0 : wi[c] + 1;
                ri[c] = ri[c] == 2 ? 0 : ri[c] + 1;
            }
            const FloatLanes o = mix ? go * u + gdry * x : go * u;
            o2[0] = o[0], o2[1] = o[1];
        }
        cab.Step(o2, j, n, j >= 3 && j < n);
        if (const int k = j - 3; k >= 0) {
            for (int c = 0; c < 2; ++c) {
                const float y = cab.Out4(c);
                out[c][k] = y;
                op[c] = PeakUpdate(op[c], y);
            }
        }
    }
    for (int c = 0; c < 2; ++c) {
        pre.Store(c, ch[c].pre);
        cab.Store(c, ch[c].cab);
        for (int k = 0; k < 3; ++k) {
            ch[c].tone[k][0] = t[k][0][c];
            ch[c].tone[k][1] = t[k][1][c];
        }
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
    AdvanceRing(n);
}

int CMLVDriveBaseDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (activeChannels == 1)
        RunMono(in, out, inPeak, outPeak, n);
    else
        RunLanes(in, out, inPeak, outPeak, n);
    return 0;
}

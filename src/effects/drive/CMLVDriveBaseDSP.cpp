#include "effects/drive/CMLVDriveBaseDSP.h"
#include "effects/drive/BelowNyquist.h"
#include <algorithm>
#include <cmath>

namespace {
// Steep bass cut ahead of the clipper: keeps the low end from smearing the distortion.
const EqBandSet kPreEq = {
    "Pre EQ", {{2, 40, -240, 0, 0}, {1, 68, -240, 2, 0}, {1, 68, -240, 2, 0}, {1, 68, -240, 2, 0}}};

float Db200(double x) {
    return static_cast<float>(std::pow(10.0, x / 200.0));
}
} // namespace

// Low shelf for body, a wide mid scoop and two presence peaks standing in for a speaker cabinet.
const EqBandSet kOverDriveCabinet = {
    "OD Cabinet", {{4, 100, 84, 0, 0}, {1, 1625, -49, 10, 0}, {1, 5383, 136, 5, 0}, {1, 11246, 191, 5, 0}}};
const EqBandSet kDistortionCabinet = {
    "DT Cabinet", {{4, 200, 85, 0, 0}, {1, 1625, -49, 10, 0}, {1, 5383, 136, 5, 0}, {1, 11776, 203, 5, 0}}};

CMLVDriveBaseDSP::CMLVDriveBaseDSP(double sampleRate_, int maxBlockSize_, const DriveModel& model_)
    : CMLVParRelations(sampleRate_, maxBlockSize_), model(model_) {
    name = model.name;
    shortName = model.shortName;
    pluginId = model.pluginId;
    for (int i = 0; i < 5; ++i) {
        const DriveModel::Preset& p = model.presets[i];
        AddPreset(i, p.name, {p.output, p.color, p.drive});
    }
    const DriveModel::Preset& d = model.presets[0];
    AddParameter(kOutput, model.outputParam, "%", 0, 100, 1, d.output, Linear);
    AddParameter(kColor, "Color", "%", 0, 100, 1, d.color, Linear);
    AddParameter(kDrive, model.driveParam, "%", 0, 100, 1, d.drive, Linear);
    RecallPreset("Default");
    UpdateCoefficients(true);
}

void CMLVDriveBaseDSP::Reset() {
    w = 0;
    std::fill(&tone[0][0][0], &tone[0][0][0] + 12, 0.0f);
    std::fill(&ring[0][0], &ring[0][0] + 6, 0.0f);
    for (int i = 0; i < 8; ++i) {
        pre[i].Clear();
        cab[i].Clear();
    }
}

int CMLVDriveBaseDSP::UpdateCoefficients(bool full) {
    const double fs = sampleRate;
    if (full) {
        w = 0;
        for (int i = 0; i < 4; ++i) {
            for (int c = 0; c < 2; ++c) {
                DesignEqBand(kPreEq.bands[i], pre[2 * i + c], fs);
                DesignEqBand(model.cabinet->bands[i], cab[2 * i + c], fs);
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

    // Tone: second-order Butterworth low-pass, 3 to 6 kHz, pre-warped bilinear transform.
    const double fc = BelowNyquist(3000.0 + 30.0 * color, fs);
    const double k = std::tan(3.14159265 * fc / fs);
    const double sqrt2 = static_cast<float>(std::sqrt(2.0));
    const double n = static_cast<float>(1.0 + sqrt2 * k + k * k);
    toneA1 = static_cast<float>(2.0 * (k * k - 1.0) / n);
    toneA2 = static_cast<float>((1.0 - sqrt2 * k + k * k) / n);
    toneG = static_cast<float>(k * k / n);

    // Feedback delay fs / 32 kHz samples (1 to 3), linearly interpolated between two ring taps.
    const double d = std::min(std::max(fs / 32000.0, 1.0), 3.0);
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

// Channel c's pass starts where the previous channel's pass left the ring indices, n samples on; the
// channels are otherwise independent, so they run side by side with those offsets.
template <int C>
void CMLVDriveBaseDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const float gd = gDrive, go = gOut, gdry = gDry, fa = wa, fb = wb;
    const float ta1 = toneA1, ta2 = toneA2, tg = toneG;
    const float fbGain = 0.06f;
    const bool mix = model.mix;
    const int shift = n > 0 ? n % 3 : 0;
    int wi[2] = {w, (w + shift) % 3}, ri[2] = {r, (r + shift) % 3};
    BiquadSection p[2][4], cb[2][4];
    float t[2][6];
    float* rg[2] = {ring[0], ring[1]};
    float ip[2] = {0.0f, 0.0f}, op[2] = {0.0f, 0.0f};
    for (int c = 0; c < C; ++c) {
        for (int k = 0; k < 4; ++k) {
            p[c][k] = pre[2 * k + c];
            cb[c][k] = cab[2 * k + c];
        }
        for (int k = 0; k < 3; ++k) {
            t[c][2 * k] = tone[k][c][0];
            t[c][2 * k + 1] = tone[k][c][1];
        }
    }
    for (int i = 0; i < n; ++i) {
        float xs[2];
        for (int c = 0; c < C; ++c)
            xs[c] = in[c][i];
        for (int c = 0; c < C; ++c) {
            const float xi = xs[c];
            ip[c] = std::max(ip[c], std::fabs(xi));
            float v = gd * xi;
            v = p[c][3].Process(p[c][2].Process(p[c][1].Process(p[c][0].Process(v))));
            v = std::min(std::max(v, -1.0f), 1.0f);
            const int rPrev = ri[c] == 0 ? 2 : ri[c] - 1;
            float u = v + fa * rg[c][ri[c]] + fb * rg[c][rPrev];
            u = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t[c][0], t[c][1]);
            u = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t[c][2], t[c][3]);
            const float tt = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t[c][4], t[c][5]);
            rg[c][wi[c]] = fbGain * tt;
            wi[c] = wi[c] == 2 ? 0 : wi[c] + 1;
            ri[c] = ri[c] == 2 ? 0 : ri[c] + 1;
            float o = mix ? go * tt + gdry * xi : go * tt;
            o = cb[c][3].Process(cb[c][2].Process(cb[c][1].Process(cb[c][0].Process(o))));
            out[c][i] = o;
            op[c] = std::max(op[c], std::fabs(o));
        }
    }
    for (int c = 0; c < C; ++c) {
        for (int k = 0; k < 4; ++k) {
            pre[2 * k + c] = p[c][k];
            cab[2 * k + c] = cb[c][k];
        }
        for (int k = 0; k < 3; ++k) {
            tone[k][c][0] = t[c][2 * k];
            tone[k][c][1] = t[c][2 * k + 1];
        }
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
    // Both channels' passes advance the indices, also when the silent second one is skipped.
    w = (w + 2 * shift) % 3;
    r = (r + 2 * shift) % 3;
}

// Both channels in the lanes of one vector, mirrored in the upper two lanes so that no idle lane trips the
// flushes; the ring taps, which sit at different indices per channel, are gathered lane by lane.
void CMLVDriveBaseDSP::RunLanes(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const float gd = gDrive, go = gOut, gdry = gDry, fa = wa, fb = wb;
    const FloatLanes ta1 = FloatLanes{} + toneA1, ta2 = FloatLanes{} + toneA2, tg = FloatLanes{} + toneG;
    const FloatLanes two = FloatLanes{} + 2.0f, one = FloatLanes{} + 1.0f;
    const float fbGain = 0.06f;
    const bool mix = model.mix;
    const int shift = n > 0 ? n % 3 : 0;
    int wi[2] = {w, (w + shift) % 3}, ri[2] = {r, (r + shift) % 3};
    BiquadLanes p[4], cb[4];
    FloatLanes t[6] = {};
    for (int l = 0; l < 4; ++l) {
        const int c = l % 2;
        for (int k = 0; k < 4; ++k) {
            p[k].Load(l, pre[2 * k + c]);
            cb[k].Load(l, cab[2 * k + c]);
        }
        for (int k = 0; k < 3; ++k) {
            t[2 * k][l] = tone[k][c][0];
            t[2 * k + 1][l] = tone[k][c][1];
        }
    }
    auto magnitude = [](FloatLanes x) {
        return reinterpret_cast<FloatLanes>(reinterpret_cast<IntLanes>(x) & 0x7fffffff);
    };
    FloatLanes ip = {}, op = {};
    for (int i = 0; i < n; ++i) {
        const float x0 = in[0][i], x1 = in[1][i];
        const FloatLanes x = {x0, x1, x0, x1};
        const FloatLanes ax = magnitude(x);
        ip = ip < ax ? ax : ip; // std::max(ip, |x|)
        FloatLanes v = gd * x;
        v = p[3].Process(p[2].Process(p[1].Process(p[0].Process(v))));
        v = v < -1.0f ? FloatLanes{} - 1.0f : v; // std::max(v, -1)
        v = 1.0f < v ? FloatLanes{} + 1.0f : v;  // std::min(v, 1)
        const float a0 = ring[0][ri[0]], a1 = ring[1][ri[1]];
        const float b0 = ring[0][ri[0] == 0 ? 2 : ri[0] - 1], b1 = ring[1][ri[1] == 0 ? 2 : ri[1] - 1];
        const FloatLanes tapA = {a0, a1, a0, a1}, tapB = {b0, b1, b0, b1};
        FloatLanes u = v + fa * tapA + fb * tapB;
        u = BiquadLanes::Step(u, two, one, ta1, ta2, tg, t[0], t[1]);
        u = BiquadLanes::Step(u, two, one, ta1, ta2, tg, t[2], t[3]);
        const FloatLanes tt = BiquadLanes::Step(u, two, one, ta1, ta2, tg, t[4], t[5]);
        for (int c = 0; c < 2; ++c) {
            ring[c][wi[c]] = fbGain * tt[c];
            wi[c] = wi[c] == 2 ? 0 : wi[c] + 1;
            ri[c] = ri[c] == 2 ? 0 : ri[c] + 1;
        }
        FloatLanes o = mix ? go * tt + gdry * x : go * tt;
        o = cb[3].Process(cb[2].Process(cb[1].Process(cb[0].Process(o))));
        out[0][i] = o[0];
        out[1][i] = o[1];
        const FloatLanes ao = magnitude(o);
        op = op < ao ? ao : op;
    }
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 4; ++k) {
            p[k].Store(c, pre[2 * k + c]);
            cb[k].Store(c, cab[2 * k + c]);
        }
        for (int k = 0; k < 3; ++k) {
            tone[k][c][0] = t[2 * k][c];
            tone[k][c][1] = t[2 * k + 1][c];
        }
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
    w = (w + 2 * shift) % 3;
    r = (r + 2 * shift) % 3;
}

int CMLVDriveBaseDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (activeChannels == 1)
        Run<1>(in, out, inPeak, outPeak, n);
    else
        RunLanes(in, out, inPeak, outPeak, n);
    return 0;
}

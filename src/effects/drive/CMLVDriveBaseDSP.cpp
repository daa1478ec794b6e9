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

int CMLVDriveBaseDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    const float gd = gDrive, go = gOut, gdry = gDry, fa = wa, fb = wb;
    const float ta1 = toneA1, ta2 = toneA2, tg = toneG;
    const float fbGain = 0.06f;
    const bool mix = model.mix;
    int wi = w, ri = r;
    for (int c = 0; c < 2; ++c) {
        const float* x = in[c];
        float* y = out[c];
        BiquadSection p0 = pre[c], p1 = pre[2 + c], p2 = pre[4 + c], p3 = pre[6 + c];
        BiquadSection c0 = cab[c], c1 = cab[2 + c], c2 = cab[4 + c], c3 = cab[6 + c];
        float t0a = tone[0][c][0], t0b = tone[0][c][1], t1a = tone[1][c][0], t1b = tone[1][c][1];
        float t2a = tone[2][c][0], t2b = tone[2][c][1];
        float* rg = ring[c];
        float ip = 0.0f, op = 0.0f;
        for (int i = 0; i < n; ++i) {
            const float xi = x[i];
            ip = std::max(ip, std::fabs(xi));
            float v = gd * xi;
            v = p3.Process(p2.Process(p1.Process(p0.Process(v))));
            v = std::min(std::max(v, -1.0f), 1.0f);
            const int rPrev = ri == 0 ? 2 : ri - 1;
            float u = v + fa * rg[ri] + fb * rg[rPrev];
            u = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t0a, t0b);
            u = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t1a, t1b);
            const float t = BiquadSection::Step(u, 2.0f, 1.0f, ta1, ta2, tg, t2a, t2b);
            rg[wi] = fbGain * t;
            wi = wi == 2 ? 0 : wi + 1;
            ri = ri == 2 ? 0 : ri + 1;
            float o = mix ? go * t + gdry * xi : go * t;
            o = c3.Process(c2.Process(c1.Process(c0.Process(o))));
            y[i] = o;
            op = std::max(op, std::fabs(o));
        }
        pre[c] = p0, pre[2 + c] = p1, pre[4 + c] = p2, pre[6 + c] = p3;
        cab[c] = c0, cab[2 + c] = c1, cab[4 + c] = c2, cab[6 + c] = c3;
        tone[0][c][0] = t0a, tone[0][c][1] = t0b, tone[1][c][0] = t1a, tone[1][c][1] = t1b;
        tone[2][c][0] = t2a, tone[2][c][1] = t2b;
        inPeak[c] = ip;
        outPeak[c] = op;
    }
    w = wi;
    r = ri;
    return 0;
}

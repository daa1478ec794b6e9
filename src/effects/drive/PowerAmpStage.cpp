#include "effects/drive/PowerAmpStage.h"
#include <cmath>
#include <initializer_list>

PowerAmpStage::PowerAmpStage() {
    for (FilterSection* f : {&presenceSection, &h1, &h2, &h3})
        f->SetSampleRate(sampleRate);
    h1.DesignHighPass(20.0f, true);
    h2.DesignHighPass(20.0f, true);
    h3.DesignHighPass(20.0f, true);
    presenceSection.DesignPeak(4100.0f, 9.0f * presence, 1.55f);
    CopyCoefficients();
}

PowerAmpStage::Coefficients PowerAmpStage::Copy(const FilterSection& f) {
    return {f.a1, f.a2, f.b1, f.b2, f.g};
}

void PowerAmpStage::CopyCoefficients() {
    ch1 = Copy(h1);
    ch2 = Copy(h2);
    ch3 = Copy(h3);
    ch3.g *= 0.95f; // the lower valve's branch runs slightly weaker
    cpres = Copy(presenceSection);
}

void PowerAmpStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    for (FilterSection* f : {&presenceSection, &h1, &h2, &h3})
        f->SetSampleRate(fs);
    CopyCoefficients();
}

void PowerAmpStage::SetPresence(float p) {
    presence = p;
    presenceSection.DesignPeak(4100.0f, 13.0f * p, 1.55f);
    cpres = Copy(presenceSection);
}

void PowerAmpStage::SetVolume(float v) {
    // Logarithmic taper: 0 at 0 %, 10 at 100 %.
    const double vol = std::fmin(std::fmax(static_cast<double>(v), 0.0), 100.0);
    inputGain = static_cast<float>((1.0 - std::log10(101.0 - vol) / std::log10(101.0)) * 10.0 * typeScale);
}

void PowerAmpStage::SetType(int t) {
    type = t;
    if (t < 0 || t >= 4) return;
    static const struct {
        const AmpModel::PowerValve* valve;
        float scale, level, drive;
    } kTypes[4] = {{&AmpModel::kEL34, 1.0f, 0.6f, 1.3f},
                   {&AmpModel::kEL34, 1.0f, 1.2f, 0.6f},
                   {&AmpModel::k6L6, 0.92f, 0.8f, 0.9f},
                   {&AmpModel::k6L6, 0.92f, 1.2f, 0.1f}};
    valve = kTypes[t].valve;
    typeScale = kTypes[t].scale;
    SetOutputLevel(kTypes[t].level);
    SetDrive(kTypes[t].drive);
}

void PowerAmpStage::SetOutputLevel(float o) {
    level = o;
    if (drive > 0.0f && drive <= 1.3f) Recompute();
}

void PowerAmpStage::SetDrive(float b) {
    if (!(b > 0.0f && b <= 1.3f)) return;
    drive = b;
    Recompute();
}

float PowerAmpStage::DifferenceGain(float b) {
    return (((((1.1704899072647095f * b - 4.312889575958252f) * b + 6.1597747802734375f) * b -
              3.736875295639038f) *
                 b +
             0.9755793213844299f) *
                b +
            0.249567911028862f) *
               b +
           0.0019886582158505917f;
}

void PowerAmpStage::Recompute() {
    invDrive = 1.0f / drive;
    const float poly = DifferenceGain(drive);
    if (type == 2 || type == 3) {
        kd = 0.9444444179534912f * poly;
        outputGain = 1.058823585510254f * level / drive;
    } else {
        kd = poly;
        outputGain = level / drive;
    }
}

void PowerAmpStage::Clear() {
    for (float& s : st)
        s = 0.0f;
}

void PowerAmpStage::Process(const float* in, float* out, int n, float& inPeak, float& outPeak) {
    const Coefficients p = cpres, c1 = ch1, c2 = ch2, c3 = ch3;
    const AmpModel::PowerValve& tube = *valve;
    const float gin = inputGain, k = kd, gout = outputGain;
    float s0 = st[0], s1 = st[1], s2 = st[2], s3 = st[3], s4 = st[4], s5 = st[5], s6 = st[6], s7 = st[7];
    float ip = inPeak, op = outPeak;
    for (int i = 0; i < n; ++i) {
        const float x = in[i];
        ip = std::fmax(ip, std::fabs(x));
        // Presence peak, flushing like every filter section.
        float u = FlushDenormal(p.g * FlushDenormal(gin * x));
        float w = FlushDenormal(s6 + u);
        s6 = p.b1 * u - p.a1 * w + s7;
        s7 = p.b2 * u - p.a2 * w;
        // The high-passes run without flushing.
        u = c1.g * w;
        w = s0 + u;
        s0 = c1.b1 * u - c1.a1 * w + s1;
        s1 = c1.b2 * u - c1.a2 * w;
        float pp, qq;
        AmpModel::PhaseSplitter(w, pp, qq);
        u = c2.g * pp;
        const float wp = s2 + u;
        s2 = c2.b1 * u - c2.a1 * wp + s3;
        s3 = c2.b2 * u - c2.a2 * wp;
        u = c3.g * qq;
        const float wq = s4 + u;
        s4 = c3.b1 * u - c3.a1 * wq + s5;
        s5 = c3.b2 * u - c3.a2 * wq;
        const float v = (AmpModel::PowerValveLookup(tube, wp) - AmpModel::PowerValveLookup(tube, wq)) * k;
        const float y = gout * AmpModel::OutputTransformer(v);
        out[i] = y;
        op = std::fmax(op, std::fabs(y));
    }
    st[0] = s0, st[1] = s1, st[2] = s2, st[3] = s3, st[4] = s4, st[5] = s5, st[6] = s6, st[7] = s7;
    inPeak = ip;
    outPeak = op;
}

#include "effects/drive/PowerAmpStage.h"
#include "effects/PeakUpdate.h"
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

void PowerAmpStage::ProcessOne(const float* in, float* out, float& inPeak, float& outPeak, int n) {
    PowerAmpStage s = *this; // a local copy keeps the state in registers
    float ip = inPeak, op = outPeak;
    constexpr int kChunk = 64;
    float wp[kChunk], wq[kChunk];
    for (int start = 0; start < n; start += kChunk) {
        const int len = n - start < kChunk ? n - start : kChunk;
        for (int i = 0; i < len; ++i) {
            const float x = in[start + i];
            ip = PeakUpdate(ip, x);
            s.Branches(s.FrontEnd(x), wp[i], wq[i]);
        }
        for (int i = 0; i < len; ++i) {
            const float y = s.Output(wp[i], wq[i]);
            out[start + i] = y;
            op = PeakUpdate(op, y);
        }
    }
    *this = s;
    inPeak = ip, outPeak = op;
}

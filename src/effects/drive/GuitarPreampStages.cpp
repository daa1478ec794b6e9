#include "effects/drive/GuitarPreampStages.h"
#include "effects/drive/BilinearTransform.h"
#include "effects/drive/FilterDesigners.h"
#include <cmath>
#include <initializer_list>

namespace {
inline void Assign(FilterSection& f, const CoefficientSet& c) {
    f.g = c.g;
    f.b1 = c.b1;
    f.b2 = c.b2;
    f.a1 = c.a1;
    f.a2 = c.a2;
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
// Blues drive

void BluesDriveStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    Design();
}

void BluesDriveStage::SetDrive(float d) {
    if (d == drive) return;
    drive = d;
    Design();
}

void BluesDriveStage::SetTone(float t) {
    if (t == tone) return;
    tone = t;
    Design();
}

void BluesDriveStage::Clear() {
    for (float& v : s)
        v = 0.0f;
}

void BluesDriveStage::Design() {
    const double fs = sampleRate;
    const double c = BilinearConstant(fs);

    const CoefficientSet hp = DesignButterworthHighPassUnit(70.0, fs);
    inputGain = hp.g;
    hb1 = hp.b1;
    hb2 = hp.b2;
    ha1 = hp.a1;
    ha2 = hp.a2;

    // Drive network: the drive potentiometer R moves the zeros; the poles are fixed.
    const double r = 100000.0 * static_cast<double>(drive);
    const double n2 = 4.7e-13 * r + 1.551e-9 + 3.3e-13 * r;
    const double n1 = 1.27e-4 + 1e-8 * r;
    const BilinearPolynomial num = BilinearMapMonic(n1 / n2, 1.0 / n2, c);
    const BilinearPolynomial den = BilinearMapMonic(81882.65635074144, 644745325.5963893, c, 4.12579e9);
    db1 = static_cast<float>(num.first);
    db2 = static_cast<float>(num.second);
    da1 = static_cast<float>(den.first);
    da2 = static_cast<float>(den.second);
    g1 = static_cast<float>(static_cast<double>(static_cast<float>(n2 / 1.551e-9)) * num.a0 / den.a0);

    // Tone network: the colour potentiometer splits 25 kOhm into ra and rb.
    const double ra = 25000.0 * static_cast<double>(tone), rb = 25000.0 - ra;
    const double m1 = ra * 1e-3, m0 = 1e5;
    const double l = 6.8e-8 * ra + 1e-11 * ra * rb + 6.8e-8 * rb + 6.8e-5 + 1e-8 * ra;
    const double s1 = 6.8e-5 * ra + 1e-3 * ra + 6.8 + 1 + 1e-3 * rb + 1e-8 * ra * rb + 1e-3 * rb + 0.068 +
                      6.8e-5 * rb + 1 + 1e-5 * ra;
    const double s0 = rb + 107800;
    const BilinearPolynomial tden = BilinearMapMonic(s1 / l, s0 / l, c);
    ta1 = static_cast<float>(tden.first);
    ta2 = static_cast<float>(tden.second);
    tb2 = 0.0f;
    if (m1 == 0.0) {
        tb1 = 0.0f;
        g3 = static_cast<float>(4.0 * m0 / (l * tden.a0));
    } else {
        tb1 = static_cast<float>(-(m1 * c - m0) / (m1 * c + m0));
        g3 = static_cast<float>(2.0 * (c + m0 / m1) * (m1 / l) / tden.a0);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Clean preamp

const ClampedPolyShaper CleanPreampStage::kShaper1 = {-3.931192f,    3.5f,           -0.66659313f,     1.0f,
                                                      0.2819329931f, 0.01403408101f, -0.003701060478f, 0.0f};
const ClampedPolyShaper CleanPreampStage::kShaper2 = {-2.425192775f, 5.0f,           -0.2077921f,     1.0f,
                                                      0.1555719892f, 0.02230833481f, -0.00268454653f, 0.0f};

CleanPreampStage::CleanPreampStage() {
    for (FilterSection* f : {&s1, &s2, &s3, &s4})
        f->SetSampleRate(sampleRate);
    s1.DesignHighPass(40.0f, true);
    s2.DesignHighPass(40.0f, true);
    s3.DesignHighShelf(2000.0f, bright, true);
    s4.DesignHighPass(30.0f, true);
}

void CleanPreampStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    for (FilterSection* f : {&s1, &s2, &s3, &s4})
        f->SetSampleRate(fs);
}

void CleanPreampStage::SetBright(float dB) {
    if (dB == bright) return;
    bright = dB;
    s3.DesignHighShelf(2000.0f, dB, true);
}

void CleanPreampStage::Clear() {
    for (FilterSection* f : {&s1, &s2, &s3, &s4})
        f->Clear();
}

// ---------------------------------------------------------------------------------------------------------
// Crunch preamp

const ClampedPolyShaper CrunchPreampStage::kShaper1 = {-2.939192752f, 3.75f,      -0.37826452f, 0.9999991f,
                                                       0.2274823f,    0.0234331f, -0.0034624f,  0.0f};
const ClampedPolyShaper CrunchPreampStage::kShaper2 = {-1.876194887f, 3.75f,      -0.18074624f, 0.99999958f,
                                                       0.179489f,     0.0372926f, -0.0037454f,  0.0f};
const ClampedPolyShaper CrunchPreampStage::kShaper3 = {-3.92348276f, 3.85f,      -0.5513311f, 0.99999458f,
                                                       0.1964888f,   0.0041427f, 0.0003329f,  0.0007424f};

CoefficientSet CrunchPreampStage::InterstageNetwork(double fs) {
    const double c = BilinearConstant(fs), c2 = c * c;
    const double den = 200000.0 * c2 + 1340009877.0 * c + 41153956960.0;
    CoefficientSet r;
    r.g = static_cast<float>((c2 + 4526.935265 * c) / (c2 + 6700.049385 * c + 205769.7848));
    r.b1 = static_cast<float>(-400000.0 * c / (200000.0 * c + 905387053.0));
    r.b2 = static_cast<float>((200000.0 * c - 905387053.0) / (200000.0 * c + 905387053.0));
    r.a1 = static_cast<float>(-320.0 * (1250.0 * c2 - 257212231.0) / den);
    r.a2 = static_cast<float>((200000.0 * c2 - 1340009877.0 * c + 41153956960.0) / den);
    return r;
}

CrunchPreampStage::CrunchPreampStage() {
    DesignPeak();
    Assign(network, InterstageNetwork(sampleRate));
    Assign(highPass, DesignButterworthHighPassUnit(100.0, sampleRate));
}

void CrunchPreampStage::DesignPeak() {
    Assign(peak, DesignPeakWithQ(peakGain, peakFrequency, peakQ, sampleRate));
}

void CrunchPreampStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    DesignPeak();
    Assign(network, InterstageNetwork(fs));
    Assign(highPass, DesignButterworthHighPassUnit(100.0, fs));
}

void CrunchPreampStage::SetPeakFrequency(float f) {
    if (!(f > 1.0f) || f == peakFrequency) return;
    peakFrequency = f;
    DesignPeak();
}

void CrunchPreampStage::SetPeakQ(float q) {
    if (!(q > 0.0f) || q == peakQ) return;
    peakQ = q;
    DesignPeak();
}

void CrunchPreampStage::SetPeakGain(float dB) {
    if (dB == peakGain) return;
    peakGain = dB;
    DesignPeak();
}

void CrunchPreampStage::Clear() {
    peak.Clear();
    network.Clear();
    highPass.Clear();
}

// ---------------------------------------------------------------------------------------------------------
// High-gain preamp

const ClampedPolyShaper HiGainPreampStage::kShaperA = {
    -3.533191442489624f,     3.75f, -0.5189148f, 0.99999893f, 0.2506817877292633f, 0.017196299508213997f,
    -0.0034489999525249004f, 0.0f};
const ClampedPolyShaper HiGainPreampStage::kShaperB = {-2.9487593f, 3.8499999046325684f, -0.34767684f,
                                                       0.9999912f,  0.1629542f,          0.0031404f,
                                                       0.0001475f,  0.0014458f};

HiGainPreampStage::HiGainPreampStage() {
    Assign(lowCut, DesignButterworthHighPassUnit(lowCutFrequency, sampleRate));
    Assign(highPass, DesignButterworthHighPassUnit(50.0, sampleRate));
}

void HiGainPreampStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    Clear();
    Assign(lowCut, DesignButterworthHighPassUnit(lowCutFrequency, fs));
    Assign(highPass, DesignButterworthHighPassUnit(50.0, fs));
}

void HiGainPreampStage::SetLowCut(float f) {
    if (f == lowCutFrequency) return;
    lowCutFrequency = f;
    Assign(lowCut, DesignButterworthHighPassUnit(f, sampleRate));
}

void HiGainPreampStage::Clear() {
    lowCut.Clear();
    highPass.Clear();
}

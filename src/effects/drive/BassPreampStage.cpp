#include "effects/drive/BassPreampStage.h"
#include "effects/drive/AmpModelTables.h"
#include "effects/drive/BilinearTransform.h"
#include <cmath>
#include <initializer_list>

BassPreampStage::BassPreampStage() {
    for (FilterSection* f : {&h1, &h2}) {
        f->SetSampleRate(sampleRate);
        f->DesignHighPass(20.0f, true);
    }
    Design();
}

double BassPreampStage::Wiper(double gainPercent) {
    const double x = std::fmin(std::fmax(gainPercent / 100.0, 0.0), 1.0);
    return 0.041 * (std::exp(x * std::log(1.0 + 1.041 / 0.041)) - 1.0) / 1.041;
}

void BassPreampStage::DesignNetwork(double wiper, bool low, bool high, double fs, double b[5], double a[5]) {
    const double(*poly)[3] = AmpModel::kBassNetwork[low ? 1 : 0][high ? 1 : 0];
    // (1 - z^-1)^k (1 + z^-1)^(4 - k): the image of s^k times (1 + z^-1)^4 / c^k.
    static const double kImage[5][5] = {
        {1, 4, 6, 4, 1}, {1, 2, 0, -2, -1}, {1, 0, -2, 0, 1}, {1, -2, 0, 2, -1}, {1, -4, 6, -4, 1}};
    const double c = BilinearConstant(fs);
    double num[5] = {0, 0, 0, 0, 0}, den[5] = {0, 0, 0, 0, 0};
    double ck = 1.0;
    for (int k = 0; k < 5; ++k) {
        const double nk = (poly[k][2] * wiper + poly[k][1]) * wiper + poly[k][0];
        const double dk = (poly[5 + k][2] * wiper + poly[5 + k][1]) * wiper + poly[5 + k][0];
        for (int j = 0; j < 5; ++j) {
            num[j] += nk * ck * kImage[k][j];
            den[j] += dk * ck * kImage[k][j];
        }
        ck *= c;
    }
    for (int j = 0; j < 5; ++j) {
        b[j] = num[j] / den[0];
        a[j] = den[j] / den[0];
    }
}

void BassPreampStage::Design() {
    DesignNetwork(Wiper(gainControl), ultraLow, ultraHigh, sampleRate, b, a);
}

void BassPreampStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    w = w1 = w2 = w3 = w4 = 0.0;
    Design();
    h1.SetSampleRate(fs);
    h2.SetSampleRate(fs);
}

void BassPreampStage::SetGain(float gainPercent) {
    if (gainPercent == gainControl) return;
    gainControl = gainPercent;
    Design();
}

void BassPreampStage::SetUltraLow(bool on) {
    if (on == ultraLow) return;
    ultraLow = on;
    w = w1 = w2 = w3 = w4 = 0.0;
    Design();
}

void BassPreampStage::SetUltraHigh(bool on) {
    if (on == ultraHigh) return;
    ultraHigh = on;
    w = w1 = w2 = w3 = w4 = 0.0;
    Design();
}

void BassPreampStage::Clear() {
    w = w1 = w2 = w3 = w4 = 0.0;
    f1 = f2 = 0.0;
    h1.Clear();
    h2.Clear();
}

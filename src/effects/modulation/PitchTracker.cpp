#include "effects/modulation/PitchTracker.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kPi = 3.14159265358979323846;

double WrapPi(double d) {
    d = std::fmod(d, 2.0 * kPi);
    if (d > kPi) d -= 2.0 * kPi;
    if (d < -kPi) d += 2.0 * kPi;
    return d;
}
} // namespace

PitchTracker::PitchTracker(int frameLength_, int sampleRate_)
    : frameLength(std::max(frameLength_, 3)), sampleRate(sampleRate_ > 0 ? sampleRate_ : 44100),
      semitone(std::pow(2.0, 1.0 / 12.0)), fft(frameLength - 1), fftPadded(2 * (frameLength - 1)),
      copy(frameLength), work(frameLength - 1), window(frameLength - 1), binsA((frameLength - 1) / 2 + 1),
      binsB((frameLength - 1) / 2 + 1), level((frameLength - 1) / 2 + 1), padded(2 * (frameLength - 1)),
      paddedBins(frameLength) {
    const int n = frameLength - 1, halfWin = n / 2;
    // Hann, built from its two halves so that both ends are exactly zero: the sample that only the
    // second window sees carries no weight in the first, and the reverse.
    for (int i = 0; i < halfWin; ++i) {
        const float w = static_cast<float>(0.5 * (1.0 + std::cos(kPi * (halfWin - i) / halfWin)));
        window[i] = w;
        window[n - 1 - i] = w;
    }
    const double binHz = static_cast<double>(sampleRate) / n;
    lowBin = static_cast<int>(std::lround(kLowHz / binHz));
    highBin = std::clamp(static_cast<int>(std::lround(kHighHz / binHz)), 1, n / 2 - 1);

    DesignDetectionBandPass(bandPass, sampleRate);

    // Second-order Butterworth over the per-frame frequency track.
    const double k = std::tan(300.0 * kPi / frameLength);
    const double norm = 1.0 + std::sqrt(2.0) * k + k * k;
    lpB0 = k * k / norm;
    lpB1 = 2.0 * lpB0;
    lpB2 = lpB0;
    lpA1 = 2.0 * (k * k - 1.0) / norm;
    lpA2 = (1.0 - std::sqrt(2.0) * k + k * k) / norm;

    SetReference(440.0);
    Clear();
}

void PitchTracker::DesignDetectionBandPass(FilterSection& section, int sampleRate) {
    // -3 dB edges exactly on the detection range: the all-pass band-pass has its edges where
    // cos(centre) = cos(mean of the edges) / cos(half their distance), and the distance as bandwidth.
    const double w1 = 2.0 * kPi * kLowHz / sampleRate;
    const double w2 = 2.0 * kPi * std::min(kHighHz, 0.45 * sampleRate) / sampleRate;
    const double centre = std::acos(std::cos((w1 + w2) / 2.0) / std::cos((w2 - w1) / 2.0));
    section.SetSampleRate(static_cast<float>(sampleRate));
    section.DesignBandPass(static_cast<float>(centre * sampleRate / (2.0 * kPi)),
                           static_cast<float>((w2 - w1) * sampleRate / (2.0 * kPi)));
}

void PitchTracker::SetReference(double a4) {
    base = a4 / std::pow(semitone, kReferenceNote);
}

void PitchTracker::Clear() {
    bandPass.Clear();
    history[0] = history[1] = history[2] = 0.0f;
    raw = smoothed = 0.0f;
    lpX1 = lpX2 = lpY1 = lpY2 = 0.0;
    track = 0.0;
    hasNote = false;
    note = 0;
    noteName[0] = 0;
    deviation = 0.0f;
}

int PitchTracker::NearestNote(double f, double base) {
    const double ratio = std::pow(2.0, 1.0 / 12.0);
    int c = 0;
    for (double x = f; x > base && c < 1000; x /= ratio)
        ++c;
    int best = c - 1;
    double bestDist = std::fabs(f - base * std::pow(ratio, c - 1));
    for (int k = c; k <= c + 1; ++k) {
        const double dist = std::fabs(f - base * std::pow(ratio, k));
        if (dist < bestDist) best = k, bestDist = dist;
    }
    return best;
}

void PitchTracker::FormatNoteName(int n, char out[8]) {
    static const char* const letters[12] = {"C", "C", "D", "D", "E", "F", "F", "G", "G", "A", "A", "B"};
    static const bool sharp[12] = {false, true,  false, true,  false, false,
                                   true,  false, true,  false, true,  false};
    const int pc = ((n % 12) + 12) % 12;
    const int octave = (n - pc) / 12;
    std::snprintf(out, 8, "%s%2d%s", letters[pc], std::clamp(octave, -9, 99), sharp[pc] ? "#" : "");
}

double PitchTracker::DeviationFrom(double f, int n, double base) {
    const double ratio = std::pow(2.0, 1.0 / 12.0);
    const double ref = base * std::pow(ratio, n);
    if (f > ref) return 50.0 * (f - ref) / (base * std::pow(ratio, n + 1) - ref);
    if (f < ref) return 50.0 * (f - ref) / (ref - base * std::pow(ratio, n - 1));
    return 0.0;
}

double PitchTracker::CoarseEstimate() {
    // Autocorrelation of the band-passed frame: power spectrum of the zero-padded frame, back to the lag
    // domain (padded so that no lag wraps around onto another).
    const int n = frameLength - 1, half = n / 2;
    std::memset(padded.data() + n, 0, sizeof(float) * static_cast<size_t>(n));
    fftPadded.Forward(padded.data(), paddedBins.data());
    for (int k = 0; k <= n; ++k) {
        paddedBins[k].re = paddedBins[k].re * paddedBins[k].re + paddedBins[k].im * paddedBins[k].im;
        paddedBins[k].im = 0.0f;
    }
    fftPadded.Inverse(paddedBins.data(), padded.data());
    float* r = padded.data();
    // Longer lags rest on fewer products: tapered, and ignored past half the frame.
    for (int lag = 1; lag < half; ++lag)
        work[lag] *= 1.0f - static_cast<float>(lag) / static_cast<float>(half);
    // Largest local maximum. Heights and lag are read off the parabola through the maximum and its
    // neighbours: at high pitches a period between two whole lags would otherwise lose to its double.
    double bestLag = 1.0, best = 0.0;
    bool found = false;
    for (int lag = 1; lag < half - 1; ++lag) {
        const double y0 = r[lag - 1], y1 = r[lag], y2 = r[lag + 1];
        if (!(y1 > y0 && y1 > y2)) continue;
        const double curvature = y0 - 2.0 * y1 + y2; // negative at a maximum
        const double offset = 0.5 * (y0 - y2) / curvature;
        const double height = y1 - 0.25 * (y0 - y2) * offset;
        if (!found || height > best) {
            best = height;
            bestLag = lag + offset;
            found = true;
        }
    }
    return static_cast<double>(sampleRate) / bestLag;
}

double PitchTracker::SpectralEstimate(double coarse) {
    const int n = frameLength - 1;
    for (int i = 0; i < n; ++i)
        work[i] = copy[i] * window[i];
    fft.Forward(work.data(), binsA.data());
    for (int i = 0; i < n; ++i)
        work[i] = copy[i + 1] * window[i];
    fft.Forward(work.data(), binsB.data());

    for (int k = 0; k <= highBin + 1; ++k) {
        const float m = std::sqrt(binsA[k].re * binsA[k].re + binsA[k].im * binsA[k].im);
        level[k] = m > 0.0f ? 20.0f * std::log10(m) : -100.0f;
    }
    // Local maxima up to the top of the range; keep those within the level range of the strongest.
    int count = 0;
    float strongest = -1e30f;
    for (int k = 1; k <= highBin; ++k)
        if (level[k] > level[k - 1] && level[k] > level[k + 1]) strongest = std::max(strongest, level[k]);
    const float floorDb = strongest - static_cast<float>(kPeakRangeDb);
    for (int k = 1; k <= highBin && count < kMaxPeaks; ++k)
        if (level[k] > level[k - 1] && level[k] > level[k + 1] && level[k] > floorDb) peakBins[count++] = k;

    // Exact frequency from the phase advance over one sample; a peak whose advance is more than 0.6 bin
    // from its bin centre is leakage, not a partial.
    int partials = 0;
    for (int i = 0; i < count; ++i) {
        const int k = peakBins[i];
        if (k <= lowBin) continue;
        const double pa = std::atan2(static_cast<double>(binsA[k].im), static_cast<double>(binsA[k].re));
        const double pb = std::atan2(static_cast<double>(binsB[k].im), static_cast<double>(binsB[k].re));
        const double diff = WrapPi(pb - pa - 2.0 * kPi * k / n);
        if (std::fabs(diff) < 1.2 * kPi / n)
            peakFreqs[partials++] = (static_cast<double>(k) / n + diff / (2.0 * kPi)) * sampleRate;
    }

    const double lo = coarse / semitone, hi = coarse * semitone;
    if (partials == 1) return (peakFreqs[0] > lo && peakFreqs[0] < hi) ? peakFreqs[0] : 0.0;
    double sum = 0.0;
    int used = 0;
    for (int i = 1; i < partials; ++i) {
        const double spacing = peakFreqs[i] - peakFreqs[i - 1];
        if (spacing > lo && spacing < hi) sum += spacing, ++used;
    }
    return used ? sum / used : 0.0;
}

float PitchTracker::Analyse(float* frame) {
    const int n = frameLength - 1;
    std::memcpy(copy.data(), frame, sizeof(float) * static_cast<size_t>(frameLength));
    for (int i = 0; i < n; ++i)
        frame[i] = bandPass.Process(frame[i]);
    std::memcpy(padded.data(), frame, sizeof(float) * static_cast<size_t>(n));
    const double coarse = CoarseEstimate();
    const double f = SpectralEstimate(coarse);
    raw = static_cast<float>(f);

    if (raw != 0.0f) {
        history[2] = history[1];
        history[1] = history[0];
        history[0] = raw;
        smoothed = (history[1] != 0.0f && history[2] != 0.0f) ? (history[1] + raw + history[2]) / 3.0f : raw;
    }

    // The note track follows the smoothed frequency once per frame.
    const double x = smoothed;
    track = lpB0 * x + lpB1 * lpX1 + lpB2 * lpX2 - lpA1 * lpY1 - lpA2 * lpY2;
    lpX2 = lpX1;
    lpX1 = x;
    lpY2 = lpY1;
    lpY1 = track;

    if (smoothed > 0.0f) {
        note = NearestNote(track, base);
        hasNote = true;
        FormatNoteName(note, noteName);
        deviation = static_cast<float>(DeviationFrom(smoothed, note, base));
    }
    return smoothed;
}

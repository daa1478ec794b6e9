#include "effects/modulation/PitchShifter.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr float kTwoPi = static_cast<float>(2.0 * kPi);

// 4096-entry tables with guard entries, read with linear interpolation. Sine over [0, 4 pi) so that
// the cosine is the same table a quarter period on; arctangent of a ratio over [0, 8 pi].
constexpr int kTable = 4096;
constexpr float kSinScale = static_cast<float>(kTable / (4.0 * kPi));  // 325.9493
constexpr float kAtanScale = static_cast<float>(kTable / (8.0 * kPi)); // 162.97466
constexpr float kAtanMaxRatio = static_cast<float>(8.0 * kPi);

struct TrigTables {
    float sine[kTable + 2];
    float atan[kTable + 2];
    TrigTables() {
        for (int i = 0; i < kTable + 2; ++i) {
            sine[i] = static_cast<float>(std::sin(i * 4.0 * kPi / kTable));
            atan[i] = static_cast<float>(std::atan(i * 8.0 * kPi / kTable));
        }
    }
};

const TrigTables& Tables() {
    static const TrigTables tables;
    return tables;
}

inline float Lookup(const float* t, float x) {
    const int i = static_cast<int>(x);
    const float f = x - static_cast<float>(i);
    return t[i] + f * (t[i + 1] - t[i]);
}

// Four-quadrant arctangent from the ratio table; ratios beyond 8 pi count as pi / 2.
inline float TableAtan2(const TrigTables& t, float im, float re) {
    const float are = std::fabs(re), aim = std::fabs(im);
    float a;
    if (aim > kAtanMaxRatio * are)
        a = static_cast<float>(kPi / 2);
    else if (are == 0.0f)
        a = 0.0f; // both zero
    else
        a = Lookup(t.atan, aim / are * kAtanScale);
    if (re < 0.0f) a = static_cast<float>(kPi) - a;
    return im < 0.0f ? -a : a;
}

// Phase in [0, 2 pi).
inline float WrapPositive(float p) {
    p -= kTwoPi * std::floor(p * static_cast<float>(1.0 / (2.0 * kPi)));
    return p < 0.0f ? 0.0f : (p >= kTwoPi ? 0.0f : p);
}
} // namespace

int PitchShifter::FrameSizeFor(int sampleRate) {
    switch (sampleRate) {
    case 8000:
        return 256;
    case 11025:
        return 512;
    case 22050:
        return 1024;
    case 88200:
    case 96000:
        return 4096;
    case 176400:
    case 192000:
        return 8192;
    default:
        return 2048;
    }
}

PitchShifter::PitchShifter(int sampleRate, int overlap_, double semitones)
    : frameSize(FrameSizeFor(sampleRate)), overlap(overlap_ > 0 ? overlap_ : 1), step(frameSize / overlap),
      latency(frameSize - step), half(frameSize / 2),
      ratio(static_cast<float>(std::pow(2.0, semitones / 12.0))),
      freqPerBin(static_cast<float>(sampleRate) / static_cast<float>(frameSize)), rover(latency),
      fft(std::make_unique<RealFft>(frameSize)), window(frameSize), inQueue(frameSize), outQueue(frameSize),
      outAccum(2 * frameSize), frame(frameSize), bins(half + 1), lastPhase(half + 1), sumPhase(half + 1),
      anaMag(half + 1), anaFreq(half + 1), synMag(half + 1), synFreq(half + 1), binAdvance(half + 1) {
    Tables();
    // Hann window on both sides. Its squared overlap sums to overlap * 3/8, and the spectrum is resynthesised
    // from magnitudes summed over positive bins, which leaves a gain of 3/2: scaled by sqrt(2/3) per side,
    // a tone passes at unit gain.
    const double scale = std::sqrt(2.0 / 3.0);
    for (int k = 0; k < frameSize; ++k)
        window[k] = static_cast<float>(scale * 0.5 * (1.0 - std::cos(2.0 * kPi * k / frameSize)));
    for (int k = 0; k <= half; ++k) {
        // k * step modulo the frame keeps the advance exact for high bins.
        const long long m = (static_cast<long long>(k) * step) % frameSize;
        binAdvance[k] = static_cast<float>(2.0 * kPi * static_cast<double>(m) / frameSize);
    }
    Reset();
}

void PitchShifter::Reset() {
    inQueue.Clear();
    outQueue.Clear();
    outAccum.Clear();
    lastPhase.Clear();
    sumPhase.Clear();
    rover = latency;
}

void PitchShifter::Process(const float* in, float* out, int n) {
    int done = 0;
    while (done < n) {
        const int m = std::min(n - done, frameSize - rover);
        // Input first: in may be out.
        std::memcpy(inQueue.data() + rover, in + done, sizeof(float) * static_cast<size_t>(m));
        std::memcpy(out + done, outQueue.data() + (rover - latency), sizeof(float) * static_cast<size_t>(m));
        rover += m;
        done += m;
        if (rover >= frameSize) {
            rover = latency;
            ProcessFrame();
        }
    }
}

void PitchShifter::ProcessFrame() {
    const TrigTables& t = Tables();
    const float osamp = static_cast<float>(overlap);
    const float pi = static_cast<float>(kPi);

    for (int k = 0; k < frameSize; ++k)
        frame[k] = inQueue[k] * window[k];
    fft->Forward(frame.data(), bins.data());

    // Analysis: magnitude and true frequency of every bin.
    for (int k = 0; k < half; ++k) {
        const float re = bins[k].re, im = bins[k].im;
        anaMag[k] = std::sqrt(re * re + im * im);
        const float phase = TableAtan2(t, im, re);
        float d = phase - lastPhase[k] - binAdvance[k];
        lastPhase[k] = phase;
        // Into +-pi: subtract pi times the even integer nearest d / pi, rounded away from zero.
        int q = static_cast<int>(d / pi);
        if (q >= 0)
            q += q & 1;
        else
            q -= q & 1;
        d -= pi * static_cast<float>(q);
        anaFreq[k] = (static_cast<float>(k) + osamp * d / kTwoPi) * freqPerBin;
    }
    anaMag[half] = 0.0f;
    anaFreq[half] = 0.0f;

    // Move the bins by the ratio.
    synMag.Clear();
    synFreq.Clear();
    for (int k = 0; k <= half; ++k) {
        const int j = static_cast<int>(static_cast<float>(k) * ratio);
        if (j <= half) {
            synMag[j] += anaMag[k];
            synFreq[j] = anaFreq[k] * ratio;
        }
    }

    // Synthesis: accumulate each bin's phase from its frequency.
    for (int k = 0; k < half; ++k) {
        const float dev = (synFreq[k] - static_cast<float>(k) * freqPerBin) / freqPerBin;
        const float p = WrapPositive(sumPhase[k] + dev * kTwoPi / osamp + binAdvance[k]);
        sumPhase[k] = p;
        const float x = p * kSinScale;
        bins[k].re = synMag[k] * Lookup(t.sine, x + kTable / 8);
        bins[k].im = synMag[k] * Lookup(t.sine, x);
    }
    bins[half].re = bins[half].im = 0.0f;
    fft->Inverse(bins.data(), frame.data());

    // The real inverse counts each positive bin twice, as the sum over both half spectra would.
    const float norm = 2.0f / (static_cast<float>(half) * osamp);
    for (int k = 0; k < frameSize; ++k)
        outAccum[k] += norm * window[k] * frame[k];
    std::memcpy(outQueue.data(), outAccum.data(), sizeof(float) * static_cast<size_t>(step));
    std::memmove(outAccum.data(), outAccum.data() + step, sizeof(float) * static_cast<size_t>(frameSize));
    std::memset(outAccum.data() + frameSize, 0, sizeof(float) * static_cast<size_t>(frameSize));
    std::memmove(inQueue.data(), inQueue.data() + step, sizeof(float) * static_cast<size_t>(latency));
}

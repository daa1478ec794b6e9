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

// Index of the arctangent's two guard entries holding pi / 2, read for ratios beyond the table.
constexpr float kAtanSteep = kTable + 2;

struct TrigTables {
    float sine[kTable + 2];
    float atan[kTable + 4];
    TrigTables() {
        for (int i = 0; i < kTable + 2; ++i) {
            sine[i] = static_cast<float>(std::sin(i * 4.0 * kPi / kTable));
            atan[i] = static_cast<float>(std::atan(i * 8.0 * kPi / kTable));
        }
        atan[kTable + 2] = atan[kTable + 3] = static_cast<float>(kPi / 2);
    }
};

const TrigTables& Tables() {
    static const TrigTables tables;
    return tables;
}

// Linear interpolation in a table at n non-negative indices; a loop of its own so that it becomes gathers.
inline void Interpolate(const float* __restrict table, const float* __restrict at, float* __restrict out,
                        int n) {
    for (int k = 0; k < n; ++k) {
        const int i = static_cast<int>(at[k]);
        const float f = at[k] - static_cast<float>(i);
        out[k] = table[i] + f * (table[i + 1] - table[i]);
    }
}

// Synthesis phases: each bin's phase moves by its frequency over one step and is kept in [0, 2 pi); the
// sine and cosine table indices of the new phases.
inline void AdvancePhases(float* __restrict sum, float* __restrict sineAt, float* __restrict cosineAt,
                          const float* __restrict freq, const float* __restrict advance, int n, float osamp,
                          float freqPerBin) {
    for (int k = 0; k < n; ++k) {
        const float dev = (freq[k] - static_cast<float>(k) * freqPerBin) / freqPerBin;
        float p = sum[k] + dev * kTwoPi / osamp + advance[k];
        p -= kTwoPi * std::floor(p * static_cast<float>(1.0 / (2.0 * kPi)));
        p = p >= 0.0f ? p : 0.0f; // also for anything not a number
        p = p < kTwoPi ? p : 0.0f;
        sum[k] = p;
        sineAt[k] = p * kSinScale;
        cosineAt[k] = sineAt[k] + static_cast<float>(kTable / 8); // a quarter period on
    }
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
      anaMag(half + 1), anaFreq(half + 1), synMag(half + 1), synFreq(half + 1), binAdvance(half + 1),
      tableIndex(half + 1), tableValue(half + 1), tableIndex2(half + 1), tableValue2(half + 1) {
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
            Analyse();
            Resynthesise();
        }
    }
}

void PitchShifter::ProcessInStep(PitchShifter& a, PitchShifter& b, const float* in, float* outA, float* outB,
                                 int n) {
    if (a.frameSize != b.frameSize || a.overlap != b.overlap || a.rover != b.rover) {
        a.Process(in, outA, n);
        b.Process(in, outB, n);
        return;
    }
    int done = 0;
    while (done < n) {
        const int m = std::min(n - done, a.frameSize - a.rover);
        const size_t bytes = sizeof(float) * static_cast<size_t>(m);
        // Inputs first: in may be either output.
        std::memcpy(a.inQueue.data() + a.rover, in + done, bytes);
        std::memcpy(b.inQueue.data() + b.rover, in + done, bytes);
        std::memcpy(outA + done, a.outQueue.data() + (a.rover - a.latency), bytes);
        std::memcpy(outB + done, b.outQueue.data() + (b.rover - b.latency), bytes);
        a.rover += m;
        b.rover += m;
        done += m;
        if (a.rover >= a.frameSize) {
            a.rover = b.rover = a.latency;
            a.Analyse();
            // The same queued input gives the same analysis, phase memories included.
            const size_t binBytes = sizeof(float) * static_cast<size_t>(a.half + 1);
            std::memcpy(b.anaMag.data(), a.anaMag.data(), binBytes);
            std::memcpy(b.anaFreq.data(), a.anaFreq.data(), binBytes);
            std::memcpy(b.lastPhase.data(), a.lastPhase.data(), binBytes);
            a.Resynthesise();
            b.Resynthesise();
        }
    }
}

// Each bin loop is written so the compiler can vectorise it: no branches (selects instead), no calls,
// arrays of floats; the table reads become gathers where the processor has them (the AVX2 clone, picked at
// load time). Every operation is the scalar one, lane by lane, so the clones agree to the bit.
__attribute__((target_clones("avx2", "default"))) void PitchShifter::Analyse() {
    const TrigTables& t = Tables();
    const float osamp = static_cast<float>(overlap);
    const float pi = static_cast<float>(kPi);

    for (int k = 0; k < frameSize; ++k)
        frame[k] = inQueue[k] * window[k];
    fft->Forward(frame.data(), bins.data());

    // Analysis: magnitude and true frequency of every bin, in loops of their own around the table reads so
    // that each vectorises. Distinct arrays: without restrict any store could feed a later table read.
    const FftComplex* __restrict b = bins.data();
    float* __restrict mag = anaMag.data();
    float* __restrict freq = anaFreq.data();
    float* __restrict last = lastPhase.data();
    float* __restrict index = tableIndex.data();
    float* __restrict looked = tableValue.data();
    const float* __restrict advance = binAdvance.data();
    for (int k = 0; k < half; ++k) {
        const float re = b[k].re, im = b[k].im;
        mag[k] = std::sqrt(re * re + im * im);
        // Arctangent of |im / re| from the ratio table; ratios beyond 8 pi read pi / 2 from the guard
        // entries. Index 0 (the table's exact zero) stands in for 0 / 0, and for anything not a number.
        const float are = std::fabs(re), aim = std::fabs(im);
        const float ratioIndex = aim / are * kAtanScale;
        const bool inTable = (ratioIndex >= 0.0f) & (ratioIndex < kTable + 1);
        index[k] = aim > kAtanMaxRatio * are ? kAtanSteep : (inTable ? ratioIndex : 0.0f);
    }
    Interpolate(t.atan, index, looked, half);
    for (int k = 0; k < half; ++k) {
        const float re = b[k].re, im = b[k].im;
        const float a = re < 0.0f ? pi - looked[k] : looked[k];
        const float phase = im < 0.0f ? -a : a;
        float d = phase - last[k] - advance[k];
        last[k] = phase;
        // Into +-pi: subtract pi times the even integer nearest d / pi, rounded away from zero.
        int q = static_cast<int>(d / pi);
        q += q >= 0 ? (q & 1) : -(q & 1);
        d -= pi * static_cast<float>(q);
        freq[k] = (static_cast<float>(k) + osamp * d / kTwoPi) * freqPerBin;
    }
    anaMag[half] = 0.0f;
    anaFreq[half] = 0.0f;
}

__attribute__((target_clones("avx2", "default"))) void PitchShifter::Resynthesise() {
    const TrigTables& t = Tables();
    const float osamp = static_cast<float>(overlap);
    const float* __restrict advance = binAdvance.data();
    float* __restrict index = tableIndex.data();
    float* __restrict looked = tableValue.data();

    // Move the bins by the ratio. The target bin never decreases with k: each target's magnitudes are summed
    // in a register, in the order of k, and stored once.
    synMag.Clear();
    synFreq.Clear();
    int target = -1;
    float sumMag = 0.0f;
    for (int k = 0; k <= half; ++k) {
        const int j = static_cast<int>(static_cast<float>(k) * ratio);
        if (j > half) break;
        if (j != target) {
            if (target >= 0) synMag[target] = sumMag;
            target = j;
            sumMag = 0.0f;
        }
        sumMag += anaMag[k];
        synFreq[j] = anaFreq[k] * ratio;
    }
    if (target >= 0) synMag[target] = sumMag;

    // Synthesis: accumulate each bin's phase from its frequency, kept in [0, 2 pi); cosine and sine from
    // the table, the cosine a quarter period on.
    float* __restrict sum = sumPhase.data();
    float* __restrict cosIndex = tableIndex2.data();
    float* __restrict cosine = tableValue2.data();
    const float* __restrict smag = synMag.data();
    const float* __restrict sfreq = synFreq.data();
    AdvancePhases(sum, index, cosIndex, sfreq, advance, half, osamp, freqPerBin);
    Interpolate(t.sine, index, looked, half);
    Interpolate(t.sine, cosIndex, cosine, half);
    FftComplex* __restrict o = bins.data();
    for (int k = 0; k < half; ++k) {
        o[k].re = smag[k] * cosine[k];
        o[k].im = smag[k] * looked[k];
    }
    bins[half].re = bins[half].im = 0.0f;
    fft->Inverse(bins.data(), frame.data());

    // The real inverse counts each positive bin twice, as the sum over both half spectra would.
    const float norm = 2.0f / (static_cast<float>(half) * osamp);
    for (int k = 0; k < frameSize; ++k)
        outAccum[k] += norm * window[k] * frame[k];
    std::memcpy(outQueue.data(), outAccum.data(), sizeof(float) * static_cast<size_t>(step));
    // Only the first frameSize entries are ever accumulated into: move down the part still to come.
    std::memmove(outAccum.data(), outAccum.data() + step, sizeof(float) * static_cast<size_t>(latency));
    std::memset(outAccum.data() + latency, 0, sizeof(float) * static_cast<size_t>(step));
    std::memmove(inQueue.data(), inQueue.data() + step, sizeof(float) * static_cast<size_t>(latency));
}

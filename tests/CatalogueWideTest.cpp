// Properties every registered effect must have, checked through the embedded host.
#include "HostTestSupport.h"
#include "platform/TickCount.h"
#include "shell/AlgorithmRegistry.h"
#include "shell/CMLVEffectProcess.h"
#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {
using host::Effect;
using host::RenderMode;

// Every rate the effects support, both ends included.
constexpr double kRates[] = {8000.0,  22050.0, 32000.0,  44100.0,  48000.0,
                             88200.0, 96000.0, 176400.0, 192000.0, 384000.0};

// Seconds of random automation per block size at rates up to 48 kHz; higher rates run as many samples
// as 48 kHz does, so that the added rates cost little (shorter under sanitizers).
double AutomationSeconds() {
    if (const char* s = std::getenv("TONVERA_TEST_SECONDS")) return std::atof(s);
#if defined(__SANITIZE_ADDRESS__)
    return 1.0;
#else
    return 10.0;
#endif
}

class EveryEffect : public ::testing::TestWithParam<std::string> {};

// The largest magnitude of n samples; infinity when any is not finite.
double Peak(const float* x, size_t n, double peak = 0) {
    for (size_t i = 0; i < n; ++i)
        peak = std::isfinite(x[i]) ? std::max(peak, static_cast<double>(std::fabs(x[i])))
                                   : std::numeric_limits<double>::infinity();
    return peak;
}
double Peak(const std::vector<std::vector<float>>& y) {
    double peak = 0;
    for (const auto& ch : y)
        peak = Peak(ch.data(), ch.size(), peak);
    return peak;
}

// Random automation of every control, host tempo changes, every rate and block size: finite and bounded.
TEST_P(EveryEffect, RandomAutomationStaysFiniteAndBounded) {
    const double seconds = AutomationSeconds();
    // Footswitch taps are timed in signal time, so that a run does not depend on the machine's speed.
    static uint32_t now = 0;
    MLVSetTickSource([]() { return now; });
    for (double sr : kRates) {
        for (int block : {1, 64, 256, 2048}) {
            host::HostTempo tempo;
            Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, sr, &tempo);
            const uint64_t restarts = MLVRestartCount();
            Rng rng(static_cast<uint64_t>(sr) + static_cast<uint64_t>(block));
            const size_t frames = static_cast<size_t>(seconds * std::min(sr, 48000.0));
            const auto x = TestSignal(sr, std::min<size_t>(frames, static_cast<size_t>(sr)), 7);
            std::vector<float> l(static_cast<size_t>(block)), r(static_cast<size_t>(block));
            const size_t changeEvery = static_cast<size_t>(0.05 * sr);
            size_t nextChange = 0;
            double peak = 0;
            for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block)) {
                now = static_cast<uint32_t>(static_cast<double>(pos) * 1000.0 / sr);
                if (pos >= nextChange) {
                    nextChange += changeEvery;
                    const int index =
                        1 + static_cast<int>(rng.Next() % static_cast<uint32_t>(fx.ParameterCount() + 1));
                    const uint32_t pick = rng.Next() % 4;
                    const double n = pick == 0 ? 0.0 : pick == 1 ? 1.0 : rng.Uniform();
                    fx.Process().HostSetControlValue(index, ControlFromNormalized(n));
                    if (rng.Next() % 8 == 0) tempo.bpm = 40.0 + 200.0 * rng.Uniform();
                }
                const int n = static_cast<int>(std::min(frames - pos, static_cast<size_t>(block)));
                for (int i = 0; i < n; ++i) {
                    const size_t k = (pos + static_cast<size_t>(i)) % x[0].size();
                    l[static_cast<size_t>(i)] = x[0][k];
                    r[static_cast<size_t>(i)] = x[1][k];
                }
                float* io[2] = {l.data(), r.data()};
                fx.Render(io, io, n);
                peak = Peak(r.data(), static_cast<size_t>(n), Peak(l.data(), static_cast<size_t>(n), peak));
                ASSERT_TRUE(std::isfinite(peak))
                    << GetParam() << " at " << sr << " Hz, block " << block << ", from sample " << pos;
            }
            // A sane bound: +80 dB over a full-scale input (an auto-gain compressor at -60 dB, or every
            // equaliser band and the output at +18 dB, legitimately go far above 0 dBFS).
            EXPECT_LT(peak, 1e4) << GetParam() << " at " << sr << " Hz, block " << block;
            EXPECT_EQ(MLVRestartCount(), restarts) << GetParam() << " at " << sr << " Hz, block " << block;
        }
    }
    MLVSetTickSource(nullptr);
}

// Every control at its extremes together, at the lowest and highest supported rates.
TEST_P(EveryEffect, ExtremeSettingsStayFinite) {
    for (double sr : {kRates[0], kRates[std::size(kRates) - 1]}) {
        for (int pattern = 0; pattern < 3; ++pattern) {
            Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, sr);
            const uint64_t restarts = MLVRestartCount();
            for (int i = 2; i < 2 + fx.ParameterCount(); ++i) {
                const double n = pattern == 2 ? (i % 2 ? 1.0 : 0.0) : pattern;
                fx.Process().HostSetControlValue(i, ControlFromNormalized(n));
            }
            const auto y = RenderBlocks(fx, TestSignal(sr, static_cast<size_t>(sr / 4)), 333);
            EXPECT_LT(Peak(y), 1e4) << GetParam() << " pattern " << pattern << " at " << sr; // and finite
            EXPECT_EQ(MLVRestartCount(), restarts) << GetParam() << " pattern " << pattern << " at " << sr;
        }
    }
}

// Blocks of NaN, +infinity and -infinity never crash an effect, and its output is finite again within
// 100 ms of ordinary input (checked over the next 25 ms), at every rate.
TEST_P(EveryEffect, RecoversFromNonFiniteInput) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (double sr : kRates) {
        Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, sr);
        const size_t tenth = static_cast<size_t>(sr / 10), spacing = 256 + tenth + tenth / 4;
        auto x = TestSignal(sr, tenth / 2 + 3 * spacing);
        for (size_t k = 0; k < 3; ++k)
            for (auto& ch : x)
                std::fill_n(ch.begin() + static_cast<long>(tenth / 2 + k * spacing), 256, bad[k]);
        // Long host blocks at the high rates: the silenced copy is made in pieces.
        const auto y = RenderBlocks(fx, x, sr > 100000.0 ? 4096 : 256);
        for (size_t k = 0; k < 3; ++k)
            for (const auto& ch : y)
                for (size_t i = tenth / 2 + k * spacing + 256 + tenth; i < tenth / 2 + (k + 1) * spacing; ++i)
                    ASSERT_TRUE(std::isfinite(ch[i]))
                        << GetParam() << " after " << bad[k] << " at " << sr << " Hz";
    }
}

// A loud square, then input at 1e-30: no subnormal output while the tails decay, and the caller's
// floating-point mode is as it was before.
TEST_P(EveryEffect, NoSubnormalOutputWhileDecaying) {
    const double sr = 48000.0;
    Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, sr);
    std::vector<std::vector<float>> x(2, std::vector<float>(static_cast<size_t>(1.5 * sr), 1e-30f));
    for (auto& ch : x)
        for (size_t i = 0; i < static_cast<size_t>(sr / 2); ++i)
            ch[i] = (i / 240) % 2 ? 1.0f : -1.0f;
#if defined(__SSE__)
    const unsigned mode = _mm_getcsr();
#endif
    const auto y = RenderBlocks(fx, x, 256);
#if defined(__SSE__)
    EXPECT_EQ(_mm_getcsr(), mode);
#endif
    size_t subnormal = 0;
    for (const auto& ch : y)
        for (float v : ch)
            subnormal += std::fpclassify(v) == FP_SUBNORMAL;
    EXPECT_EQ(subnormal, 0u) << GetParam();
}

// Hosts delay every other track by the reported latency, so it must be the delay of the clean signal:
// where an impulse's response rises to a tenth of its peak, give or take a filter's few samples of
// group delay, in every position of the effect's switches.
TEST_P(EveryEffect, ReportedLatencyIsTheCleanPathDelay) {
    Effect probe(Library(), GetParam(), RenderMode::RealTime, 2, 48000.0);
    std::vector<std::pair<int, double>> settings = {{0, 0.0}};
    for (int i = 2; i < 2 + probe.ParameterCount(); ++i)
        if (probe.Parameter(i).type == 3)
            for (int v = 0; v <= static_cast<int>(probe.Parameter(i).maxValue); ++v)
                settings.emplace_back(i, v);
    for (const auto& [index, value] : settings) {
        Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, 48000.0);
        if (index) fx.SetParameterPlain(index, value);
        std::vector<std::vector<float>> x(2, std::vector<float>(8192, 0.0f));
        x[0][1024] = x[1][1024] = 0.5f;
        const auto y = RenderBlocks(fx, x, 256);
        const double peak = Peak(y[0].data(), y[0].size());
        int onset = 0;
        while (onset < 8192 && std::fabs(y[0][static_cast<size_t>(onset)]) < 0.1 * peak)
            ++onset;
        EXPECT_NEAR(onset - 1024, fx.Process().GetLatency(), 8)
            << GetParam() << " " << (index ? fx.Parameter(index).name : "default") << " = " << value;
    }
}

// From the first block on, with the parameter writes an LV2 run() makes on the audio thread (status
// texts with "Sync coeff" on included) and mono blocks longer than the instance was sized for.
TEST_P(EveryEffect, ProcessAllocatesNothing) {
    if (!alloc_count::Available()) GTEST_SKIP() << "the sanitizer owns the allocator";
    for (int channels : {2, 1}) { // mono blocks longer than the instance was sized for
        host::HostTempo tempo;
        Effect fx(Library(), GetParam(), RenderMode::RealTime, channels, 48000.0, &tempo);
        const auto x = TestSignal(48000.0, 48000);
        std::vector<float> l(4096), r(4096);
        float* io[2] = {l.data(), r.data()};
        Rng rng(3);
        l[0] = 0.5f;
        fx.Render(io, io, 0); // an empty block touches nothing
        EXPECT_EQ(l[0], 0.5f);
        long allocations = 0;
        for (size_t pos = 0; pos + 4096 <= x[0].size(); pos += 256) {
            const int n = pos % 2048 == 0 ? 4096 : 256;
            std::copy_n(x[0].begin() + static_cast<long>(pos), n, l.begin());
            std::copy_n(x[1].begin() + static_cast<long>(pos), n, r.begin());
            alloc_count::Start();
            for (int index = 2; index < 2 + fx.ParameterCount(); ++index)
                fx.Process().HostSetControlValue(index, ControlFromNormalized(rng.Uniform()));
            if (pos % 4096 == 0) tempo.bpm = 60.0 + 120.0 * rng.Uniform();
            fx.Render(io, io, n);
            allocations += alloc_count::Stop();
            ASSERT_TRUE(std::isfinite(Peak(l.data(), 4096, Peak(r.data(), 4096))))
                << GetParam() << " channels " << channels << " at " << pos;
        }
        EXPECT_EQ(allocations, 0) << GetParam() << " channels " << channels;
    }
}

// An editor creates algorithms for their parameter and preset records alone: cheap even at 384 kHz.
// The audio buffers come with the effect process's preparation.
TEST_P(EveryEffect, AlgorithmRecordsAloneAreCheap) {
    if (!alloc_count::Available()) GTEST_SKIP() << "the sanitizer owns the allocator";
    int type = 0;
    for (const host::EffectSummary& e : Library().Effects())
        if (e.code == GetParam()) type = e.effectType;
    const std::clock_t start = std::clock();
    alloc_count::Start();
    std::unique_ptr<CMLVDSPAlgInterface> alg(AlgorithmRegistry::Create(type, 384000.0, 256));
    EXPECT_GT(alloc_count::Stop(), 0) << "the counter sees the records' allocations";
    const double ms = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    ASSERT_TRUE(alg);
    EXPECT_LE(alloc_count::Bytes(), 2L << 20) << GetParam();
    EXPECT_LE(ms, 30.0) << GetParam();
}

// Outputs sharing the input buffers sound as separate ones, and host block lengths change nothing (but
// for effects that work per host block by design).
TEST_P(EveryEffect, OutputDoesNotDependOnBlockSizeOrBufferSharing) {
    const auto x = TestSignal(44100.0, 24000);
    Effect ref(Library(), GetParam(), RenderMode::RealTime, 2, 44100.0);
    const auto expected = RenderBlocks(ref, x, 251, false);
    const bool perBlock = ref.Process().DependsOnBlockSize();
    for (int block : {251, 1, 64, 1000, 2048, 4096}) {
        if (perBlock && block != 251) break;
        Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, 44100.0);
        EXPECT_EQ(RenderBlocks(fx, x, block, true), expected) << GetParam() << " block " << block;
    }
    // Bypassed: the input exactly, out of place and in place.
    ref.SetBypass(true);
    EXPECT_EQ(RenderBlocks(ref, x, 256, false), x);
    EXPECT_EQ(RenderBlocks(ref, x, 100, true), x);
}

// An effect whose channels are independent skips a mono instance's silent second channel: the mono
// output must still be, bit for bit, the left output of a stereo render with a silent right input,
// through random automation, tempo changes and block lengths, in both render modes.
TEST_P(EveryEffect, MonoShortcutMatchesLeftOfStereoWithSilentRight) {
    Effect probe(Library(), GetParam(), RenderMode::RealTime, 1, 48000.0);
    if (!probe.Process().ChannelsIndependent()) GTEST_SKIP() << GetParam() << " mixes or links its channels";
    const std::vector<float> x = TestSignal(48000.0, 48000, 5)[0];
    for (RenderMode mode : {RenderMode::RealTime, RenderMode::Offline}) {
        host::HostTempo tempoMono, tempoStereo;
        Effect mono(Library(), GetParam(), mode, 1, 48000.0, &tempoMono);
        Effect stereo(Library(), GetParam(), mode, 2, 48000.0, &tempoStereo);
        Rng rng(9);
        std::vector<float> m(x.size()), l(x.size()), silent(x.size(), 0.0f), right(x.size());
        for (size_t pos = 0; pos < x.size();) {
            const int index =
                1 + static_cast<int>(rng.Next() % static_cast<uint32_t>(mono.ParameterCount() + 1));
            const int32_t value = ControlFromNormalized(rng.Next() % 3 ? rng.Uniform() : rng.Next() % 2);
            // The footswitch rarely: a bypassed block is a plain copy.
            if (index > 1 || rng.Next() % 4 == 0) {
                mono.Process().HostSetControlValue(index, value);
                stereo.Process().HostSetControlValue(index, value);
            }
            if (rng.Next() % 8 == 0) tempoMono.bpm = tempoStereo.bpm = 40.0 + 200.0 * rng.Uniform();
            // Up to the scratch length, so that the mono render is not cut into other blocks.
            const int n = static_cast<int>(std::min<size_t>(x.size() - pos, 1 + rng.Next() % 2048));
            std::copy_n(x.begin() + static_cast<long>(pos), n, m.begin() + static_cast<long>(pos));
            std::copy_n(x.begin() + static_cast<long>(pos), n, l.begin() + static_cast<long>(pos));
            float* ioMono[1] = {m.data() + pos};
            float* inStereo[2] = {l.data() + pos, silent.data() + pos};
            float* outStereo[2] = {l.data() + pos, right.data() + pos};
            mono.Render(ioMono, ioMono, n);
            stereo.Render(inStereo, outStereo, n);
            pos += static_cast<size_t>(n);
        }
        EXPECT_EQ(0, std::memcmp(m.data(), l.data(), sizeof(float) * m.size()))
            << GetParam() << (mode == RenderMode::Offline ? " offline" : " real-time");
    }
}

TEST_P(EveryEffect, ChunkRoundTripRestoresEveryControl) {
    Effect a(Library(), GetParam(), RenderMode::RealTime, 2, 48000.0);
    Rng rng(11);
    for (int i = 2; i < 2 + a.ParameterCount(); ++i)
        a.Process().HostSetControlValue(i, ControlFromNormalized(rng.Uniform()));
    const std::vector<uint8_t> saved = a.SaveChunk();
    // Header size field, then data: marker and one 8-byte key per control with a 4- or 8-byte value.
    int32_t size;
    std::memcpy(&size, saved.data(), 4);
    EXPECT_EQ(static_cast<size_t>(size), saved.size());
    EXPECT_EQ(saved.size(), 56u + 4u + 12u + 16u * static_cast<size_t>(a.ParameterCount()));

    Effect b(Library(), GetParam(), RenderMode::Offline, 2, 48000.0);
    b.RestoreChunk(saved);
    for (int i = 1; i <= a.Process().GetNumControls(); ++i) {
        int32_t va, vb;
        a.Process().GetControlValue(i, &va);
        b.Process().GetControlValue(i, &vb);
        EXPECT_EQ(va, vb) << GetParam() << " control " << i;
    }
    bool equal = false;
    b.Process().CompareChunk(0x656c636b, reinterpret_cast<const SFicPlugInChunkHeader*>(saved.data()),
                             &equal);
    EXPECT_TRUE(equal);
    // Only the header's type identifier differs between the stereo and offline types.
    auto typeless = [](std::vector<uint8_t> r) {
        std::memset(r.data() + 16, 0, 4);
        return r;
    };
    const std::vector<uint8_t> again = typeless(b.SaveChunk());
    EXPECT_EQ(typeless(saved), again);

    // The mono type takes the record too; another effect's record is refused and changes nothing.
    Effect mono(Library(), GetParam(), RenderMode::RealTime, 1, 48000.0);
    EXPECT_NO_THROW(mono.RestoreChunk(saved));
    const std::vector<uint8_t> foreign =
        Effect(Library(), GetParam() == "LC" ? "HGG" : "LC", RenderMode::RealTime, 1, 48000.0).SaveChunk();
    std::vector<SFicPlugInChunkHeader> aligned(foreign.size() / sizeof(SFicPlugInChunkHeader) + 1);
    std::memcpy(aligned.data(), foreign.data(), foreign.size());
    EXPECT_EQ(b.Process().SetChunk(0x656c636b, aligned.data()), kUnsupported);
    b.Process().CompareChunk(0x656c636b, aligned.data(), &equal);
    EXPECT_FALSE(equal);
    EXPECT_EQ(typeless(b.SaveChunk()), again);
}

TEST_P(EveryEffect, FactoryPresetsRecallAndRender) {
    Effect fx(Library(), GetParam(), RenderMode::Offline, 2, 48000.0);
    const auto presets = fx.Presets();
    ASSERT_FALSE(presets.empty());
    EXPECT_EQ(presets[0].name, "Default");
    for (const PresetDescription& p : presets) {
        ASSERT_EQ(static_cast<int>(p.values.size()), fx.ParameterCount())
            << GetParam() << " \"" << p.name << "\"";
        fx.RecallPreset(p.name);
        for (int i = 2; i < 2 + fx.ParameterCount(); ++i) {
            const ParameterDescription d = fx.Parameter(i);
            double v = std::min(
                std::max(static_cast<double>(p.values[static_cast<size_t>(i - 2)]), d.minValue), d.maxValue);
            if (d.type == 3) v = std::floor(v + 0.5);
            // The control path carries a float normalized value: a few float steps of the range.
            EXPECT_NEAR(fx.PlainValue(i), v, 1e-5 * (d.maxValue - d.minValue) + 1e-4 * std::fabs(v))
                << GetParam() << " \"" << p.name << "\" " << d.name;
        }
        EXPECT_TRUE(std::isfinite(Peak(RenderBlocks(fx, TestSignal(48000.0, 12000), 12000))))
            << GetParam() << " \"" << p.name << "\"";
    }
}

// The parameter records are what hosts show: sane ranges, defaults inside them, labels for lists.
TEST_P(EveryEffect, ParameterRecordsAreConsistent) {
    Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, 48000.0);
    ASSERT_LE(fx.ParameterCount(), 12) << "the relations accept indices 2 to 13";
    for (int i = 2; i < 2 + fx.ParameterCount(); ++i) {
        const ParameterDescription d = fx.Parameter(i);
        EXPECT_TRUE(d.minValue < d.maxValue && d.minValue <= d.defaultValue && d.defaultValue <= d.maxValue)
            << d.name;
        // Lists count from 0 with one label per value; logarithmic ranges stay above 0.
        if (d.type == List) {
            EXPECT_TRUE(d.minValue == 0 && d.maxValue + 1 == double(d.labels.size())) << d.name;
        }
        if (d.type == Logarithmic) {
            EXPECT_GT(d.minValue, 0.0) << d.name;
        }
    }
}

// Two footswitch presses 500 ms apart in tap mode give 120 BPM or 2 Hz, through the host controls.
TEST_P(EveryEffect, TapTempoThroughTheFootswitch) {
    Effect fx(Library(), GetParam(), RenderMode::RealTime, 2, 48000.0);
    int tap = 0, tempo = 0, rate = 0;
    for (int i = 2; i < 2 + fx.ParameterCount(); ++i) {
        const std::string n = fx.Parameter(i).name;
        if (n == "Tap") tap = i;
        if (n == "Tempo") tempo = i;
        if (n == "Rate") rate = i;
    }
    if (!tap) GTEST_SKIP() << GetParam() << " has no tap tempo";
    static uint32_t now = 0;
    MLVSetTickSource([]() { return now; });
    fx.Process().HostSetControlValue(tap, ControlFromNormalized(1.0));
    now = 10000;
    fx.SetBypass(true);
    now = 10500;
    fx.SetBypass(false);
    MLVSetTickSource(nullptr);
    if (tempo) {
        EXPECT_NEAR(fx.PlainValue(tempo), 120.0, 1e-4) << GetParam();
    } else if (rate) {
        EXPECT_NEAR(fx.PlainValue(rate), 2.0, 1e-6) << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryEffect, ::testing::ValuesIn(RegisteredCodes()),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });
} // namespace

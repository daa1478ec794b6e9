// Times every registered effect at 48 kHz through its real-time stereo and mono types, host blocks of
// 256, with its "Default" preset (and a few named variants), and reports the multiple of real time.
#include "host/EmbeddedHost.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

namespace {
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

host::PluginLibrary& Library() {
    static host::PluginLibrary library;
    return library;
}

// Settings whose cost differs a lot from "Default" (effect code, parameter, value).
struct Variant {
    const char* code;
    const char* parameter;
    const char* value;
};
const Variant kVariants[] = {{"EC", "x5 Oversampling", "On"}};

void Run(benchmark::State& state, const std::string& code, int channels, const Variant* variant) {
    host::HostTempo tempo;
    host::Effect fx(Library(), code, host::RenderMode::RealTime, channels, kRate, &tempo);
    fx.RecallPreset("Default");
    if (variant) fx.SetParameter(variant->parameter, variant->value);
    std::vector<float> l(kBlock), r(kBlock), src(48000);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<float>(
            0.3 * std::sin(2 * 3.14159265358979 * 196.0 * static_cast<double>(i) / kRate) +
            0.1 * std::sin(2 * 3.14159265358979 * 1500.0 * static_cast<double>(i) / kRate));
    size_t pos = 0;
    float* io[2] = {l.data(), r.data()};
    for (auto _ : state) {
        if (pos + kBlock > src.size()) pos = 0;
        std::copy_n(src.begin() + static_cast<long>(pos), kBlock, l.begin());
        std::copy_n(src.begin() + static_cast<long>(pos), kBlock, r.begin());
        pos += kBlock;
        fx.Render(io, io, kBlock);
        benchmark::DoNotOptimize(l.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(kBlock) / kRate,
                                                      benchmark::Counter::kIsIterationInvariantRate);
}

bool HasParameter(const std::string& code, const std::string& name) {
    host::Effect probe(Library(), code, host::RenderMode::RealTime, 2, kRate);
    for (int i = 2; i < 2 + probe.ParameterCount(); ++i)
        if (probe.Parameter(i).name == name) return true;
    return false;
}
} // namespace

// Names: CODE/stereo, CODE/mono, and CODE/stereo/PARAMETER=VALUE for the variants.
int main(int argc, char** argv) {
    for (const host::EffectSummary& e : Library().Effects()) {
        for (int channels : {2, 1}) {
            const std::string name = e.code + (channels == 2 ? "/stereo" : "/mono");
            benchmark::RegisterBenchmark(name.c_str(), [code = e.code, channels](benchmark::State& s) {
                Run(s, code, channels, nullptr);
            });
            for (const Variant& v : kVariants)
                if (e.code == v.code && HasParameter(e.code, v.parameter))
                    benchmark::RegisterBenchmark(
                        (name + "/" + v.parameter + "=" + v.value).c_str(),
                        [code = e.code, channels, &v](benchmark::State& s) { Run(s, code, channels, &v); });
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Times every registered effect at 48 kHz stereo, host blocks of 256, with its "Default" preset
// (and a few named variants), and reports the multiple of real time.
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

void Run(benchmark::State& state, const std::string& code, const Variant* variant) {
    host::HostTempo tempo;
    host::Effect fx(Library(), code, host::RenderMode::RealTime, 2, kRate, &tempo);
    fx.RecallPreset("Default");
    if (variant) fx.SetParameter(variant->parameter, variant->value);
    std::vector<float> l(kBlock), r(kBlock), src(48000);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<float>(0.3 * std::sin(2 * 3.14159265358979 * 196.0 * static_cast<double>(i) / kRate) +
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
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(kBlock) / kRate, benchmark::Counter::kIsIterationInvariantRate);
}
} // namespace

int main(int argc, char** argv) {
    for (const host::EffectSummary& e : Library().Effects()) {
        benchmark::RegisterBenchmark(e.code.c_str(), [code = e.code](benchmark::State& s) { Run(s, code, nullptr); });
        for (const Variant& v : kVariants) {
            if (e.code != v.code) continue;
            host::Effect probe(Library(), e.code, host::RenderMode::RealTime, 2, kRate);
            bool has = false;
            for (int i = 2; i < 2 + probe.ParameterCount(); ++i) has = has || probe.Parameter(i).name == v.parameter;
            if (has)
                benchmark::RegisterBenchmark((e.code + "/" + v.parameter + "=" + v.value).c_str(),
                                             [code = e.code, &v](benchmark::State& s) { Run(s, code, &v); });
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

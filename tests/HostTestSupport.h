#pragma once
#include "host/EmbeddedHost.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// The plug-in library, loaded once through the embedded host as a host would.
host::PluginLibrary& Library();
// Codes of every registered effect, in registration order.
std::vector<std::string> RegisteredCodes();

// Counts heap allocations while enabled (operator new and malloc are replaced in the test binary).
namespace alloc_count {
void Start();
// Stops counting and returns the allocations seen since Start.
long Stop();
// Bytes those allocations asked for.
long Bytes();
bool Available();
} // namespace alloc_count

// A deterministic test signal: a chord of sines, noise bursts, a silent stretch and a full-scale stretch.
std::vector<std::vector<float>> TestSignal(double sampleRate, size_t frames, uint32_t seed = 1);

// Renders planar audio through an effect in host blocks of blockSize, in place when inPlace.
std::vector<std::vector<float>> RenderBlocks(host::Effect& effect,
                                             const std::vector<std::vector<float>>& input, int blockSize,
                                             bool inPlace = true);

// Small deterministic generator for test choices.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<uint32_t>(s >> 11);
    }
    double Uniform() { return Next() / 2097152.0 / 1024.0; } // 0 .. 1 (21 + 10 bits)
};

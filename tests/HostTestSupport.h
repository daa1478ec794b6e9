#pragma once
#include "host/EmbeddedHost.h"
#include <atomic>
#include <cstdint>
#include <sndfile.h>
#include <string>
#include <vector>

// The plug-in library's objects linked into the tests, opened once through the embedded host as a host
// would.
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

// Runs the command line with args (shell words), stopped after 60 s (exit 124) rather than stalling the
// tests; returns its exit code, or -1 when it did not exit. Its standard output and error go to out and err.
int RunCli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr);
// Planar channels as a WAV file with samples of the given format.
void WriteWav(const std::string& path, const std::vector<std::vector<float>>& channels, int rate,
              int sampleFormat = SF_FORMAT_PCM_24);
// Planar channels of a sound file; empty when it cannot be read.
std::vector<std::vector<float>> ReadWav(const std::string& path, SF_INFO* info = nullptr);

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

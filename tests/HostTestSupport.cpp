#include "HostTestSupport.h"
#include <cmath>
#include <cstdlib>
#include <new>

host::PluginLibrary& Library() {
    static host::PluginLibrary library(TONVERA_PLUGIN_BUILD_PATH);
    return library;
}

std::vector<std::string> RegisteredCodes() {
    std::vector<std::string> codes;
    for (const auto& e : Library().Effects())
        codes.push_back(e.code);
    return codes;
}

std::vector<std::vector<float>> TestSignal(double sampleRate, size_t frames, uint32_t seed) {
    std::vector<std::vector<float>> x(2, std::vector<float>(frames));
    Rng rng(seed);
    const double pi = 3.14159265358979323846;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const size_t section = (i * 8 / (frames ? frames : 1)) % 8;
        for (int c = 0; c < 2; ++c) {
            double v = 0.25 * std::sin(2 * pi * (110.0 + 55.0 * c) * t) +
                       0.15 * std::sin(2 * pi * 1234.5 * t) + 0.1 * std::sin(2 * pi * 4567.0 * t);
            if (section == 2) v += 0.6 * (rng.Uniform() - 0.5);
            if (section == 4) v = 0.0;                  // silence: decays towards denormals
            if (section == 6) v = (v > 0 ? 1.0 : -1.0); // full-scale square
            x[static_cast<size_t>(c)][i] = static_cast<float>(v);
        }
    }
    return x;
}

std::vector<std::vector<float>> RenderBlocks(host::Effect& effect,
                                             const std::vector<std::vector<float>>& input, int blockSize,
                                             bool inPlace) {
    const int channels = effect.Channels();
    std::vector<std::vector<float>> out = input;
    out.resize(static_cast<size_t>(channels));
    std::vector<std::vector<float>> src = out;
    const size_t frames = out[0].size();
    for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(blockSize)) {
        const int n = static_cast<int>(std::min(frames - pos, static_cast<size_t>(blockSize)));
        float* o[2] = {out[0].data() + pos, channels > 1 ? out[1].data() + pos : nullptr};
        float* i[2] = {src[0].data() + pos, channels > 1 ? src[1].data() + pos : nullptr};
        effect.Render(inPlace ? o : i, o, n);
    }
    return out;
}

// Allocation counting. Under AddressSanitizer the allocator belongs to the sanitizer.
#if defined(__SANITIZE_ADDRESS__)
namespace alloc_count {
void Start() {}
long Stop() {
    return 0;
}
long Bytes() {
    return 0;
}
bool Available() {
    return false;
}
} // namespace alloc_count
#else
namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_count{0};
std::atomic<long> g_bytes{0};
inline void Note(size_t bytes) {
    if (!g_counting.load(std::memory_order_relaxed)) return;
    g_count.fetch_add(1, std::memory_order_relaxed);
    g_bytes.fetch_add(static_cast<long>(bytes), std::memory_order_relaxed);
}
} // namespace

namespace alloc_count {
void Start() {
    g_count = 0;
    g_bytes = 0;
    g_counting = true;
}
long Stop() {
    g_counting = false;
    return g_count.load();
}
long Bytes() {
    return g_bytes.load();
}
bool Available() {
    return true;
}
} // namespace alloc_count

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

extern "C" void* malloc(size_t n) {
    Note(n);
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t a, size_t b) {
    Note(a * b);
    return __libc_calloc(a, b);
}
extern "C" void* realloc(void* p, size_t n) {
    Note(n);
    return __libc_realloc(p, n);
}
extern "C" void free(void* p) {
    __libc_free(p);
}

void* operator new(size_t n) {
    Note(n);
    if (void* p = __libc_malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) {
    return operator new(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    Note(n);
    return __libc_malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return operator new(n, std::nothrow);
}
void operator delete(void* p) noexcept {
    __libc_free(p);
}
void operator delete[](void* p) noexcept {
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept {
    __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept {
    __libc_free(p);
}
#endif

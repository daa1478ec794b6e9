#include "HostTestSupport.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <sys/wait.h>
#include <unistd.h>

host::PluginLibrary& Library() {
    static host::PluginLibrary library{host::PluginLibrary::LinkedIn()};
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
// clang-format off
namespace alloc_count {
void Start() {}
long Stop() { return 0; }
long Bytes() { return 0; }
bool Available() { return false; }
} // namespace alloc_count
// clang-format on
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
// clang-format off
long Bytes() { return g_bytes.load(); }
bool Available() { return true; }
// clang-format on
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
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    Note(n);
    return __libc_malloc(n ? n : 1);
}
// clang-format off
void* operator new[](size_t n) { return operator new(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return operator new(n, std::nothrow); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
// clang-format on
#endif

namespace {
std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
} // namespace

int RunCli(const std::string& args, std::string* out, std::string* err) {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/tonvera-run-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    const std::string cmd = std::string("timeout 60 ") + TONVERA_CLI_PATH + " " + args + " >" + dir +
                            "/stdout.txt 2>" + dir + "/stderr.txt";
    const int status = std::system(cmd.c_str());
    if (out) *out = ReadText(dir + "/stdout.txt");
    if (err) *err = ReadText(dir + "/stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteWav(const std::string& path, const std::vector<std::vector<float>>& ch, int rate,
              int sampleFormat) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(ch.size());
    info.format = SF_FORMAT_WAV | sampleFormat;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> inter(ch[0].size() * ch.size());
    for (size_t i = 0; i < ch[0].size(); ++i)
        for (size_t c = 0; c < ch.size(); ++c)
            inter[i * ch.size() + c] = ch[c][i];
    sf_writef_float(f, inter.data(), static_cast<sf_count_t>(ch[0].size()));
    sf_close(f);
}

std::vector<std::vector<float>> ReadWav(const std::string& path, SF_INFO* infoOut) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<float> inter(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, inter.data(), info.frames);
    sf_close(f);
    if (infoOut) *infoOut = info;
    std::vector<std::vector<float>> ch(static_cast<size_t>(info.channels),
                                       std::vector<float>(static_cast<size_t>(info.frames)));
    for (size_t i = 0; i < ch[0].size(); ++i)
        for (size_t c = 0; c < ch.size(); ++c)
            ch[c][i] = inter[i * ch.size() + c];
    return ch;
}

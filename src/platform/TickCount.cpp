#include "platform/TickCount.h"
#include <atomic>
#include <ctime>

namespace {
std::atomic<uint32_t (*)()> g_source{nullptr};
}

uint32_t MLVGetTickCount() {
    if (auto source = g_source.load()) return source();
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void MLVSetTickSource(uint32_t (*source)()) {
    g_source.store(source);
}

// Preloaded into a host (jalv) by the editor tests: every control value the editor writes through the
// host's write function is appended to $TONVERA_PORT_LOG as "PORT VALUE", then passed on unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

using WriteFunc = void (*)(void* controller, uint32_t port, uint32_t size, uint32_t protocol,
                           const void* buffer);
using HostNew = void* (*)(WriteFunc, void*, void*, void*);

WriteFunc g_write = nullptr;

void LoggingWrite(void* controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
    if (protocol == 0 && size == sizeof(float)) {
        if (const char* path = std::getenv("TONVERA_PORT_LOG")) {
            if (FILE* f = std::fopen(path, "a")) {
                float v;
                std::memcpy(&v, buffer, sizeof v);
                std::fprintf(f, "%u %.6f\n", port, static_cast<double>(v));
                std::fclose(f);
            }
        }
    }
    g_write(controller, port, size, protocol, buffer);
}

} // namespace

// suil's constructor of the host side of every plug-in UI: the write function passes through here.
extern "C" __attribute__((visibility("default"))) void* suil_host_new(WriteFunc write, void* index,
                                                                      void* subscribe, void* unsubscribe) {
    static const auto next = reinterpret_cast<HostNew>(dlsym(RTLD_NEXT, "suil_host_new"));
    g_write = write;
    return next(write ? LoggingWrite : nullptr, index, subscribe, unsubscribe);
}

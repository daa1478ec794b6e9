#include "shell/EntryPoints.h"
#include "shell/CMLVEffectGroupSpecific.h"
#include "shell/HostFacts.h"
#include <dlfcn.h>
#include <memory>
#include <new>
#include <string>

namespace {
int g_openCount = 0;
bool g_openedByHost = false;
bool g_handedOver = false;
bool g_initialised = false;
// A function-local static: the load notification may run before this file's static constructors when
// the objects are linked into an executable.
std::string& LibraryPath() {
    static std::string path;
    return path;
}
void* g_moduleHandle = nullptr;
// Released by the close routine, or by its own destructor at unload.
std::unique_ptr<CMLVEffectGroupSpecific> g_group;

constexpr int kRoutineCount = 174;
struct RoutineTable {
    int numbers[kRoutineCount];
    RoutineTable() {
        for (int i = 0; i < kRoutineCount; ++i)
            numbers[i] = i;
    }
};
RoutineTable g_routines;

short OpenRoutine() {
    if (g_openCount++ == 0) {
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(&OpenRoutine), &info) && info.dli_fname)
            LibraryPath() = info.dli_fname;
    }
    g_initialised = true;
    return 0;
}

short CloseRoutine() {
    if (g_openCount > 0) --g_openCount;
    if (g_openCount == 0 && g_initialised) {
        g_group.reset();
        g_initialised = false;
    }
    return 0;
}

// The load notification: hand the open and close routines to the host when it offers the hand-over,
// otherwise open at once.
__attribute__((constructor)) void OnLibraryLoad() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&OnLibraryLoad), &info)) g_moduleHandle = info.dli_fbase;
    auto handOver =
        reinterpret_cast<SetPlugInOpenAndCloseProcsFn>(dlsym(RTLD_DEFAULT, "SetPlugInOpenAndCloseProcs"));
    if (handOver) {
        g_handedOver = true;
        handOver(&OpenRoutine, &CloseRoutine);
    } else {
        OpenRoutine();
    }
}

// Runs after the library's static objects are gone, so it touches only plain counters; the group
// itself goes with its owner.
__attribute__((destructor)) void OnLibraryUnload() {
    if (!g_handedOver && g_openCount > 0) --g_openCount;
}
} // namespace

const char* PlugInLibraryPath() {
    return LibraryPath().c_str();
}

MLV_EXPORT int WinPlugInOpen(int version) {
    if (version != hostfacts::kOpenVersion) return kRefusedOpenVersion;
    g_openedByHost = true;
    return OpenRoutine();
}

MLV_EXPORT int WinPlugInClose() {
    CloseRoutine();
    return 0;
}

MLV_EXPORT int NewPlugIn(void* hostArgument) {
    if (!g_group) {
        g_group.reset(new (std::nothrow) CMLVEffectGroupSpecific());
        if (!g_group) return kGroupNotCreated;
        g_group->Initialize();
    }
    if (hostArgument) *static_cast<CEffectGroup**>(hostArgument) = g_group.get();
    return kNoErr;
}

MLV_EXPORT int _PI_GetRoutineDescriptor(int index, void** routine) {
    if (index < 0 || index >= kRoutineCount) {
        if (routine) *routine = nullptr;
        return kRoutineIndexOutOfRange;
    }
    if (routine) *routine = &g_routines.numbers[index];
    return kNoErr;
}

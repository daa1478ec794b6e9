#pragma once
#include "framework/CEffectGroup.h"

#define MLV_EXPORT extern "C" __attribute__((visibility("default")))

// The library's entry points. All run on the host's main thread.
using PlugInRoutine = short (*)();
// The host's optional hand-over routine, looked up among the already loaded symbols at load time.
using SetPlugInOpenAndCloseProcsFn = void (*)(PlugInRoutine open, PlugInRoutine close);

// Accepts only hostfacts::kOpenVersion; runs the open routine.
MLV_EXPORT int WinPlugInOpen(int version);
// Counts the opens down; releases the group at zero.
MLV_EXPORT int WinPlugInClose();
// hostArgument: where to store the group (a CEffectGroup**), may be null. 0 or -7003.
MLV_EXPORT int NewPlugIn(void* hostArgument);
// The framework's routine table, entries 0 to 173.
MLV_EXPORT int _PI_GetRoutineDescriptor(int index, void** routine);

// Main thread. Path of the loaded library, recorded by the first open.
const char* PlugInLibraryPath();

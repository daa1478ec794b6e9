#pragma once
#include <cstdint>

// Monotonic millisecond tick count (wraps at 2^32, like the Windows one).
uint32_t MLVGetTickCount();

// Replaces the clock, for tests; nullptr restores the monotonic clock. Exported from the plug-in library
// so that a host's test can drive tap tempo.
extern "C" __attribute__((visibility("default"))) void MLVSetTickSource(uint32_t (*source)());

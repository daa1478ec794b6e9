#pragma once
#include <cstdint>

// Monotonic millisecond tick count (wraps at 2^32, like the Windows one).
uint32_t MLVGetTickCount();

// Replaces the clock, for tests; nullptr restores the monotonic clock. Not exported: the tests link the
// library's objects.
void MLVSetTickSource(uint32_t (*source)());

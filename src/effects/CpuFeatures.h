#pragma once

// What the processor offers beyond the baseline the library is built for. Kernels choose their form once
// per instance from these; every form gives the same bits. Any thread.
inline bool HasAvx2() {
    __builtin_cpu_init(); // cheap, and makes the probe safe however early it runs
    return __builtin_cpu_supports("avx2") != 0;
}
inline bool HasFma() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma") != 0;
}

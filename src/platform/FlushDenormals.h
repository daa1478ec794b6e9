#pragma once
#if defined(__SSE__)
#include <xmmintrin.h>
#elif defined(__aarch64__)
#include <cstdint>
#endif

// For the lifetime of the object, arithmetic treats subnormal operands and results as zero, so that
// decaying tails cost no more than silence; the caller's floating-point mode is restored at the end.
// Audio thread: one at the top of each render call.
class FlushDenormals {
  public:
#if defined(__SSE__)
    FlushDenormals() : fSaved(_mm_getcsr()) {
        _mm_setcsr(fSaved | kFlushToZero | kDenormalsAreZero);
    }
    ~FlushDenormals() {
        _mm_setcsr(fSaved);
    }

  private:
    static constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x0040;
    unsigned fSaved;
#elif defined(__aarch64__)
    FlushDenormals() {
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(fSaved));
        const uint64_t flushing = fSaved | kFlushToZero;
        __asm__ __volatile__("msr fpcr, %0" : : "r"(flushing));
    }
    ~FlushDenormals() {
        __asm__ __volatile__("msr fpcr, %0" : : "r"(fSaved));
    }

  private:
    static constexpr uint64_t kFlushToZero = uint64_t(1) << 24;
    uint64_t fSaved;
#else
    FlushDenormals() = default;
#endif
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;
};

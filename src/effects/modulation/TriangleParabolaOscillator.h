#pragma once
#include <cmath>
#include <cstdint>
#include <emmintrin.h>

// The lean oscillator of the delay-based effects (chorus, flanger, auto wah): the triangle and
// parabola recurrence of LfoOscillator with an explicit direction flag, no shapes and no rate
// checks; the caller reads parabola before tick() each sample. Audio thread only.
struct TriangleParabolaOscillator {
    float triangle = 1.0f;
    float parabola = 0.0f;
    int16_t direction = 1;
    float step = 0.0f;
    float increment = 0.0f;
    float doubleStep = 0.0f;

    TriangleParabolaOscillator() = default;
    TriangleParabolaOscillator(float triangle0, float parabola0, int16_t direction0)
        : triangle(triangle0), parabola(parabola0), direction(direction0) {}

    // step = 4 * rate / sampleRate, taking the current direction. A non-finite result keeps the old rate.
    void setRate(double rateHz, double sampleRate) {
        const float s = static_cast<float>(4.0 * rateHz / sampleRate);
        if (!std::isfinite(s)) return;
        step = s;
        increment = static_cast<float>(direction * static_cast<double>(step));
        doubleStep = static_cast<float>(2.0 * static_cast<double>(step));
    }

    void tick() {
        triangle = static_cast<float>(static_cast<double>(triangle) + increment);
        parabola = static_cast<float>(static_cast<double>(parabola) +
                                      static_cast<double>(doubleStep) * static_cast<double>(triangle));
        if (triangle >= 1.0f) {
            triangle = 1.0f;
            parabola = 0.0f;
            direction = -1;
            increment = -step;
        }
        if (triangle <= -1.0f) {
            triangle = -1.0f;
            parabola = 0.0f;
            direction = 1;
            increment = step;
        }
    }
};

// Two oscillators stepped together in lanes 0 and 1 of SSE registers, each lane with exactly tick()'s
// operations; the turns at +-1, rare, are taken one lane at a time. Copied in and out around a block.
// Audio thread only.
class TriangleParabolaPair {
  public:
    // A single oscillator may run in lane 0 with a copy of it in lane 1: a vector register holds the
    // chain's state where a loop with every register in use would spill a scalar one.
    TriangleParabolaPair(const TriangleParabolaOscillator& a, const TriangleParabolaOscillator& b)
        : triangle(Lanes(a.triangle, b.triangle)), parabola(Lanes(a.parabola, b.parabola)),
          increment(Lanes(a.increment, b.increment)),
          doubleStep(_mm_cvtps_pd(Lanes(a.doubleStep, b.doubleStep))), step{a.step, b.step},
          direction{a.direction, b.direction} {}

    // Both parabolas before the step, in lanes 0 and 1; then one tick() of each.
    __m128 Tick() {
        const __m128 p = parabola;
        triangle = _mm_add_ps(triangle, increment);
        parabola =
            _mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(parabola), _mm_mul_pd(doubleStep, _mm_cvtps_pd(triangle))));
        const __m128 turn =
            _mm_or_ps(_mm_cmpge_ps(triangle, _mm_set1_ps(1.0f)), _mm_cmple_ps(triangle, _mm_set1_ps(-1.0f)));
        if (_mm_movemask_ps(turn) & 3) Turn();
        return p;
    }

    // Lane `lane`'s oscillator back.
    void CopyTo(int lane, TriangleParabolaOscillator& o) const {
        alignas(16) float t[4], p[4], inc[4];
        _mm_store_ps(t, triangle);
        _mm_store_ps(p, parabola);
        _mm_store_ps(inc, increment);
        o.triangle = t[lane];
        o.parabola = p[lane];
        o.increment = inc[lane];
        o.direction = direction[lane];
    }

  private:
    static __m128 Lanes(float a, float b) { return _mm_unpacklo_ps(_mm_set_ss(a), _mm_set_ss(b)); }

    void Turn() {
        alignas(16) float t[4], p[4], inc[4];
        _mm_store_ps(t, triangle);
        _mm_store_ps(p, parabola);
        _mm_store_ps(inc, increment);
        for (int l = 0; l < 2; ++l) {
            if (t[l] >= 1.0f) {
                t[l] = 1.0f;
                p[l] = 0.0f;
                direction[l] = -1;
                inc[l] = -step[l];
            }
            if (t[l] <= -1.0f) {
                t[l] = -1.0f;
                p[l] = 0.0f;
                direction[l] = 1;
                inc[l] = step[l];
            }
        }
        triangle = Lanes(t[0], t[1]);
        parabola = Lanes(p[0], p[1]);
        increment = Lanes(inc[0], inc[1]);
    }

    __m128 triangle, parabola, increment;
    __m128d doubleStep;
    float step[2];
    int16_t direction[2];
};

#pragma once
#include <cmath>
#include <cstdint>

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

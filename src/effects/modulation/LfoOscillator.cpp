#include "effects/modulation/LfoOscillator.h"
#include <cmath>

void LfoOscillator::setSampleRate(float sr) {
    if (!(sr > 0.0f) || sr == sampleRate) return;
    parabola = 0.0f;
    triangle = 1.0f;
    sampleRate = sr;
    recompute();
    increment = -step;
}

void LfoOscillator::setRate(float hz) {
    if (!(hz >= 0.0f) || !(static_cast<double>(hz) < static_cast<double>(sampleRate) / 2.0) || hz == rate)
        return;
    rate = hz;
    recompute();
}

void LfoOscillator::setShape(int newShape) {
    if (newShape == shape) return;
    shape = newShape;
    recompute();
}

void LfoOscillator::reset() {
    parabola = 0.0f;
    triangle = 1.0f;
    increment = -step;
}

void LfoOscillator::recompute() {
    double s = static_cast<double>(rate) * 4.0 / static_cast<double>(sampleRate);
    // The folded shapes double the frequency; half the step gives them the period of the others.
    if (shape == Logarithmic || shape == Exponential) s *= 0.5;
    step = static_cast<float>(s);
    increment = std::copysign(step, increment);
    doubleStep = static_cast<float>(2.0 * static_cast<double>(step));
}

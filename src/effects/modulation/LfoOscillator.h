#pragma once
#include <cmath>

// Low-frequency oscillator with five wave shapes, built on a triangle and its running integral (a
// piecewise parabola that stands in for a sine). Shared by the tremolo, auto pan and phaser.
// Everything here runs on the audio thread (from UpdateCoefficients, Reset and Process).
class LfoOscillator {
  public:
    enum Shape { Triangular = 0, Logarithmic = 1, Rectangular = 2, Exponential = 3, Sinusoidal = 4 };

    // Ignored unless sr > 0 and new; otherwise restarts the phase at the top of the triangle.
    void setSampleRate(float sr);
    // Ignored unless 0 <= hz < sampleRate / 2 and new; the phase and direction are kept.
    void setRate(float hz);
    // Beats per minute, one oscillator cycle per beat.
    void setTempo(float bpm) { setRate(static_cast<float>(static_cast<double>(bpm) / 60.0)); }
    void setShape(int newShape);
    // Top of the triangle, falling.
    void reset();

    // Current output sample of the selected shape; does not advance.
    float value() const {
        switch (shape) {
        case Logarithmic:
            return static_cast<float>(2.0 * std::fabs(static_cast<double>(parabola)) - 1.0);
        case Rectangular: {
            const double r = 7.0 * static_cast<double>(parabola);
            return static_cast<float>(r > 1.0 ? 1.0 : r < -1.0 ? -1.0 : r);
        }
        case Exponential:
            return static_cast<float>(1.0 - 2.0 * std::fabs(static_cast<double>(parabola)));
        case Sinusoidal:
            return parabola;
        default:
            return triangle;
        }
    }

    // Advances one sample.
    void tick() {
        triangle = static_cast<float>(static_cast<double>(triangle) + increment);
        parabola = static_cast<float>(static_cast<double>(parabola) +
                                      static_cast<double>(doubleStep) * static_cast<double>(triangle));
        if (triangle >= 1.0f) {
            triangle = 1.0f;
            parabola = 0.0f;
            increment = -step;
        }
        if (triangle <= -1.0f) {
            triangle = -1.0f;
            parabola = 0.0f;
            increment = step;
        }
    }

    int getShape() const { return shape; }
    float getRate() const { return rate; }
    float getSampleRate() const { return sampleRate; }
    float getTriangle() const { return triangle; }
    float getParabola() const { return parabola; }

  private:
    void recompute();

    int shape = 0;
    float rate = 441.0f;
    float sampleRate = 44100.0f;
    float parabola = 0.0f;
    float triangle = 1.0f;
    float step = 0.04f;
    float increment = -0.04f;
    float doubleStep = 0.08f;
};

#pragma once
#include <cmath>

// Resonant band-pass of the wahs, built on a second-order all-pass:
// H(z) = 1.7 (1 + c) (1 - z^-2) / (1 + d (1 - c) z^-1 - c z^-2), peak at f where d = -cos(2 pi f / fs),
// bandwidth set by c. One object per channel; coefficients come from the designers below.
struct WahFilter {
    struct Coefficients {
        float c = 0.0f;
        float d = 0.0f;
    };

    // Exact design with the library functions.
    static Coefficients Design(double f, double q, double sampleRate) {
        const double t = std::tan(M_PI * f * 10.0 / (q * sampleRate));
        return {static_cast<float>((t - 1.0) / (t + 1.0)),
                static_cast<float>(-std::cos(2.0 * M_PI * f / sampleRate))};
    }

    // The same design with short polynomials for tan and cos, accurate far beyond float over the
    // arguments the pedal produces (below about 0.8 rad).
    static Coefficients DesignFast(double f, double q, double sampleRate) {
        const float a = static_cast<float>(M_PI * f * 10.0 / (q * sampleRate));
        const double a2 = static_cast<double>(a) * a;
        const double t =
            a +
            a * a2 *
                (0.3333314061 +
                 a2 * (0.1333923936 +
                       a2 * (0.0533740595 + a2 * (0.0245650895 + a2 * (0.0029005250 + a2 * 0.0095168091)))));
        const float b = static_cast<float>(2.0 * M_PI * f / sampleRate);
        const double b2 = static_cast<double>(b) * b;
        const double cosb =
            1.0 + b2 * (-0.5 +
                        b2 * (0.0416666418 + b2 * (-0.0013888397 + b2 * (0.0000247609 - b2 * 0.0000002605))));
        return {static_cast<float>((t - 1.0) / (t + 1.0)), static_cast<float>(-cosb)};
    }

    float Process(float x, Coefficients k) {
        // A tiny constant instead of exact silence keeps the state away from denormals.
        if (x == 0.0f) x = 1e-7f;
        const float u = s1 + x;
        s1 = static_cast<float>(s2 - static_cast<double>(u) * (1.0 - k.c) * k.d);
        s2 = static_cast<float>(static_cast<double>(u) * k.c - x);
        return static_cast<float>(1.7 * (1.0 + k.c) * u);
    }
    void Clear() { s1 = s2 = 0.0f; }

    float s1 = 0.0f, s2 = 0.0f;
};

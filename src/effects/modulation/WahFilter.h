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

    // Design in double precision. Below 0.35 rad the tan series to a^13 is exact to 1e-9, far below float,
    // and much cheaper than the library call; the auto wah designs once per sample.
    static Coefficients Design(double f, double q, double sampleRate) {
        const double a = M_PI * f * 10.0 / (q * sampleRate);
        const double t = std::fabs(a) < 0.35 ? TanSeries(a) : std::tan(a);
        const double b = 2.0 * M_PI * f / sampleRate;
        const double cosb = std::fabs(b) < 0.7 ? CosSeries(b) : std::cos(b);
        return {static_cast<float>((t - 1.0) / (t + 1.0)), static_cast<float>(-cosb)};
    }

    // Design for two frequencies at once, each lane with exactly the operations of Design: the divides of
    // the two overlap in one instruction. Arguments outside the series' ranges take the library calls.
    static void DesignPair(const double f[2], double q, double sampleRate, Coefficients k[2]) {
        typedef double Double2 __attribute__((vector_size(16)));
        const Double2 fv = {f[0], f[1]};
        const Double2 a = M_PI * fv * 10.0 / (q * sampleRate);
        Double2 t = TanSeries(a);
        const Double2 b = 2.0 * M_PI * fv / sampleRate;
        Double2 cosb = CosSeries(b);
        for (int l = 0; l < 2; ++l) {
            if (__builtin_expect(!(std::fabs(a[l]) < 0.35), 0)) t[l] = std::tan(a[l]);
            if (__builtin_expect(!(std::fabs(b[l]) < 0.7), 0)) cosb[l] = std::cos(b[l]);
        }
        const Double2 c = (t - 1.0) / (t + 1.0);
        for (int l = 0; l < 2; ++l)
            k[l] = {static_cast<float>(c[l]), static_cast<float>(-cosb[l])};
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

  private:
    // tan a to a^13 and cos b to b^14 (exact to 1e-15 below 0.7 rad); T is double or a vector of them.
    template <class T> static T TanSeries(T a) {
        const T a2 = a * a;
        return a *
               (1.0 + a2 * (1.0 / 3 +
                            a2 * (2.0 / 15 +
                                  a2 * (17.0 / 315 + a2 * (62.0 / 2835 + a2 * (1382.0 / 155925 +
                                                                               a2 * 21844.0 / 6081075.0))))));
    }
    template <class T> static T CosSeries(T b) {
        const T b2 = b * b;
        return 1.0 +
               b2 * (-1.0 / 2 +
                     b2 * (1.0 / 24 +
                           b2 * (-1.0 / 720 +
                                 b2 * (1.0 / 40320 + b2 * (-1.0 / 3628800 +
                                                           b2 * (1.0 / 479001600 - b2 / 87178291200.0))))));
    }
};

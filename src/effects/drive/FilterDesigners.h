#pragma once
#include "effects/drive/CoefficientSet.h"

// Stand-alone second-order designers. Pure functions of their inputs, computed in double precision and
// rounded to the five floats {g, b1, b2, a1, a2}; the caller decides where g is applied.

// Butterworth high-pass whose leading coefficient is 1: {1, -2, 1, a1, a2}. Its passband gain is
// therefore 1 + sqrt(2) K + K^2 (K = tan(pi f / fs)), not 1; callers use the numbers as they are.
CoefficientSet DesignButterworthHighPassUnit(double f, double fs);
// Butterworth low-pass, unity passband gain.
CoefficientSet DesignButterworthLowPass(double f, double fs);
// Butterworth low-pass {K^2 / n, 2, 1, 2 (K^2 - 1) / n, (1 - sqrt(2) K + K^2) / n} with n = 1 + sqrt(2) K +
// K^2, in the coarser arithmetic the drives' tone stages were voiced with: pi written to eight decimals in K,
// sqrt(2) and n rounded to single precision.
CoefficientSet DesignButterworthLowPassRounded(double f, double fs);
// Third-order Butterworth low-pass, pre-warped, as a first-order section {K / (1 + K), 1, 0, (K - 1) / (K +
// 1), 0} and a second-order one (Q = 1). f is taken as it is.
struct ThirdOrderSections {
    CoefficientSet first, second;
};
ThirdOrderSections DesignButterworthLowPass3(double f, double fs);
// Butterworth high-pass, unity passband gain.
CoefficientSet DesignButterworthHighPass(double f, double fs);
// Peak of gainDb at f with quality Q; the gain is the numerator's leading coefficient.
CoefficientSet DesignPeakWithQ(double gainDb, double f, double q, double fs);

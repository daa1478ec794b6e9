#include "effects/drive/Resampler5.h"
#include <cmath>
#include <utility>

namespace {
// Integral of cos(2 pi k f) over 0..f.
double CosIntegral(int k, double f) {
    return k == 0 ? f : std::sin(2.0 * M_PI * k * f) / (2.0 * M_PI * k);
}

// Solves A x = b in place by Gaussian elimination with partial pivoting.
std::vector<double> Solve(std::vector<std::vector<double>> A, std::vector<double> b) {
    const size_t n = b.size();
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(A[r][c]) > std::fabs(A[piv][c])) piv = r;
        std::swap(A[c], A[piv]);
        std::swap(b[c], b[piv]);
        for (size_t r = c + 1; r < n; ++r) {
            const double f = A[r][c] / A[c][c];
            for (size_t k = c; k < n; ++k)
                A[r][k] -= f * A[c][k];
            b[r] -= f * b[c];
        }
    }
    std::vector<double> x(n);
    for (size_t r = n; r-- > 0;) {
        double acc = b[r];
        for (size_t k = r + 1; k < n; ++k)
            acc -= A[r][k] * x[k];
        x[r] = acc / A[r][r];
    }
    return x;
}
} // namespace

std::vector<double> DesignLeastSquaresLowPass(int taps, double edge) {
    // Amplitude A(f) = sum_k a_k cos(2 pi k f), k = 0..M; minimise the integral of (A - D)^2 over 0..0.5.
    const int M = (taps - 1) / 2;
    std::vector<std::vector<double>> Q(static_cast<size_t>(M + 1),
                                       std::vector<double>(static_cast<size_t>(M + 1)));
    std::vector<double> rhs(static_cast<size_t>(M + 1));
    for (int k = 0; k <= M; ++k) {
        for (int l = 0; l <= M; ++l) {
            // cos a cos b = (cos(a - b) + cos(a + b)) / 2
            Q[size_t(k)][size_t(l)] =
                0.5 * (CosIntegral(k - l < 0 ? l - k : k - l, 0.5) + CosIntegral(k + l, 0.5));
        }
        rhs[size_t(k)] = CosIntegral(k, edge);
    }
    const std::vector<double> a = Solve(Q, rhs);
    std::vector<double> h(static_cast<size_t>(taps));
    h[size_t(M)] = a[0];
    for (int k = 1; k <= M; ++k)
        h[size_t(M - k)] = h[size_t(M + k)] = a[size_t(k)] / 2.0;
    return h;
}

void Resampler5::Design() {
    const std::vector<double> h = DesignLeastSquaresLowPass(kTaps, 0.5 / kFactor);
    for (int j = 0; j < kTaps; ++j) {
        interp[j] = float(h[size_t(j)] * kFactor);
        decim[j] = float(h[size_t(j)]);
    }
}

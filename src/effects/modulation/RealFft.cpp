#include "effects/modulation/RealFft.h"

std::mutex& FftwPlannerLock() {
    static std::mutex lock;
    return lock;
}

RealFft::RealFft(int n) : n_(n) {
    FftwArray<float> x(static_cast<size_t>(n));
    FftwArray<FftComplex> X(static_cast<size_t>(n / 2 + 1));
    auto* bins = reinterpret_cast<fftwf_complex*>(X.data());
    std::lock_guard<std::mutex> guard(FftwPlannerLock());
    // Estimate: measuring would take seconds per instance and touch the buffers.
    forward_ = fftwf_plan_dft_r2c_1d(n, x.data(), bins, FFTW_ESTIMATE);
    inverse_ = fftwf_plan_dft_c2r_1d(n, bins, x.data(), FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
}

RealFft::~RealFft() {
    std::lock_guard<std::mutex> guard(FftwPlannerLock());
    if (forward_) fftwf_destroy_plan(forward_);
    if (inverse_) fftwf_destroy_plan(inverse_);
}

void RealFft::Forward(const float* in, FftComplex* out) const {
    // The new-array execute never writes the input of an out-of-place r2c plan.
    fftwf_execute_dft_r2c(forward_, const_cast<float*>(in), reinterpret_cast<fftwf_complex*>(out));
}

void RealFft::Inverse(FftComplex* in, float* out) const {
    fftwf_execute_dft_c2r(inverse_, reinterpret_cast<fftwf_complex*>(in), out);
}

#pragma once
#include <cstddef>
#include <fftw3.h>
#include <mutex>

// The FFTW planner is not thread-safe: every plan is made and destroyed under this one lock, and only
// from constructors and destructors (main thread), never while audio is processed.
std::mutex& FftwPlannerLock();

// A float array allocated with FFTW's alignment, so that any two of them can be used with one plan.
template <typename T> class FftwArray {
  public:
    FftwArray() = default;
    explicit FftwArray(size_t count) : size_(count) {
        data_ = static_cast<T*>(fftwf_malloc(sizeof(T) * (count ? count : 1)));
        Clear();
    }
    ~FftwArray() { fftwf_free(data_); }
    FftwArray(const FftwArray&) = delete;
    FftwArray& operator=(const FftwArray&) = delete;
    FftwArray(FftwArray&& o) noexcept : data_(o.data_), size_(o.size_) {
        o.data_ = nullptr;
        o.size_ = 0;
    }
    FftwArray& operator=(FftwArray&& o) noexcept {
        if (this != &o) {
            fftwf_free(data_);
            data_ = o.data_;
            size_ = o.size_;
            o.data_ = nullptr;
            o.size_ = 0;
        }
        return *this;
    }
    void Clear() {
        if (data_)
            for (size_t i = 0; i < size_; ++i)
                data_[i] = T{};
    }
    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

  private:
    T* data_ = nullptr;
    size_t size_ = 0;
};

struct FftComplex {
    float re, im;
};
static_assert(sizeof(FftComplex) == sizeof(fftwf_complex), "layout of fftwf_complex");

// Real transform of length n (even): n samples <-> n / 2 + 1 bins, unnormalised both ways
// (Inverse(Forward(x)) = n x). Works on any FftwArray buffers of the right sizes; Inverse overwrites
// its input bins.
class RealFft {
  public:
    // Main thread.
    explicit RealFft(int n);
    // Main thread.
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int Size() const { return n_; }
    void Forward(const float* in, FftComplex* out) const;
    void Inverse(FftComplex* in, float* out) const;

  private:
    int n_;
    fftwf_plan forward_ = nullptr, inverse_ = nullptr;
};

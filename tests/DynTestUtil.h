#pragma once
// Driving an algorithm as the effect process does: fixed blocks, two channels.
#include "TestSupport.h"
#include "params/CMLVDSPAlgInterface.h"
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace dyntest {

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(size_t n = 0) : l(n, 0.0f), r(n, 0.0f) {}
    size_t size() const { return l.size(); }
};

inline Stereo Render(CMLVDSPAlgInterface& alg, const Stereo& x, int blockSize = 256) {
    Stereo y;
    tsupport::RenderStereo(alg, x.l, x.r, y.l, y.r, blockSize);
    return y;
}

// Same signal on both channels.
inline Stereo Mono(size_t n, const std::function<double(size_t)>& f) {
    Stereo s(n);
    for (size_t i = 0; i < n; ++i)
        s.l[i] = s.r[i] = static_cast<float>(f(i));
    return s;
}

using tsupport::Db;

inline double PeakAbs(const std::vector<float>& x, size_t from, size_t to) {
    double p = 0.0;
    for (size_t i = from; i < to; ++i)
        p = std::max(p, static_cast<double>(std::fabs(x[i])));
    return p;
}

// Stores a plain value exactly, as a preset recall does (the host path rounds through a float 0..1).
inline void Set(CMLVDSPAlgInterface& alg, int index, double plain) {
    alg.GetParameter(index)->SetValue(plain);
}

// Samples from g first reaching lo to first reaching hi after it (either direction), from index from.
inline double TransitionSamples(const std::vector<double>& g, size_t from, double lo, double hi) {
    auto reached = [&](size_t i, double level) { return hi > lo ? g[i] >= level : g[i] <= level; };
    size_t i = from;
    while (i < g.size() && !reached(i, lo))
        ++i;
    size_t j = i;
    while (j < g.size() && !reached(j, hi))
        ++j;
    return static_cast<double>(j) - static_cast<double>(i);
}

} // namespace dyntest

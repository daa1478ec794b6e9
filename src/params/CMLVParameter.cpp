#include "params/CMLVParameter.h"
#include "params/CMLVDSPAlgInterface.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
double RoundHalfAway(double v) {
    return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5);
}
} // namespace

CMLVParameter::CMLVParameter(CMLVDSPAlgInterface* owner_, const std::string& name_,
                             const std::vector<std::string>& labels_, double minValue_, double maxValue_,
                             double step_, double defaultValue_, CMLVParamType type_, bool, int, bool)
    : owner(owner_), normalizedValue(0), defaultValue(defaultValue_), normalizedDefault(0),
      value(defaultValue_), minValue(minValue_), maxValue(maxValue_), step(step_), labels(labels_),
      name(name_), type(type_) {
    normalizedDefault = Normalize(defaultValue);
    normalizedValue = normalizedDefault;
}

CMLVParameter::CMLVParameter(CMLVDSPAlgInterface* owner_, const std::string& name_, const std::string& unit,
                             double minValue_, double maxValue_, double step_, double defaultValue_,
                             CMLVParamType type_, bool a, int b, bool c)
    : CMLVParameter(owner_, name_, std::vector<std::string>{unit}, minValue_, maxValue_, step_, defaultValue_,
                    type_, a, b, c) {}

double CMLVParameter::Denormalize(double n) const {
    switch (type) {
    case Integer:
        return RoundHalfAway(minValue + (maxValue - minValue) * n);
    case Logarithmic:
        if (n == 1.0) return maxValue;
        return std::exp(std::log(minValue) + (std::log(maxValue) - std::log(minValue)) * n);
    case Quadratic:
        return minValue + (maxValue - minValue) * n * n;
    default:
        return minValue + (maxValue - minValue) * n;
    }
}

double CMLVParameter::Normalize(double v) const {
    switch (type) {
    case Logarithmic: {
        double n = (std::log(v) - std::log(minValue)) / (std::log(maxValue) - std::log(minValue));
        if (!(n >= 0.0)) return 0.0; // also catches NaN from v <= 0
        return std::min(n, 1.0);
    }
    case Quadratic: {
        if (maxValue == minValue) return 0.0;
        // The square root needs a non-negative argument; clamp to the range.
        double t = (std::clamp(v, std::min(minValue, maxValue), std::max(minValue, maxValue)) - minValue) /
                   (maxValue - minValue);
        return std::sqrt(std::max(t, 0.0));
    }
    default: {
        if (maxValue == minValue) return 0.0;
        double c = std::clamp(v, std::min(minValue, maxValue), std::max(minValue, maxValue));
        if (type == Integer) c = RoundHalfAway(c);
        return (c - minValue) / (maxValue - minValue);
    }
    }
}

void CMLVParameter::MarkChanged() {
    if (owner) owner->parametersChanged = true;
}

void CMLVParameter::SetNormalizedValue(double n) {
    normalizedValue = n;
    value = Denormalize(n);
    if (type == GainDb && value == minValue) normalizedValue = 0.0;
    MarkChanged();
}

void CMLVParameter::SetValue(double v) {
    value = v;
    normalizedValue = Normalize(v);
    MarkChanged();
}

double CMLVParameter::GetValue() const {
    if (type == List) return static_cast<double>(static_cast<int>(value + 0.5));
    return value;
}

size_t CMLVParameter::FormatValue(char* out, size_t size, bool withName, bool withUnit, double v) const {
    if (v < 0) v = value;
    char number[64] = "";
    const char* label = labels.empty() ? "" : labels[0].c_str();
    auto print1 = [&number](double x) { std::snprintf(number, sizeof number, "%.1f", x); };
    auto word = [&number, &label](const char* w) {
        std::snprintf(number, sizeof number, "%s", w);
        label = "";
    };
    switch (type) {
    case Integer:
        std::snprintf(number, sizeof number, "%d", static_cast<int>(RoundHalfAway(v)));
        break;
    case List: {
        int i = static_cast<int>(v + 0.5);
        if (i < 0) i = 0;
        label = i < static_cast<int>(labels.size()) ? labels[static_cast<size_t>(i)].c_str() : "";
        break;
    }
    case Bipolar: {
        print1(v);
        const double centre = (minValue + maxValue) / 2;
        const char* lower = labels.size() > 0 ? labels[0].c_str() : "";
        const char* upper = labels.size() > 1 ? labels[1].c_str() : "";
        label = v < centre ? lower : v > centre ? upper : "";
        break;
    }
    case GainDb:
        if (v <= minValue)
            word("-Inf");
        else
            print1(v);
        break;
    case OffAtMin:
        if (v <= minValue)
            word("Off");
        else
            print1(v);
        break;
    case OffAtMax:
        if (v >= maxValue)
            word("Off");
        else
            print1(v);
        break;
    default:
        print1(v);
        break;
    }
    int n;
    if (withUnit && withName)
        n = std::snprintf(out, size, "%s: %s %s", name.c_str(), number, label);
    else if (withUnit)
        n = std::snprintf(out, size, "%s %s", number, label);
    else
        n = std::snprintf(out, size, "%s", type == List ? label : number);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

std::string CMLVParameter::FormatValue(bool withName, bool withUnit, double v) const {
    std::string text(FormatValue(nullptr, 0, withName, withUnit, v), '\0');
    FormatValue(text.data(), text.size() + 1, withName, withUnit, v);
    return text;
}

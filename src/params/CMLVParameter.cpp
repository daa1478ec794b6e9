#include "params/CMLVParameter.h"
#include "params/CMLVDSPAlgInterface.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
double RoundHalfAway(double v) {
    return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5);
}

std::string Printf1(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
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

std::string CMLVParameter::FormatValue(bool withName, bool withUnit, double v) const {
    if (v < 0) v = value;
    std::string number;
    std::string label = labels.empty() ? std::string() : labels[0];
    switch (type) {
    case Integer: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(RoundHalfAway(v)));
        number = buf;
        break;
    }
    case List: {
        int i = static_cast<int>(v + 0.5);
        if (i < 0) i = 0;
        label = i < static_cast<int>(labels.size()) ? labels[i] : std::string();
        break;
    }
    case Bipolar: {
        number = Printf1(v);
        double centre = (minValue + maxValue) / 2;
        const std::string lower = labels.size() > 0 ? labels[0] : std::string();
        const std::string upper = labels.size() > 1 ? labels[1] : std::string();
        label = v < centre ? lower : v > centre ? upper : std::string();
        break;
    }
    case GainDb:
        if (v <= minValue) {
            number = "-Inf";
            label.clear();
        } else {
            number = Printf1(v);
        }
        break;
    case OffAtMin:
        if (v <= minValue) {
            number = "Off";
            label.clear();
        } else {
            number = Printf1(v);
        }
        break;
    case OffAtMax:
        if (v >= maxValue) {
            number = "Off";
            label.clear();
        } else {
            number = Printf1(v);
        }
        break;
    default:
        number = Printf1(v);
        break;
    }
    if (withUnit && withName) return name + ": " + number + " " + label;
    if (withUnit) return number + " " + label;
    return type == List ? label : number;
}

#include "host/CPluginControl.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {
constexpr double kSpan = CPluginControl::kMaxControl - CPluginControl::kMinControl; // 4294967295

void CopyOut(char* buffer, int length, const std::string& text) {
    if (!buffer || length < 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(length));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    buffer[length] = 0;
}

bool IsEditKey(char key) {
    return key == '-' || key == '+' || key == 28 || key == 29 || key == 8;
}

const PrefixEntry kParameterPrefixes[] = {{"", 1.0},   {"k", 1e3},  {"M", 1e6}, {"G", 1e9},
                                          {"T", 1e12}, {"P", 1e15}, {"E", 1e18}};
} // namespace

const PrefixEntry* ParameterPrefixBegin() {
    return kParameterPrefixes;
}
const PrefixEntry* ParameterPrefixEnd() {
    return kParameterPrefixes + 7;
}

void CPluginControl::NameText(char* buffer, int length, int32_t) const {
    CopyOut(buffer, length, fName);
}

// Discrete

CPluginControl_Discrete::CPluginControl_Discrete(uint32_t id, const std::string& name, int32_t minimum,
                                                 int32_t maximum, int32_t defaultValue, bool automatable)
    : CPluginControl(id, name), fMin(minimum), fMax(maximum), fDefault(defaultValue),
      fAutomatable(automatable) {
    fValue = GetControlValueFromDiscreteValue(defaultValue);
}

int32_t CPluginControl_Discrete::GetDiscreteValueFromControlValue(int32_t c) const {
    double t = (static_cast<double>(c) - kMinControl) / kSpan;
    return static_cast<int32_t>(std::floor(fMin + static_cast<double>(fMax - fMin) * t + 0.5));
}

int32_t CPluginControl_Discrete::GetControlValueFromDiscreteValue(int32_t value) const {
    value = std::clamp(value, fMin, fMax);
    double t = fMax == fMin ? 0.0 : static_cast<double>(value - fMin) / static_cast<double>(fMax - fMin);
    return static_cast<int32_t>(kMinControl + kSpan * t); // truncates toward zero
}

int32_t CPluginControl_Discrete::ValueFromText(const char* text) const {
    return GetControlValueFromDiscreteValue(static_cast<int32_t>(std::atol(text ? text : "")));
}

bool CPluginControl_Discrete::AcceptsKey(char key) const {
    return std::isdigit(static_cast<unsigned char>(key)) || key == '.' || key == '|' || key == ':' ||
           IsEditKey(key);
}

void CPluginControl_Discrete::ValueText(char* buffer, int length, int32_t controlValue) const {
    std::string text = std::to_string(GetDiscreteValueFromControlValue(controlValue));
    CopyOut(buffer, length, static_cast<int>(text.size()) > length ? std::string("*") : text);
}

// On/off

CPluginControl_OnOff::CPluginControl_OnOff(uint32_t id, const std::string& name, int32_t defaultValue,
                                           bool automatable, const char* onText, const char* offText)
    : CPluginControl_Discrete(id, name, 0, 1, defaultValue, automatable),
      fOnText(std::string(onText ? onText : "On").substr(0, 255)),
      fOffText(std::string(offText ? offText : "Off").substr(0, 255)) {}

int32_t CPluginControl_OnOff::ValueFromText(const char* text) const {
    if (text && strcasecmp(text, fOnText.c_str()) == 0) return GetControlValueFromDiscreteValue(1);
    return GetControlValueFromDiscreteValue(0);
}

bool CPluginControl_OnOff::AcceptsKey(char key) const {
    return key == 'o' || key == 'n' || key == 'O' || CPluginControl_Discrete::AcceptsKey(key);
}

void CPluginControl_OnOff::ValueText(char* buffer, int length, int32_t controlValue) const {
    bool on = GetDiscreteValueFromControlValue(controlValue) != 0;
    if (length >= 2)
        CopyOut(buffer, length, on ? fOnText : fOffText);
    else
        CopyOut(buffer, length, on ? "1" : "0");
}

// Continuous

CPluginControl_Continuous::CPluginControl_Continuous(double minimum, double maximum, double defaultValue,
                                                     bool automatable, const PrefixEntry* begin,
                                                     const PrefixEntry* end)
    : fMin(minimum), fMax(maximum), fDefault(defaultValue), fAutomatable(automatable), fPrefixBegin(begin),
      fPrefixEnd(end) {}

int32_t CPluginControl_Continuous::ValueFromText(const char* text) const {
    if (!text) return ToControl(fMin);
    char* rest = nullptr;
    double v = std::strtod(text, &rest);
    while (rest && *rest == ' ')
        ++rest;
    if (rest && *rest) {
        for (const PrefixEntry* e = fPrefixBegin; e && e != fPrefixEnd; ++e) {
            size_t n = std::strlen(e->prefix);
            if (n > 0 && std::strncmp(rest, e->prefix, n) == 0) {
                v *= e->scale;
                break;
            }
        }
    }
    return ToControl(v);
}

bool CPluginControl_Continuous::AcceptsKey(char key) const {
    if (std::isdigit(static_cast<unsigned char>(key)) || key == '.' || IsEditKey(key)) return true;
    for (const PrefixEntry* e = fPrefixBegin; e && e != fPrefixEnd; ++e)
        if (key != 0 && std::strchr(e->prefix, key)) return true;
    return key != 0 && fUnits.find(key) != std::string::npos;
}

void CPluginControl_Continuous::ValueText(char* buffer, int length, int32_t controlValue) const {
    double v = FromControl(controlValue);
    double divisor = 1.0;
    std::string prefix;
    if (v != 0.0 && fPrefixBegin && fPrefixBegin != fPrefixEnd) {
        const PrefixEntry* chosen = fPrefixBegin;
        for (const PrefixEntry* e = fPrefixBegin + 1; e != fPrefixEnd && std::fabs(v) >= e->scale; ++e)
            chosen = e;
        divisor = chosen->scale;
        prefix = chosen->prefix;
    }
    int p = fPrecision;
    if (v < 0.0 && v > -std::pow(10.0, -p)) v = 0.0;
    auto fixed = [&](int precision) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.*f", precision, v / divisor);
        return std::string(buf);
    };
    std::string number = fixed(p);
    while (static_cast<int>(number.size() + prefix.size()) > length && p > 0)
        number = fixed(--p);

    auto choose = [&](const std::string& num, bool blankWhateverUnits) -> std::string {
        const std::string forms[3] = {num + " " + prefix + fUnits, num + prefix + fUnits, num + prefix};
        for (int i = 0; i < 3; ++i) {
            if (i == 0 && fUnits.empty() && !blankWhateverUnits) continue;
            if (static_cast<int>(forms[i].size()) <= length) return forms[i];
        }
        return std::string();
    };
    std::string text = choose(number, false);
    if (text.empty()) text = choose("*", true);
    CopyOut(buffer, length, text);
}

// Linear

CPluginControl_Linear::CPluginControl_Linear(uint32_t id, const std::string& name, double minimum,
                                             double maximum, double step, double defaultValue,
                                             bool automatable, const PrefixEntry* begin,
                                             const PrefixEntry* end)
    : CPluginControl(id, name),
      CPluginControl_Continuous(minimum, maximum, defaultValue, automatable, begin, end) {
    double count = (maximum - minimum) / step + 1.0;
    // A step of 0 has no finite count: the integer indefinite value, as the hardware conversion gives.
    fStepCount =
        std::isfinite(count) && std::fabs(count) < 2147483647.0 ? static_cast<int32_t>(count) : INT32_MIN;
    fValue = ToControl(defaultValue);
}

int32_t CPluginControl_Linear::ToControl(double value) const {
    double v = std::isnan(value) ? fMin : std::clamp(value, std::min(fMin, fMax), std::max(fMin, fMax));
    double t = fMax == fMin ? 0.0 : (v - fMin) / (fMax - fMin);
    return static_cast<int32_t>(std::floor(kSpan * t + kMinControl + 0.5));
}

double CPluginControl_Linear::FromControl(int32_t control) const {
    double t = (static_cast<double>(control) - kMinControl) / kSpan;
    return fMin + (fMax - fMin) * t;
}

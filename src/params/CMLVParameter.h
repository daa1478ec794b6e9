#pragma once
#include <cstddef>
#include <string>
#include <vector>

class CMLVDSPAlgInterface;

// Mapping and display rule of a parameter.
enum CMLVParamType {
    Linear = 0,
    Integer = 1,
    Bipolar = 2,
    List = 3,
    Logarithmic = 4,
    GainDb = 5,
    Quadratic = 6,
    OffAtMin = 7,
    OffAtMax = 8,
};

// One parameter of an algorithm: plain value, host-normalised value, range, labels, display rule.
// Written on the main thread (and by the tempo follow on the audio thread); every write sets the
// owner's parametersChanged so the audio thread recomputes at its next block.
class CMLVParameter {
  public:
    CMLVParameter(CMLVDSPAlgInterface* owner, const std::string& name, const std::vector<std::string>& labels,
                  double minValue, double maxValue, double step, double defaultValue, CMLVParamType type,
                  bool attrA = false, int attrB = 0, bool attrC = true);
    CMLVParameter(CMLVDSPAlgInterface* owner, const std::string& name, const std::string& unit,
                  double minValue, double maxValue, double step, double defaultValue, CMLVParamType type,
                  bool attrA = false, int attrB = 0, bool attrC = true);

    void SetNormalizedValue(double n);
    void SetValue(double v);
    // Plain value; List parameters read as whole numbers.
    double GetValue() const;
    const std::string& GetName() const { return name; }
    const std::vector<std::string>& GetLabels() const { return labels; }
    // v < 0 selects the current value.
    std::string FormatValue(bool withName, bool withUnit, double v = -1.0) const;
    // The same text into a caller's buffer (never allocates; cut to fit, zero-terminated when size > 0);
    // returns the full text's length.
    size_t FormatValue(char* out, size_t size, bool withName, bool withUnit, double v = -1.0) const;

    double Normalize(double v) const;
    double Denormalize(double n) const;

    CMLVDSPAlgInterface* owner;
    double normalizedValue;
    double defaultValue;
    double normalizedDefault;
    double value;
    double minValue, maxValue;
    double step;
    std::vector<std::string> labels;
    std::string name;
    CMLVParamType type;

  private:
    void MarkChanged();
};

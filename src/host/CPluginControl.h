#pragma once
#include <atomic>
#include <cstdint>
#include <string>

// A host control: maps a setting's own value to the host's signed 32-bit control value and to text.
// All operations run on the host's main thread; the current value is a relaxed atomic, so that a state
// save on another thread may read it while an LV2 run() writes it.
class CPluginControl {
  public:
    CPluginControl(uint32_t id, const std::string& name) : fID(id), fName(name) {}
    virtual ~CPluginControl() = default;

    virtual uint32_t Id() const { return fID; }
    virtual int32_t DefaultValue() const = 0;
    virtual void SetDefault(int32_t controlValue) = 0;
    virtual int32_t StepCount() const = 0;
    virtual int32_t ValueFromText(const char* text) const = 0;
    virtual bool AcceptsKey(char key) const = 0;
    virtual void NameText(char* buffer, int length, int32_t controlValue) const;
    virtual int Reserved7() const { return 0; }
    virtual int Reserved8() const { return 0; }
    virtual bool IsContinuous() const = 0;
    virtual void ValueText(char* buffer, int length, int32_t controlValue) const = 0;
    virtual bool Automatable() const = 0;

    int32_t GetValue() const { return fValue.load(std::memory_order_relaxed); }
    void SetValue(int32_t v) { fValue.store(v, std::memory_order_relaxed); }
    const std::string& GetName() const { return fName; }

    static constexpr double kMinControl = -2147483648.0;
    static constexpr double kMaxControl = 2147483647.0;

  protected:
    CPluginControl() : fID(0) {} // for the continuous part, a virtual base that the final class builds
    std::atomic<int32_t> fValue{INT32_MIN};
    uint32_t fID;
    std::string fName;
};

class CPluginControl_Discrete : public CPluginControl {
  public:
    CPluginControl_Discrete(uint32_t id, const std::string& name, int32_t minimum, int32_t maximum,
                            int32_t defaultValue, bool automatable);
    int32_t DefaultValue() const override { return GetControlValueFromDiscreteValue(fDefault); }
    void SetDefault(int32_t controlValue) override {
        fDefault = GetDiscreteValueFromControlValue(controlValue);
    }
    int32_t StepCount() const override { return fMax - fMin + 1; }
    int32_t ValueFromText(const char* text) const override;
    bool AcceptsKey(char key) const override;
    bool IsContinuous() const override { return false; }
    void ValueText(char* buffer, int length, int32_t controlValue) const override;
    bool Automatable() const override { return fAutomatable; }

    int32_t GetDiscreteValueFromControlValue(int32_t controlValue) const;
    int32_t GetControlValueFromDiscreteValue(int32_t value) const;
    int32_t Min() const { return fMin; }
    int32_t Max() const { return fMax; }

  protected:
    int32_t fMin, fMax, fDefault;
    bool fAutomatable;
};

class CPluginControl_OnOff : public CPluginControl_Discrete {
  public:
    CPluginControl_OnOff(uint32_t id, const std::string& name, int32_t defaultValue, bool automatable,
                         const char* onText = nullptr, const char* offText = nullptr);
    int32_t ValueFromText(const char* text) const override;
    bool AcceptsKey(char key) const override;
    void ValueText(char* buffer, int length, int32_t controlValue) const override;

  private:
    std::string fOnText, fOffText;
};

struct PrefixEntry {
    const char* prefix;
    double scale;
};

class CPluginControl_Continuous : public virtual CPluginControl {
  public:
    CPluginControl_Continuous(double minimum, double maximum, double defaultValue, bool automatable,
                              const PrefixEntry* begin = nullptr, const PrefixEntry* end = nullptr);
    int32_t DefaultValue() const override { return ToControl(fDefault); }
    void SetDefault(int32_t controlValue) override { fDefault = FromControl(controlValue); }
    int32_t ValueFromText(const char* text) const override;
    bool AcceptsKey(char key) const override;
    bool IsContinuous() const override { return true; }
    void ValueText(char* buffer, int length, int32_t controlValue) const override;
    bool Automatable() const override { return fAutomatable; }

    virtual int32_t ToControl(double value) const = 0;
    virtual double FromControl(int32_t control) const = 0;

    double Min() const { return fMin; }
    double Max() const { return fMax; }
    void SetDisplayPrecision(int p) { fPrecision = p; }
    void SetUnits(const std::string& units) { fUnits = units; }

  protected:
    double fMin, fMax, fDefault;
    bool fAutomatable;
    int fPrecision = 1;
    std::string fUnits;
    const PrefixEntry* fPrefixBegin;
    const PrefixEntry* fPrefixEnd;
};

class CPluginControl_Linear : public CPluginControl_Continuous {
  public:
    CPluginControl_Linear(uint32_t id, const std::string& name, double minimum, double maximum, double step,
                          double defaultValue, bool automatable, const PrefixEntry* begin = nullptr,
                          const PrefixEntry* end = nullptr);
    int32_t StepCount() const override { return fStepCount; }
    int32_t ToControl(double value) const override;
    double FromControl(int32_t control) const override;

  private:
    int32_t fStepCount;
};

// The seven-entry prefix table of the parameter controls: "" 1, "k" 1e3 ... "E" 1e18.
const PrefixEntry* ParameterPrefixBegin();
const PrefixEntry* ParameterPrefixEnd();

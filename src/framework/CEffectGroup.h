#pragma once
#include "framework/CEffectType.h"
#include <memory>
#include <string>
#include <vector>

using ViewFactory = void* (*)();

// The plug-in group: manufacturer and product identity and the list of effect types.
class CEffectGroup {
  public:
    virtual ~CEffectGroup() = default;

    // Main thread. Registers the types; called once after construction.
    virtual void Initialize() {}

    // Host side (main thread).
    int GetNumTypes() const { return static_cast<int>(fTypes.size()); }
    virtual const CEffectType* GetType(int i) const;
    // Creates a process of type i and numbers the instance.
    virtual CProcess* CreateProcess(int typeIndex, const HostProcessContext& context);
    const std::string& ManufacturerName() const { return fManufacturerName; }
    OSType ManufacturerID() const { return fManufacturerID; }
    const std::string& ProductName() const { return fProductName; }
    int ProductNumber() const { return fProductNumber; }
    int AttributeCode() const { return fAttributeCode; }
    bool HasViewName(const std::string& name) const;

  protected:
    void DefineManufacturerNamesAndID(const std::string& name, OSType id) {
        fManufacturerName = name;
        fManufacturerID = id;
    }
    void DefineProductName(const std::string& names) { fProductName = names; }
    void DefineProductNumber(int n) { fProductNumber = n; }
    void DefineGroupAttribute(int code) { fAttributeCode = code; }
    void AddGenericViewName(const std::string& name, ViewFactory factory);
    void AddEffectType(std::unique_ptr<CEffectType> type) { fTypes.push_back(std::move(type)); }

  private:
    std::string fManufacturerName, fProductName;
    OSType fManufacturerID = 0;
    int fProductNumber = 0, fAttributeCode = 0, fNextInstance = 1;
    std::vector<std::unique_ptr<CEffectType>> fTypes;
    std::vector<std::pair<std::string, ViewFactory>> fViews;
};

#pragma once
#include "framework/CProcess.h"
#include <string>
#include <vector>

using ProcessFactory = CProcess* (*)();

// One host plug-in type: identity, channel layout and the factory that makes its processes.
class CEffectType {
  public:
    CEffectType(EffectKind kind, OSType typeID, OSType productID, int category, int attribute);
    virtual ~CEffectType() = default;

    void SetName(const std::string& name) { fName = name; }
    void SetFactory(ProcessFactory factory) { fFactory = factory; }
    void DefineStemFormats(StemFormat input, StemFormat output);
    void AddProperty(int code) { fProperties.push_back(code); }
    // The product's own number for the effect (its effect type number).
    void SetTag(int tag) { fTag = tag; }
    int Tag() const { return fTag; }

    // Main thread. Creates and initialises a process, or nullptr when it cannot be made.
    virtual CProcess* CreateProcess(const HostProcessContext& context) const;

    EffectKind Kind() const { return fKind; }
    OSType TypeID() const { return fTypeID; }
    OSType ProductID() const { return fProductID; }
    int Category() const { return fCategory; }
    int Attribute() const { return fAttribute; }
    const std::string& Name() const { return fName; }
    int NumInputs() const { return fInputs; }
    int NumOutputs() const { return fOutputs; }
    const std::vector<int>& Properties() const { return fProperties; }

  private:
    EffectKind fKind;
    OSType fTypeID, fProductID;
    int fCategory, fAttribute;
    std::string fName;
    ProcessFactory fFactory = nullptr;
    int fInputs = 2, fOutputs = 2;
    int fTag = 0;
    std::vector<int> fProperties;
};

class CEffectTypeRTAS : public CEffectType {
  public:
    CEffectTypeRTAS(OSType typeID, OSType productID, int category, int attribute)
        : CEffectType(kRealTime, typeID, productID, category, attribute) {}
};

class CEffectTypeAS : public CEffectType {
  public:
    CEffectTypeAS(OSType typeID, OSType productID, int category, int attribute)
        : CEffectType(kAudioSuite, typeID, productID, category, attribute) {}
};

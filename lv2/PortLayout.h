#pragma once
#include "framework/CEffectType.h"
#include "framework/CProcess.h"
#include <string>
#include <utility>
#include <vector>

// The LV2 face of one real-time effect type: URI, name, class and the port list. The plug-in library
// builds it at instantiation and the bundle generator writes it as Turtle, both from the same effect
// process, so the metadata and the binary cannot drift apart.
namespace lv2layout {

enum class Direction { Input, Output };
enum class Role {
    Audio,     // channel
    Bypass,    // control 1, the footswitch
    Parameter, // controls 2, 3, ...
    Events,    // host transport (time:Position)
    MeterIn,   // channel
    MeterOut,  // channel
    Readout,   // readout index
    HostTempo, // the tempo the effect follows
    Latency,
};

struct Port {
    Role role = Role::Audio;
    Direction direction = Direction::Input;
    int index = 0;   // LV2 port index
    int channel = 0; // audio and meter ports
    int control = 0; // bypass and parameter ports: the process's control index
    int readout = 0; // readout ports
    std::string symbol, name;
    float minimum = 0.0f, maximum = 1.0f, defaultValue = 0.0f;
    std::string unit; // readable unit as the effect names it ("dB", "Hz"...), empty for none
    bool toggled = false, integer = false, enumeration = false, logarithmic = false;
    std::vector<std::pair<float, std::string>> scalePoints;

    bool IsControl() const { return role != Role::Audio && role != Role::Events; }
};

struct PluginLayout {
    std::string uri, name, code, longName, pluginClass;
    int channels = 2;
    int effectType = 0;
    int latency = 0; // the largest the effect reports
    bool followsTempo = false;
    std::vector<Port> ports;
};

constexpr const char* kURIBase = "urn:marlevo:tonvera:";
constexpr const char* kProjectURI = "urn:marlevo:tonvera";
constexpr const char* kStateKeyURI = "urn:marlevo:tonvera:state#controls";
constexpr int kMaxLatencyPort = 65536;

// "urn:marlevo:tonvera:lc:stereo" for the effect code "LC" and two channels.
std::string PluginURI(const std::string& code, int channels);
// The effect's editor, shared by its stereo and mono plug-ins.
std::string EditorURI(const std::string& code);

// The largest latency a process of the type reports over the values of its switch (List) parameters.
// Renders a few silent blocks through the process: pass a throwaway instance.
int ProbeLatency(CProcess& process);

// What the layout is made of: the effect's identity and its parameter and readout records.
struct EffectDescription {
    std::string registeredName; // "LC - Level Control\nLC"
    int channels = 2;
    int effectType = 0;
    int category = 0;
    std::vector<ParameterDescription> parameters; // indices 2, 3, ...
    std::vector<ReadoutDescription> readouts;
};

// The layout of a real-time type, read from a process of that type; a latency port when maxLatency > 0.
PluginLayout Describe(const CEffectType& type, const CProcess& process, int maxLatency);
// The same from the records alone (the UI, which holds an algorithm but no process).
PluginLayout Describe(const EffectDescription& effect, int maxLatency);

// Lower-case identifier usable as an LV2 port symbol: [a-z0-9_], not starting with a digit.
std::string SymbolFromName(const std::string& name);
// The lv2 units vocabulary term for a unit label ("db", "hz", ...), empty when there is none.
std::string UnitTerm(const std::string& unit);

} // namespace lv2layout

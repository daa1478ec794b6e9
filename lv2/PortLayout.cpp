#include "PortLayout.h"
#include "shell/HostFacts.h"
#include <algorithm>
#include <cctype>
#include <set>

namespace lv2layout {
namespace {

using hostfacts::Lower;

// The host category bits mapped onto the LV2 plug-in classes.
std::string PluginClass(int category) {
    static const std::pair<int, const char*> classes[] = {
        {1, "EQPlugin"},     {2, "DynamicsPlugin"},   {4, "PitchPlugin"},       {8, "ReverbPlugin"},
        {16, "DelayPlugin"}, {32, "ModulatorPlugin"}, {64, "DistortionPlugin"}, {512, "SpatialPlugin"},
    };
    for (const auto& [bit, name] : classes)
        if (category & bit) return name;
    return "UtilityPlugin";
}

// Port symbols must be unique within a plug-in; later ports get a numeric suffix.
std::string Unique(std::string symbol, std::set<std::string>& used) {
    if (symbol.empty()) symbol = "control";
    std::string candidate = symbol;
    for (int n = 2; used.count(candidate); ++n)
        candidate = symbol + "_" + std::to_string(n);
    used.insert(candidate);
    return candidate;
}

Port ControlOutput(Role role, const std::string& symbol, const std::string& name, float lo, float hi) {
    Port p;
    p.role = role;
    p.direction = Direction::Output;
    p.symbol = symbol;
    p.name = name;
    p.minimum = lo;
    p.maximum = hi;
    p.defaultValue = lo;
    return p;
}

} // namespace

std::string PluginURI(const std::string& code, int channels) {
    return std::string(kURIBase) + Lower(code) + (channels == 1 ? ":mono" : ":stereo");
}

std::string EditorURI(const std::string& code) {
    return std::string(kURIBase) + Lower(code) + ":ui";
}

std::string SymbolFromName(const std::string& name) {
    std::string s;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c))
            s += static_cast<char>(std::tolower(c));
        else if (!s.empty() && s.back() != '_')
            s += '_';
    }
    while (!s.empty() && s.back() == '_')
        s.pop_back();
    if (!s.empty() && std::isdigit(static_cast<unsigned char>(s[0]))) s = "p_" + s;
    return s;
}

std::string UnitTerm(const std::string& unit) {
    static const std::pair<const char*, const char*> terms[] = {
        {"db", "db"},
        {"hz", "hz"},
        {"khz", "khz"},
        {"ms", "ms"},
        {"s", "s"},
        {"sec", "s"},
        {"%", "pc"},
        {"bpm", "bpm"},
        {"cent", "cent"},
        {"cents", "cent"},
        {"ct", "cent"},
        {"st", "semitone12TET"},
        {"semitones", "semitone12TET"},
        {"samples", "frame"},
    };
    const std::string u = Lower(unit);
    for (const auto& [label, term] : terms)
        if (u == label) return term;
    return std::string();
}

int ProbeLatency(CProcess& process) {
    float silence[2][64] = {};
    float out[2][64];
    float* in[2] = {silence[0], silence[1]};
    float* outs[2] = {out[0], out[1]};
    auto latencyNow = [&] {
        process.RenderAudio(in, outs, 64);
        return process.GetLatency();
    };
    int latency = latencyNow();
    // Some effects delay the signal only in one mode (the exciter's oversampling).
    for (int index = 2; index <= process.GetNumControls(); ++index) {
        ParameterDescription d;
        if (process.GetParameterDescription(index, &d) != kNoErr || !hostfacts::IsList(d)) continue;
        for (double v = d.minValue; v <= d.maxValue; v += 1.0) {
            process.HostSetControlValue(index, ControlFromNormalized(process.NormalizeParameter(index, v)));
            latency = std::max(latency, latencyNow());
        }
        process.HostSetControlValue(index, ControlFromNormalized(d.normalizedDefault));
    }
    return latency;
}

PluginLayout Describe(const CEffectType& type, const CProcess& process, int maxLatency) {
    EffectDescription effect;
    effect.registeredName = type.Name();
    effect.channels = type.NumInputs() == 1 ? 1 : 2;
    effect.effectType = type.Tag();
    effect.category = type.Category();
    for (int index = 2; index <= process.GetNumControls(); ++index) {
        ParameterDescription d;
        if (process.GetParameterDescription(index, &d) == kNoErr) effect.parameters.push_back(d);
    }
    for (int i = 0; i < process.GetReadoutCount(); ++i) {
        ReadoutDescription r;
        if (process.GetReadoutDescription(i, &r) == kNoErr) effect.readouts.push_back(r);
    }
    return Describe(effect, maxLatency);
}

PluginLayout Describe(const EffectDescription& effect, int maxLatency) {
    PluginLayout layout;
    layout.code = hostfacts::CodeOfTypeName(effect.registeredName);
    layout.longName = hostfacts::LongNameOfTypeName(effect.registeredName);
    layout.channels = effect.channels;
    layout.effectType = effect.effectType;
    layout.uri = PluginURI(layout.code, layout.channels);
    layout.name = layout.longName + (layout.channels == 1 ? " (Mono)" : "");
    layout.pluginClass = PluginClass(effect.category);
    layout.latency = maxLatency;

    std::set<std::string> used;
    std::vector<Port>& ports = layout.ports;
    const bool stereo = layout.channels == 2;
    static const char* const sides[2] = {"L", "R"};

    for (Direction d : {Direction::Input, Direction::Output}) {
        for (int c = 0; c < layout.channels; ++c) {
            Port p;
            p.role = Role::Audio;
            p.direction = d;
            p.channel = c;
            const std::string stem = d == Direction::Input ? "in" : "out";
            p.symbol = Unique(stereo ? stem + "_" + Lower(sides[c]) : stem, used);
            p.name = std::string(d == Direction::Input ? "In" : "Out") +
                     (stereo ? std::string(" ") + sides[c] : "");
            ports.push_back(p);
        }
    }

    {
        Port p;
        p.role = Role::Bypass;
        p.control = 1;
        p.symbol = Unique("bypass", used);
        p.name = "Bypass";
        p.toggled = true;
        p.integer = true;
        ports.push_back(p);
    }

    for (const ParameterDescription& d : effect.parameters) {
        if (d.name == "Sync coeff") layout.followsTempo = true;
        Port p;
        p.role = Role::Parameter;
        p.control = d.index;
        p.symbol = Unique(SymbolFromName(d.name), used);
        p.name = d.name;
        p.minimum = static_cast<float>(d.minValue);
        p.maximum = static_cast<float>(d.maxValue);
        p.defaultValue = static_cast<float>(d.defaultValue);
        switch (d.type) {
        case Integer:
            p.integer = true;
            break;
        case List: // one value per name
            p.integer = true;
            p.enumeration = true;
            for (size_t i = 0; i < d.labels.size(); ++i)
                p.scalePoints.emplace_back(static_cast<float>(i), d.labels[i]);
            break;
        case Logarithmic:
            p.logarithmic = true;
            break;
        default:
            break;
        }
        // Continuous types carry their unit as the only label; Bipolar carries two side names.
        if (!hostfacts::IsList(d) && d.type != Bipolar && d.labels.size() == 1) p.unit = d.labels[0];
        ports.push_back(p);
    }

    {
        Port p;
        p.role = Role::Events;
        p.symbol = Unique("control", used);
        p.name = "Control";
        ports.push_back(p);
    }

    for (Role role : {Role::MeterIn, Role::MeterOut}) {
        for (int c = 0; c < layout.channels; ++c) {
            const std::string stem = role == Role::MeterIn ? "meter_in" : "meter_out";
            std::string name = role == Role::MeterIn ? "Input Level" : "Output Level";
            if (stereo) name += std::string(" ") + sides[c];
            Port p =
                ControlOutput(role, Unique(stereo ? stem + "_" + Lower(sides[c]) : stem, used), name, 0, 1);
            p.channel = c;
            ports.push_back(p);
        }
    }

    for (size_t i = 0; i < effect.readouts.size(); ++i) {
        const ReadoutDescription& r = effect.readouts[i];
        const std::string symbol = SymbolFromName(r.symbol.empty() ? r.name : r.symbol);
        Port p = ControlOutput(Role::Readout, Unique(symbol, used), r.name, r.minValue, r.maxValue);
        p.readout = static_cast<int>(i);
        p.unit = r.unit;
        ports.push_back(p);
    }

    if (layout.followsTempo) {
        Port p = ControlOutput(Role::HostTempo, Unique("host_tempo", used), "Host Tempo", 0, 2000);
        p.unit = "BPM";
        ports.push_back(p);
    }

    if (layout.latency > 0) {
        Port p = ControlOutput(Role::Latency, Unique("latency", used), "Latency", 0,
                               static_cast<float>(kMaxLatencyPort));
        p.integer = true;
        ports.push_back(p);
    }

    for (size_t i = 0; i < ports.size(); ++i)
        ports[i].index = static_cast<int>(i);
    return layout;
}

} // namespace lv2layout

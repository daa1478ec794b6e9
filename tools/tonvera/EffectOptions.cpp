#include "tonvera/EffectOptions.h"
#include "presets/UserPresetExports.h"
#include "tonvera/AudioFile.h"
#include "tonvera/Commands.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
double ParseNumber(const std::string& option, const std::string& text, double lo, double hi) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(v >= lo && v <= hi))
        throw UsageError{option + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                         ", not \"" + text + "\""};
    return v;
}

// The user preset of that name, from the preset file of the library that made the effect.
bool FindUserPreset(const host::Effect& effect, const std::string& name, std::vector<float>* values) {
    auto find = reinterpret_cast<decltype(&MLVFindUserPreset)>(effect.Library().Symbol("MLVFindUserPreset"));
    if (!find) return false;
    const std::string id = effect.Identifier();
    const int count = find(id.c_str(), name.c_str(), nullptr, 0);
    if (count < 0) return false;
    values->assign(static_cast<size_t>(count), 0.0f);
    find(id.c_str(), name.c_str(), values->data(), count);
    return true;
}
} // namespace

ChainOptions ParseChainOptions(const std::vector<std::string>& args, bool allowRenderOptions) {
    ChainOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
            return args[++i];
        };
        auto current = [&]() -> EffectSetup& {
            if (o.effects.empty()) throw UsageError{a + " must follow an -e CODE"};
            return o.effects.back();
        };
        if (a == "--") { // what follows is positional even when it starts with '-'
            o.positional.insert(o.positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (a == "-e") {
            o.effects.push_back(EffectSetup{value(), {}, {}, {}, {}});
        } else if (a == "-p") {
            current().preset = value();
        } else if (a == "-s") {
            const std::string& s = value();
            const size_t eq = s.find('=');
            if (eq == std::string::npos || eq == 0)
                throw UsageError{"-s takes NAME=VALUE, not \"" + s + "\""};
            current().settings.emplace_back(s.substr(0, eq), s.substr(eq + 1));
        } else if (a == "--state" && allowRenderOptions) {
            current().stateIn = value();
        } else if (a == "--save-state" && allowRenderOptions) {
            current().stateOut = value();
        } else if (a == "--tempo" && allowRenderOptions) {
            o.tempo = ParseNumber(a, value(), 1, 2000);
        } else if (a == "--realtime" && allowRenderOptions) {
            o.realtime = true;
        } else if (a == "--block" && allowRenderOptions) {
            o.block = static_cast<int>(ParseNumber(a, value(), 1, 65536));
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

void ApplyEffectSetup(host::Effect& effect, const EffectSetup& setup) {
    if (!setup.stateIn.empty()) effect.RestoreChunk(ReadStateFile(setup.stateIn));
    if (!setup.preset.empty()) {
        bool factory = false;
        for (const PresetDescription& p : effect.Presets())
            factory = factory || p.name == setup.preset;
        std::vector<float> values;
        if (factory) {
            effect.RecallPreset(setup.preset);
        } else if (FindUserPreset(effect, setup.preset, &values)) {
            if (static_cast<int>(values.size()) != effect.ParameterCount())
                throw host::HostError("user preset \"" + setup.preset + "\" of " + effect.Code() + " holds " +
                                          std::to_string(values.size()) + " values, the effect has " +
                                          std::to_string(effect.ParameterCount()) + " parameters",
                                      1);
            for (size_t i = 0; i < values.size(); ++i)
                effect.SetParameterPlain(static_cast<int>(i) + 2, values[i]);
        } else {
            effect.RecallPreset(setup.preset); // throws, listing the presets
        }
    }
    for (const auto& [name, text] : setup.settings) {
        const int index = effect.ParameterIndex(name);
        if (index == 1) {
            effect.SetParameter(name, text);
            continue;
        }
        const ParameterDescription p = effect.Parameter(index);
        const double value = host::ParsePlainValue(p, text);
        const double set = std::min(std::max(value, p.minValue), p.maxValue);
        if (set != value)
            std::fprintf(stderr, "tonvera: %s %s=%s is outside %g .. %g; set to %g\n", effect.Code().c_str(),
                         name.c_str(), text.c_str(), p.minValue, p.maxValue, set);
        effect.SetParameterPlain(index, set);
    }
}

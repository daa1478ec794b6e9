#include "host/EmbeddedHost.h"
#include "shell/HostFacts.h"
#include "tonvera/Commands.h"
#include <cstdio>

namespace {
std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

int List(const std::vector<std::string>& args) {
    if (!args.empty()) throw UsageError{"list takes no arguments"};
    host::PluginLibrary library;
    std::printf("%-4s %-32s %5s  %-4s %8s\n", "code", "name", "type", "id", "category");
    for (const host::EffectSummary& e : library.Effects())
        std::printf("%-4s %-32s %5d  %-4s %8d\n", e.code.c_str(), e.longName.c_str(), e.effectType,
                    OSTypeText(e.baseTypeID).c_str(), e.category);
    return 0;
}

std::string Range(const ParameterDescription& p) {
    if (hostfacts::IsList(p)) {
        std::string s;
        for (const auto& l : p.labels)
            s += (s.empty() ? "" : " | ") + l;
        return s;
    }
    std::string s = Number(p.minValue) + " .. " + Number(p.maxValue);
    if (!p.labels.empty() && !p.labels[0].empty()) s += " " + p.labels[0];
    if (p.type == Bipolar && p.labels.size() > 1) s += " (" + p.labels[0] + " / " + p.labels[1] + ")";
    return s;
}

int Info(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"info takes one effect code"};
    host::PluginLibrary library;
    host::Effect effect(library, args[0], host::RenderMode::RealTime, 2, 48000.0);
    const CEffectType& t = effect.Type();
    std::printf("%s\n  code %s, effect type %d, types %s (stereo) %s (mono) %s (offline), category %d\n",
                hostfacts::LongNameOfTypeName(t.Name()).c_str(), effect.Code().c_str(), t.Tag(),
                OSTypeText(t.TypeID()).c_str(), OSTypeText(t.TypeID() + 1).c_str(),
                OSTypeText(t.TypeID() + 2).c_str(), t.Category());
    if (effect.Process().GetLatency() > 0)
        std::printf("  latency %d samples at 48 kHz\n", effect.Process().GetLatency());
    std::printf("\nParameters:\n  %-3s %-16s %-12s %-40s %6s  %s\n", "#", "name", "type", "range", "step",
                "default");
    std::vector<ParameterDescription> params;
    for (int i = 2; i < 2 + effect.ParameterCount(); ++i) {
        const ParameterDescription p = effect.Parameter(i);
        params.push_back(p);
        std::printf("  %-3d %-16s %-12s %-40s %6s  %s\n", i, p.name.c_str(), host::TypeName(p.type).c_str(),
                    Range(p).c_str(), Number(p.step).c_str(),
                    host::PlainValueText(p, p.defaultValue).c_str());
    }
    std::printf("\nPresets:\n");
    for (const PresetDescription& pr : effect.Presets()) {
        std::printf("  %-3d %-24s %s", pr.number, ("\"" + pr.name + "\"").c_str(),
                    pr.factory ? "" : "(user) ");
        for (size_t i = 0; i < pr.values.size() && i < params.size(); ++i)
            std::printf("%s%s=%s", i ? ", " : "", params[i].name.c_str(),
                        host::PlainValueText(params[i], pr.values[i]).c_str());
        std::printf("\n");
    }
    return 0;
}
} // namespace

TONVERA_COMMAND(list, "list", "list                      the registered effects", List)
TONVERA_COMMAND(info, "info", "info CODE                 an effect's parameters and factory presets", Info)

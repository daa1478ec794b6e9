#include "host/EmbeddedHost.h"
#include "presets/UserPresetExports.h"
#include "tonvera/Commands.h"
#include "tonvera/EffectOptions.h"
#include <cctype>
#include <cstdio>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <sys/stat.h>

namespace {

using FindFn = int (*)(const char*, const char*, float*, int);
using VisitFn = int (*)(MLVUserPresetVisitor, void*);
using PathFn = int (*)(char*, int);

// The effect identifier keying an effect's section of the preset file: the lower-case code padded
// with "u" to three letters, then "1" (OD -> odu1, FLB -> flb1). An identifier is taken as it is.
std::string PluginIdFromCode(const std::string& code) {
    std::string id;
    for (char c : code)
        id.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (id.size() == 4 && id[3] == '1') return id;
    while (id.size() < 3)
        id.push_back('u');
    return id + "1";
}

// The render path has no handle on the library, which is loaded privately: find the loaded object
// that exports the preset lookup.
int FindLoadedExport(dl_phdr_info* info, size_t, void* data) {
    if (!info->dlpi_name || !*info->dlpi_name) return 0;
    void* handle = dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return 0;
    void* symbol = dlsym(handle, "MLVFindUserPreset");
    dlclose(handle);
    if (!symbol) return 0;
    *static_cast<void**>(data) = symbol;
    return 1;
}

bool ResolveUserPreset(const std::string& code, const std::string& name, std::vector<float>* values) {
    void* symbol = nullptr;
    dl_iterate_phdr(FindLoadedExport, &symbol);
    if (!symbol) return false;
    auto find = reinterpret_cast<FindFn>(symbol);
    const std::string id = PluginIdFromCode(code);
    const int count = find(id.c_str(), name.c_str(), nullptr, 0);
    if (count < 0) return false;
    values->assign(static_cast<size_t>(count), 0.0f);
    find(id.c_str(), name.c_str(), values->data(), count);
    return true;
}

const bool resolverInstalled = SetUserPresetResolver(ResolveUserPreset);

template <typename Fn> Fn Export(const host::PluginLibrary& library, const char* name) {
    auto fn = reinterpret_cast<Fn>(library.Symbol(name));
    if (!fn) throw host::HostError(library.Path() + " has no user preset support (" + name + ")", 1);
    return fn;
}

std::string PresetFilePath(const host::PluginLibrary& library) {
    char buffer[4096];
    if (Export<PathFn>(library, "MLVGetUserPresetFilePath")(buffer, sizeof buffer) < 0)
        throw host::HostError("the registry names no documents folder for the user preset file", 1);
    return buffer;
}

struct Entry {
    std::string effectId, key, name;
    std::vector<float> values;
};

void Collect(void* context, const char* effectId, const char* entryKey, const char* name, const float* values,
             int count) {
    static_cast<std::vector<Entry>*>(context)->push_back(
        Entry{effectId, entryKey, name, std::vector<float>(values, values + count)});
}

std::vector<Entry> ReadEntries(const host::PluginLibrary& library, const std::string& path) {
    std::vector<Entry> entries;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return entries;
    if (Export<VisitFn>(library, "MLVVisitUserPresets")(Collect, &entries) != 0)
        throw host::HostError("the user preset file " + path + " cannot be read", 1);
    return entries;
}

int Save(const std::vector<std::string>& args) {
    ChainOptions options = ParseChainOptions(args, false);
    if (options.effects.size() != 1) throw UsageError{"name one effect with -e CODE"};
    if (options.positional.size() != 1) throw UsageError{"give the name of the new preset"};
    const std::string& name = options.positional[0];
    host::PluginLibrary library;
    host::Effect effect(library, options.effects[0].code, host::RenderMode::RealTime, 2, 48000.0);
    ApplyEffectSetup(effect, options.effects[0]);
    const std::string path = PresetFilePath(library);
    const std::string id = PluginIdFromCode(effect.Code());
    auto countOf = [&]() {
        size_t n = 0;
        for (const Entry& e : ReadEntries(library, path))
            n += e.effectId == id;
        return n;
    };
    const size_t before = countOf();
    if (effect.Process().HostSavePreset(name) != kNoErr || countOf() != before + 1)
        throw host::HostError("could not store the preset in " + path, 1);
    std::printf("%s\n", effect.Process().PresetFilePath().c_str());
    return 0;
}

std::string ValueText(const ParameterDescription& p, float v) {
    if (p.type == 3) {
        const int i = static_cast<int>(v + 0.5f);
        if (i >= 0 && i < static_cast<int>(p.labels.size())) return p.labels[static_cast<size_t>(i)];
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

int List(const std::vector<std::string>& args) {
    if (args.size() > 1) throw UsageError{"list takes at most one effect code"};
    host::PluginLibrary library;
    std::string only;
    if (!args.empty()) {
        only = PluginIdFromCode(args[0]);
        bool known = false;
        for (const host::EffectSummary& e : library.Effects())
            known = known || PluginIdFromCode(e.code) == only;
        if (!known) throw UsageError{"unknown effect code \"" + args[0] + "\" (see 'tonvera list')"};
    }
    const std::string path = PresetFilePath(library);
    std::printf("%s\n", path.c_str());
    std::map<std::string, std::string> codes; // identifier -> effect code
    for (const host::EffectSummary& e : library.Effects())
        codes[PluginIdFromCode(e.code)] = e.code;

    std::string section;
    std::vector<ParameterDescription> params;
    for (const Entry& e : ReadEntries(library, path)) {
        if (!only.empty() && e.effectId != only) continue;
        if (e.effectId != section) {
            section = e.effectId;
            params.clear();
            auto code = codes.find(section);
            if (code != codes.end()) {
                host::Effect effect(library, code->second, host::RenderMode::RealTime, 2, 48000.0);
                for (int i = 2; i < 2 + effect.ParameterCount(); ++i)
                    params.push_back(effect.Parameter(i));
            }
            std::printf("\nEffect %s%s\n", section.c_str(),
                        code == codes.end() ? " (not in this library)" : (" (" + code->second + ")").c_str());
        }
        std::printf("  %s  \"%s\"  ", e.key.c_str(), e.name.c_str());
        for (size_t i = 0; i < e.values.size(); ++i) {
            if (i < params.size())
                std::printf("%s%s=%s", i ? ", " : "", params[i].name.c_str(),
                            ValueText(params[i], e.values[i]).c_str());
            else
                std::printf("%s%g", i ? ", " : "", static_cast<double>(e.values[i]));
        }
        std::printf("\n");
    }
    return 0;
}

int Preset(const std::vector<std::string>& args) {
    if (args.empty()) throw UsageError{"say save or list"};
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "save") return Save(rest);
    if (args[0] == "list") return List(rest);
    throw UsageError{"unknown preset command \"" + args[0] + "\""};
}

} // namespace

TONVERA_COMMAND(preset, "preset",
                "preset save -e CODE [-p PRESET] [-s NAME=VALUE]... NAME  |  preset list [CODE]", Preset)

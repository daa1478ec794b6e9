#include "host/EmbeddedHost.h"
#include "presets/UserPresetExports.h"
#include "shell/HostFacts.h"
#include "tonvera/Commands.h"
#include "tonvera/EffectOptions.h"
#include <cstring>
#include <dirent.h>
#include <cstdio>
#include <map>

namespace {

using VisitFn = decltype(&MLVVisitUserPresets);
using PathFn = decltype(&MLVGetUserPresetFilePath);
using NameFn = decltype(&MLVIsStorablePresetName);

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

// Why the library could not read the file, by its status code.
std::string Problem(int status) {
    switch (status) {
    case kMLVPresetFileInaccessible:
        return "cannot be opened (no permission, or not a regular file)";
    case kMLVPresetFileTooLarge:
        return "is too large to be a preset file";
    case kMLVPresetFileNotWellFormed:
        return "is not well-formed XML";
    case kMLVPresetFileTooDeep:
        return "is nested too deeply to be a preset file";
    case kMLVPresetFileNotAPresetList:
        return "is not a preset list";
    default:
        return "cannot be read";
    }
}

// The entries of the file; a missing file has none. status receives the library's answer.
std::vector<Entry> ReadEntries(const host::PluginLibrary& library, int* status) {
    std::vector<Entry> entries;
    *status = Export<VisitFn>(library, "MLVVisitUserPresets")(Collect, &entries);
    return entries;
}

// The newest "<file>.unreadable-..." beside the file: where the library kept an unreadable file.
std::string NewestAside(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = path.substr(0, slash), prefix = path.substr(slash + 1) + ".unreadable-";
    std::string newest;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0 && e->d_name > newest)
                newest = e->d_name;
        closedir(d);
    }
    return newest.empty() ? newest : dir + "/" + newest;
}

int Save(const std::vector<std::string>& args) {
    ChainOptions options = ParseChainOptions(args, false);
    if (options.effects.size() != 1) throw UsageError{"name one effect with -e CODE"};
    if (options.positional.size() != 1) throw UsageError{"give the name of the new preset"};
    const std::string& name = options.positional[0];
    host::PluginLibrary library;
    if (!Export<NameFn>(library, "MLVIsStorablePresetName")(name.c_str()))
        throw UsageError{"a preset name must be UTF-8 text without control characters or line breaks"};
    host::Effect effect(library, options.effects[0].code, host::RenderMode::RealTime, 2, 48000.0);
    ApplyEffectSetup(effect, options.effects[0]);
    const std::string path = PresetFilePath(library);
    const int before = Export<VisitFn>(library, "MLVVisitUserPresets")(nullptr, nullptr);
    if (effect.Process().HostSavePreset(name) != kNoErr)
        throw host::HostError(
            "could not store the preset in " + path +
                (before == kMLVPresetFileInaccessible ? ": the file " + Problem(before) : std::string()),
            1);
    // Other processes may store presets at the same time: look for this entry itself, never at counts.
    std::vector<float> stored;
    for (const PresetDescription& p : effect.Presets())
        if (!p.factory && p.name == name) stored = p.values;
    int status = 0;
    bool found = false;
    const std::string id = effect.Identifier();
    for (const Entry& e : ReadEntries(library, &status))
        found = found || (e.effectId == id && e.name == name && e.values == stored);
    if (!found && before == kMLVPresetFileNotAPresetList)
        throw host::HostError("the preset was not stored: " + path + " " + Problem(before) +
                                  " (no plist holding a dict); the original is kept as " + NewestAside(path) +
                                  ". Move or delete the file to start a new preset file",
                              1);
    if (!found) throw host::HostError("the preset was written, but " + path + " does not hold it", 1);
    if (before <= kMLVPresetFileTooLarge)
        std::fprintf(
            stderr,
            "tonvera preset: the user preset file %s %s; it is kept as %s and a new file was started\n",
            path.c_str(), Problem(before).c_str(), NewestAside(path).c_str());
    std::printf("%s\n", effect.Process().PresetFilePath().c_str());
    return 0;
}

int List(const std::vector<std::string>& args) {
    if (args.size() > 1) throw UsageError{"list takes at most one effect code"};
    host::PluginLibrary library;
    std::map<std::string, std::string>
        codes; // identifier -> effect code; the algorithms hold the identifiers
    for (const host::EffectSummary& e : library.Effects())
        codes[host::Effect(library, e.code, host::RenderMode::RealTime, 2, 48000.0).Identifier()] = e.code;
    std::string only; // an effect code or identifier, in any case
    for (const auto& [id, code] : codes)
        if (!args.empty() &&
            (hostfacts::Lower(args[0]) == id || hostfacts::Lower(args[0]) == hostfacts::Lower(code)))
            only = id;
    if (!args.empty() && only.empty())
        throw UsageError{"unknown effect code \"" + args[0] + "\" (see 'tonvera list')"};
    const std::string path = PresetFilePath(library);
    std::printf("%s\n", path.c_str());

    int status = 0;
    const std::vector<Entry> entries = ReadEntries(library, &status);
    if (status < kMLVPresetFileMissing)
        throw host::HostError("the user preset file " + path + " " + Problem(status) +
                                  (status <= kMLVPresetFileTooLarge && status != kMLVPresetFileNotAPresetList
                                       ? "; the next 'preset save' keeps it aside and starts a new file"
                                       : ""),
                              1);
    std::string section;
    std::vector<ParameterDescription> params;
    for (const Entry& e : entries) {
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
                            host::PlainValueText(params[i], e.values[i]).c_str());
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

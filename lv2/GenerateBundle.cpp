// Writes the Turtle files of the LV2 bundle from the plug-in library itself: the catalogue's real-time
// types, their parameter records, readouts, latency and factory presets. Run by the build; the files
// are never edited by hand.
//
// usage: tonvera_lv2_generate [--ui UI_BINARY_NAME] BUNDLE_DIR BINARY_NAME [LV2_LIBRARY]
// With LV2_LIBRARY, the descriptors that library exports are checked against the generated plug-ins.
// With --ui, every plug-in names its effect's editor in that library (stereo and mono share one).
#include "PortLayout.h"
#include "host/EmbeddedHost.h"
#include "shell/HostFacts.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using lv2layout::Direction;
using lv2layout::PluginLayout;
using lv2layout::Port;
using lv2layout::Role;

const char* const kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                              "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Quote(const std::string& s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') q += '\\';
        if (c == '\n') {
            q += "\\n";
            continue;
        }
        q += c;
    }
    return q + "\"";
}

// Shortest text that reads back as the same float: plain notation for everyday magnitudes, a Turtle
// double literal for the others.
std::string Number(float v) {
    char buf[48];
    const float magnitude = std::fabs(v);
    if (magnitude == 0.0f || (magnitude >= 1e-4f && magnitude < 1e7f)) {
        for (int decimals = 0; decimals <= 12; ++decimals) {
            std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
            if (std::strtof(buf, nullptr) == v) return buf;
        }
    }
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*e", precision, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v) break;
    }
    return buf;
}

std::string Unit(const std::string& unit) {
    if (unit.empty()) return std::string();
    const std::string term = lv2layout::UnitTerm(unit);
    if (!term.empty()) return "units:" + term;
    return "[ a units:Unit ; rdfs:label " + Quote(unit) + " ; units:symbol " + Quote(unit) +
           " ; units:render " + Quote("%f " + unit) + " ]";
}

void WritePort(std::ostream& o, const Port& p) {
    o << "        a " << (p.direction == Direction::Input ? "lv2:InputPort" : "lv2:OutputPort") << " , ";
    if (p.role == Role::Audio)
        o << "lv2:AudioPort ;\n";
    else if (p.role == Role::Events)
        o << "atom:AtomPort ;\n";
    else
        o << "lv2:ControlPort ;\n";
    o << "        lv2:index " << p.index << " ;\n";
    o << "        lv2:symbol " << Quote(p.symbol) << " ;\n";
    o << "        lv2:name " << Quote(p.name);
    if (p.role == Role::Events) {
        o << " ;\n        atom:bufferType atom:Sequence ;\n        atom:supports time:Position ;\n"
          << "        lv2:designation lv2:control ;\n        lv2:portProperty lv2:connectionOptional";
    }
    if (p.IsControl()) {
        o << " ;\n        lv2:default " << Number(p.defaultValue) << " ;\n        lv2:minimum "
          << Number(p.minimum) << " ;\n        lv2:maximum " << Number(p.maximum);
        std::vector<std::string> props;
        if (p.toggled) props.push_back("lv2:toggled");
        if (p.integer) props.push_back("lv2:integer");
        if (p.enumeration) props.push_back("lv2:enumeration");
        if (p.logarithmic) props.push_back("pprops:logarithmic");
        if (p.role == Role::Latency) {
            props.push_back("lv2:reportsLatency");
            o << " ;\n        lv2:designation lv2:latency";
        }
        if (p.role == Role::Bypass)
            o << " ;\n        rdfs:comment \"The footswitch: 1 bypasses the effect.\"";
        if (p.role == Role::HostTempo)
            o << " ;\n        rdfs:comment \"The host tempo the effect follows, 0 before the host sent "
                 "one.\"";
        if (!props.empty()) {
            o << " ;\n        lv2:portProperty ";
            for (size_t i = 0; i < props.size(); ++i)
                o << (i ? " , " : "") << props[i];
        }
        const std::string unit = Unit(p.unit);
        if (!unit.empty()) o << " ;\n        units:unit " << unit;
        for (size_t i = 0; i < p.scalePoints.size(); ++i) {
            o << (i ? " , " : " ;\n        lv2:scalePoint ") << "[\n            rdfs:label "
              << Quote(p.scalePoints[i].second) << " ;\n            rdf:value "
              << Number(p.scalePoints[i].first) << "\n        ]";
        }
    }
    o << "\n";
}

// The editor is a raw X11 child of the host's window, driven by the host's idle calls. It shows the
// values the plug-ins publish, so it asks for their output ports by symbol (the indices differ between
// the stereo and the mono plug-in).
void WriteEditor(std::ostream& o, const std::string& code, const std::string& binary,
                 const std::vector<const PluginLayout*>& plugins) {
    o << "<" << lv2layout::EditorURI(code) << ">\n    a ui:X11UI ;\n    ui:binary <" << binary << "> ;\n"
      << "    lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
      << "    lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize ;\n"
      << "    lv2:extensionData ui:idleInterface";
    for (const PluginLayout* l : plugins)
        for (const Port& p : l->ports)
            if (p.direction == Direction::Output && p.IsControl() && p.role != Role::Latency)
                o << " ;\n    ui:portNotification [ ui:plugin <" << l->uri << "> ; lv2:symbol "
                  << Quote(p.symbol) << " ; ui:protocol ui:floatProtocol ]";
    o << " .\n\n";
}

void WritePlugin(std::ostream& o, const PluginLayout& l, bool withEditor) {
    o << "<" << l.uri << ">\n";
    o << "    a lv2:Plugin , lv2:" << l.pluginClass << " ;\n";
    if (withEditor) o << "    ui:ui <" << lv2layout::EditorURI(l.code) << "> ;\n";
    o << "    doap:name " << Quote(l.name) << " ;\n";
    o << "    lv2:project <" << lv2layout::kProjectURI << "> ;\n";
    o << "    rdfs:comment "
      << Quote("Marlevo Tonvera " + l.longName + (l.channels == 1 ? ", mono" : ", stereo")) << " ;\n";
    o << "    lv2:minorVersion 0 ;\n    lv2:microVersion 1 ;\n";
    o << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n";
    o << "    lv2:extensionData state:interface ;\n";
    o << "    lv2:port ";
    for (size_t i = 0; i < l.ports.size(); ++i) {
        o << (i ? " , [\n" : "[\n");
        WritePort(o, l.ports[i]);
        o << "    ]";
    }
    o << " .\n\n";
}

struct PluginFile {
    PluginLayout layout;
    std::vector<PresetDescription> presets;
    std::vector<int> presetNumbers;
};

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

void RemoveOldTurtle(const std::string& dir) {
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttl") == 0)
                unlink((dir + "/" + name).c_str());
        }
        closedir(d);
    }
}

int CheckBinary(const std::string& path, const std::vector<std::string>& uris) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return 1;
    }
    struct Descriptor {
        const char* URI;
    };
    auto entry = reinterpret_cast<const Descriptor* (*)(uint32_t)>(dlsym(handle, "lv2_descriptor"));
    std::vector<std::string> exported;
    for (uint32_t i = 0; entry; ++i) {
        const Descriptor* d = entry(i);
        if (!d) break;
        exported.push_back(d->URI);
    }
    dlclose(handle);
    if (exported != uris) {
        std::fprintf(stderr, "%s exports %zu descriptors, the catalogue has %zu real-time types\n",
                     path.c_str(), exported.size(), uris.size());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string editorBinary;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--ui") && i + 1 < argc)
            editorBinary = argv[++i];
        else
            args.push_back(argv[i]);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s [--ui UI_BINARY_NAME] BUNDLE_DIR BINARY_NAME [LV2_LIBRARY]\n",
                     argv[0]);
        return 2;
    }
    const std::string dir = args[0], binary = args[1];
    const bool withEditor = !editorBinary.empty();
    std::vector<std::string> uris;
    try {
        host::PluginLibrary library;
        CEffectGroup& group = library.Group();
        // Effects in catalogue order, each with its stereo and mono plug-in.
        std::vector<std::string> codes;
        std::map<std::string, std::vector<PluginFile>> byCode;
        for (int i = 0; i < group.GetNumTypes(); ++i) {
            const CEffectType* type = group.GetType(i);
            if (type->Kind() != kRealTime) continue;
            const std::string code = hostfacts::CodeOfTypeName(type->Name());
            host::Effect effect(library, code, host::RenderMode::RealTime, type->NumInputs(), 48000.0);
            host::Effect probe(library, code, host::RenderMode::RealTime, type->NumInputs(), 48000.0);
            PluginFile f;
            f.layout = lv2layout::Describe(effect.Type(), effect.Process(),
                                           lv2layout::ProbeLatency(probe.Process()));
            for (const PresetDescription& p : effect.Presets())
                if (p.factory) f.presets.push_back(p);
            if (!byCode.count(code)) codes.push_back(code);
            byCode[code].push_back(f);
            uris.push_back(f.layout.uri);
        }

        RemoveOldTurtle(dir);
        std::ostringstream manifest;
        manifest << kPrefixes;
        for (const std::string& code : codes) {
            const std::string stem = hostfacts::Lower(code);
            std::ostringstream plugins, presets;
            plugins << kPrefixes << "<" << lv2layout::kProjectURI
                    << ">\n    a doap:Project ;\n    doap:name \"Marlevo Tonvera\" ;\n"
                    << "    doap:maintainer [ foaf:name \"Marlevo\" ] .\n\n";
            presets << kPrefixes;
            if (withEditor) {
                std::vector<const PluginLayout*> layouts;
                for (const PluginFile& f : byCode[code])
                    layouts.push_back(&f.layout);
                WriteEditor(plugins, code, editorBinary, layouts);
                manifest << "<" << lv2layout::EditorURI(code) << ">\n    a ui:X11UI ;\n    ui:binary <"
                         << editorBinary << "> ;\n    rdfs:seeAlso <" << stem << ".ttl> .\n\n";
            }
            for (const PluginFile& f : byCode[code]) {
                const PluginLayout& l = f.layout;
                manifest << "<" << l.uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary
                         << "> ;\n    rdfs:seeAlso <" << stem << ".ttl> .\n\n";
                WritePlugin(plugins, l, withEditor);
                for (const PresetDescription& p : f.presets) {
                    const std::string uri = l.uri + ":preset:" + std::to_string(p.number);
                    manifest << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << l.uri
                             << "> ;\n    rdfs:seeAlso <" << stem << "-presets.ttl> .\n\n";
                    presets << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << l.uri
                            << "> ;\n    rdfs:label " << Quote(p.name) << " ;\n    lv2:port ";
                    bool first = true;
                    for (const Port& port : l.ports) {
                        if (port.role != Role::Parameter) continue;
                        const size_t k = static_cast<size_t>(port.control - 2);
                        if (k >= p.values.size()) continue;
                        presets << (first ? "[\n" : " , [\n") << "        lv2:symbol " << Quote(port.symbol)
                                << " ;\n        pset:value " << Number(p.values[k]) << "\n    ]";
                        first = false;
                    }
                    presets << " .\n\n";
                }
            }
            if (!WriteFile(dir + "/" + stem + ".ttl", plugins.str()) ||
                !WriteFile(dir + "/" + stem + "-presets.ttl", presets.str())) {
                std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
                return 1;
            }
        }
        if (!WriteFile(dir + "/manifest.ttl", manifest.str())) {
            std::fprintf(stderr, "cannot write %s/manifest.ttl\n", dir.c_str());
            return 1;
        }
        std::printf("%zu plug-ins of %zu effects written to %s\n", uris.size(), codes.size(), dir.c_str());
    } catch (const host::HostError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // Once the plug-in library is closed: the LV2 library must offer exactly these plug-ins.
    return args.size() > 2 ? CheckBinary(args[2], uris) : 0;
}

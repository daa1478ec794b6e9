#pragma once
#include "host/EmbeddedHost.h"
#include <string>
#include <utility>
#include <vector>

// One "-e CODE [-p PRESET] [-s NAME=VALUE]... [--state FILE] [--save-state FILE]" group.
struct EffectSetup {
    std::string code;
    std::string preset;
    std::vector<std::pair<std::string, std::string>> settings;
    std::string stateIn, stateOut;
};

struct ChainOptions {
    std::vector<EffectSetup> effects;
    double tempo = 120.0;
    bool realtime = false;
    int block = 256;
    std::vector<std::string> positional;
};

// Parses the options shared by render and preset save; throws UsageError.
ChainOptions ParseChainOptions(const std::vector<std::string>& args, bool allowRenderOptions);

// Restores the state file, recalls the preset (factory first, then the user's), applies the settings;
// a setting outside its parameter's range is clamped, with a note on stderr.
void ApplyEffectSetup(host::Effect& effect, const EffectSetup& setup);

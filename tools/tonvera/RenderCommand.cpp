#include "tonvera/Chain.h"
#include "tonvera/Commands.h"

namespace {
int Render(const std::vector<std::string>& args) {
    ChainOptions options = ParseChainOptions(args, true);
    if (options.effects.empty()) throw UsageError{"name at least one effect with -e CODE"};
    if (options.positional.size() != 2) throw UsageError{"give an input and an output file"};
    host::PluginLibrary library;
    Audio audio = ReadAudio(options.positional[0]);
    Chain chain(library, options, audio.sampleRate, static_cast<int>(audio.channels.size()));
    chain.Render(audio, "rendering " + options.positional[1]);
    WriteAudio(options.positional[1], audio);
    chain.SaveStates();
    return 0;
}
} // namespace

TONVERA_COMMAND(render, "render",
                "render [--tempo BPM] [--realtime [--block N]] -e CODE [-p PRESET] [-s NAME=VALUE]... "
                "[--state FILE] [--save-state FILE] [-e CODE ...] IN OUT",
                Render)

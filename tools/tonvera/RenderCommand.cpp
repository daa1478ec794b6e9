#include "tonvera/Chain.h"
#include "tonvera/Commands.h"

namespace {
int Render(const std::vector<std::string>& args) {
    ChainOptions options = ParseChainOptions(args, true);
    if (options.effects.empty()) throw UsageError{"name at least one effect with -e CODE"};
    if (options.positional.size() != 2) throw UsageError{"give an input and an output file"};
    host::PluginLibrary library;
    AudioReader in(options.positional[0]);
    Chain chain(library, options, in.SampleRate(), in.Channels());
    // Every output is written under a temporary name and renamed only once all succeeded.
    PendingFile out(options.positional[1]);
    AudioWriter writer(out.TempPath(), options.positional[1], in.SampleRate(), in.Channels());
    chain.Stream(in, writer, "rendering " + options.positional[1]);
    writer.Close();
    std::vector<PendingFile> states = chain.WriteStates();
    out.Commit();
    for (PendingFile& state : states)
        state.Commit();
    return 0;
}
} // namespace

TONVERA_COMMAND(render, "render",
                "render [--tempo BPM] [--realtime [--block N]] -e CODE [-p PRESET] [-s NAME=VALUE]... "
                "[--state FILE] [--save-state FILE] [-e CODE ...] [--] IN OUT",
                Render)

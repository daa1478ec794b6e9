#include "host/EmbeddedHost.h"
#include "tonvera/Commands.h"
#include <cstdio>
#include <cstring>

bool RegisterCommand(const Command& command) {
    const_cast<std::vector<Command>&>(Commands()).push_back(command);
    return true;
}

const std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

static void PrintUsage(FILE* out) {
    std::fprintf(out, "Marlevo Tonvera: guitar and bass effects.\n\nUsage:\n");
    for (const Command& c : Commands())
        std::fprintf(out, "  tonvera %s\n", c.usage);
}

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help") ||
        !std::strcmp(argv[1], "help")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& c : Commands()) {
        if (std::strcmp(c.name, argv[1]) != 0) continue;
        try {
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
        } catch (const UsageError& e) {
            std::fprintf(stderr, "tonvera %s: %s\nusage: tonvera %s\n", c.name, e.message.c_str(), c.usage);
            return 2;
        } catch (const host::HostError& e) {
            std::fprintf(stderr, "tonvera %s: %s\n", c.name, e.what());
            return e.exitCode;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tonvera %s: %s\n", c.name, e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "tonvera: unknown command \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}

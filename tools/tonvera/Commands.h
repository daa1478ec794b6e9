#pragma once
#include <string>
#include <vector>

// Subcommands register themselves, so each lives in a file of its own.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;
    CommandFn run;
};

bool RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

#define TONVERA_COMMAND(id, name, usage, fn)                                                                 \
    namespace {                                                                                              \
    const bool registered_command_##id = RegisterCommand(Command{name, usage, fn});                          \
    }

// A usage error: exit code 2.
struct UsageError {
    std::string message;
};

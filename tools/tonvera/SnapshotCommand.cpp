#include "host/EmbeddedHost.h"
#include "tonvera/Commands.h"
#include "ui/snapshot/Snapshot.h"
#include <cstdlib>

namespace {
int Snapshot(const std::vector<std::string>& args) {
    SnapshotRequest request;
    std::string allDir, out;
    bool haveEffect = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
            return args[++i];
        };
        if (a == "-e") {
            if (haveEffect) throw UsageError{"snapshot draws one effect"};
            request.code = value();
            haveEffect = true;
        } else if (a == "-p") {
            request.preset = value();
        } else if (a == "-s") {
            const std::string& s = value();
            const size_t eq = s.find('=');
            if (eq == std::string::npos || eq == 0)
                throw UsageError{"-s takes NAME=VALUE, not \"" + s + "\""};
            request.sets.emplace_back(s.substr(0, eq), s.substr(eq + 1));
        } else if (a == "--tempo") {
            const std::string& t = value();
            char* end = nullptr;
            request.tempo = std::strtod(t.c_str(), &end);
            if (t.empty() || *end || !(request.tempo >= 1 && request.tempo <= 2000))
                throw UsageError{"--tempo takes a number from 1 to 2000, not \"" + t + "\""};
        } else if (a == "--all") {
            allDir = value();
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else if (out.empty()) {
            out = a;
        } else {
            throw UsageError{"one output file only"};
        }
    }
    std::string error;
    int rc = 0;
    if (!allDir.empty()) {
        if (haveEffect || !out.empty() || !request.preset.empty() || !request.sets.empty())
            throw UsageError{"--all takes only a folder"};
        rc = WriteAllSnapshots(allDir, &error);
    } else {
        if (!haveEffect) throw UsageError{"-e CODE is required"};
        if (out.empty()) throw UsageError{"an output file OUT.png is required"};
        rc = WriteSnapshot(request, out, &error);
    }
    if (rc == 2) throw UsageError{error};
    if (rc != 0) throw host::HostError(error, rc);
    return 0;
}
} // namespace

TONVERA_COMMAND(
    snapshot, "snapshot",
    "snapshot -e CODE [-p PRESET] [-s NAME=VALUE]... [--tempo BPM] OUT.png   the effect's editor as a PNG; "
    "snapshot --all DIR: every effect's",
    Snapshot)

#pragma once
#include <string>
#include <utility>
#include <vector>

// Draws an effect's editor as it looks right after opening with the given settings into a PNG,
// without any display. Returns 0, or 2 for usage errors (unknown effect, preset, parameter or label)
// and 1 for files, with the message in *error.
struct SnapshotRequest {
    std::string code;                                      // effect code, "CH"
    std::string preset;                                    // empty: "Default"
    std::vector<std::pair<std::string, std::string>> sets; // parameter name -> plain value or label
    double tempo = 120.0;
    double sampleRate = 48000.0;
};

int WriteSnapshot(const SnapshotRequest& request, const std::string& pngPath, std::string* error);
// Every effect's face into dir as <CODE>.png.
int WriteAllSnapshots(const std::string& dir, std::string* error);

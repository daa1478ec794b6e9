// The parameter and preset records of every effect, pinned by one digest per effect. Hosts, saved
// states and user preset files depend on every name, range, default, label and factory value, so any
// change to them must be deliberate: on a mismatch the message shows the whole record text of the first
// differing effect, to review against the intended change before updating its digest here.
#include "shell/AlgorithmRegistry.h"
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace {
// Effect type -> FNV-1a 64 of Records(type).
// clang-format off
const std::map<int, uint64_t> kDigests = {
    {5, 0xd8331df768432bd0ull}, {10, 0x753ba2d327ea1888ull}, {15, 0xc64e959e832178e0ull},
    {20, 0xa14da2e640da63ceull}, {25, 0x8db1232cb795bf59ull}, {30, 0x6be50b2b5a5a532bull},
    {35, 0x2d7070410eca42a4ull}, {40, 0xd321141c281e5fc2ull}, {45, 0xc2aef8c8260968f6ull},
    {50, 0x142d59dbc4694a17ull}, {55, 0x7c4baaca47c88ed4ull}, {60, 0xecc235cfc906794full},
    {65, 0x7408d08aeaa6a0aeull}, {70, 0x0454cb49324df5b0ull}, {75, 0x39da6cd5e7627725ull},
    {80, 0x24fae1399680e150ull}, {85, 0x43bdfcbee0807f98ull}, {90, 0x00f1e015e1dba42cull},
    {95, 0xa022eb817979e2b4ull}, {100, 0xb64a440ce94a02b7ull}, {105, 0x60577f43b55a36a9ull},
    {110, 0x36953a57f3a01a69ull}, {115, 0xe9e80ef1a46aaa65ull}, {120, 0x3b7abad1bcd3ef2eull},
    {125, 0x35d0e68bf3c24da3ull}, {130, 0x7b32efc168bf2d36ull}, {135, 0x00dcfa88c4188bcdull},
    {140, 0xc4be5b6cf788bd51ull}, {145, 0xf06ebfd1ff75a643ull}, {150, 0xe92c9cdc0079be0cull},
    {155, 0x5bee7bfa0a3dd2d1ull}, {160, 0xa26a3b7d759132dfull}, {165, 0x44f2c0f156ae8ab3ull},
    {170, 0xd85131fb2e0d21d8ull}, {175, 0xc562df875a3fa49cull}, {180, 0x28a78ab855aa441cull},
};
// clang-format on

std::string Number(double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%.17g", v);
    return s;
}

// One line for the identity, one per parameter, one per factory preset.
std::string Records(const CMLVDSPAlgInterface& a) {
    std::string s = "effect ";
    for (int shift = 24; shift >= 0; shift -= 8)
        s += static_cast<char>(a.pluginId >> shift);
    s += " \"" + a.GetName(false) + "\" \"" + a.GetName(true) + "\"\n";
    for (int i = 0; i < 64; ++i) {
        const CMLVParameter* p = a.GetParameter(i);
        if (!p) continue;
        s += "parameter " + std::to_string(i) + " \"" + p->name + "\" type " + std::to_string(p->type) +
             " range " + Number(p->minValue) + " " + Number(p->maxValue) + " step " + Number(p->step) +
             " default " + Number(p->defaultValue) + " labels";
        for (const std::string& label : p->labels)
            s += " \"" + label + "\"";
        s += "\n";
    }
    for (const auto& [number, preset] : a.GetPresets()) {
        s += "preset " + std::to_string(number) + " \"" + preset->name + "\" factory " +
             std::to_string(preset->isFactory) + " values";
        for (float v : preset->values)
            s += " " + Number(v);
        s += "\n";
    }
    return s;
}

uint64_t Fnv1a64(const std::string& text) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : text)
        h = (h ^ c) * 0x100000001b3ull;
    return h;
}
} // namespace

TEST(CatalogueDigest, ParameterAndPresetRecordsOfEveryEffect) {
    std::map<int, uint64_t> found;
    std::string firstDiff;
    for (int type = 0; type < 1000; ++type) {
        std::unique_ptr<CMLVDSPAlgInterface> a(AlgorithmRegistry::Create(type, 48000, 256));
        if (!a) continue;
        const std::string text = Records(*a);
        found[type] = Fnv1a64(text);
        const auto it = kDigests.find(type);
        if (firstDiff.empty() && (it == kDigests.end() || it->second != found[type]))
            firstDiff = "type " + std::to_string(type) + ":\n" + text;
    }
    std::string table;
    int column = 0;
    for (const auto& [type, digest] : found) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "%s{%d, 0x%016llxull},", column ? " " : "    ", type,
                      (unsigned long long)digest);
        table += entry + std::string(++column % 3 ? "" : "\n");
        column %= 3;
    }
    EXPECT_TRUE(found == kDigests) << "first differing effect, " << firstDiff << "\nnew table:\n" << table;
}

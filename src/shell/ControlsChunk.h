#pragma once
#include "framework/FrameworkTypes.h"
#include <cstdint>
#include <string>
#include <vector>

// The data of the "Complete Controls State" chunk: marker 0x01010101, then one entry per control,
// key = two-character type prefix + identifier (most significant byte first) + zero, padded to 4,
// then the value. Multi-byte values are big-endian.
namespace ControlsChunk {
constexpr OSType kChunkID = 0x656c636b; // e l c k
constexpr uint32_t kMarker = 0x01010101;
constexpr const char* kChunkName = "Complete Controls State";

enum EntryType { kFloat = 1, kLong = 2, kDouble = 3, kShort = 4 };

struct Entry {
    std::string key; // without the prefix
    EntryType type;
    double value;
};

std::string KeyText(OSType id);
// Appends one entry to data (which already holds the marker and earlier entries).
void AppendDouble(std::vector<uint8_t>& data, OSType id, double value);
void AppendLong(std::vector<uint8_t>& data, OSType id, int32_t value);
std::vector<uint8_t> Begin();
// Whether a record was saved by an instance of this manufacturer's effect of that product identifier (the
// same for the effect's stereo, mono and offline types): another effect's values must not be applied.
bool IsRecordOf(const SFicPlugInChunkHeader& header, OSType productID);
// Entries in order; empty when the marker is missing.
std::vector<Entry> Parse(const uint8_t* data, size_t size);
} // namespace ControlsChunk

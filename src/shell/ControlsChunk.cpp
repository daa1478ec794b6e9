#include "shell/ControlsChunk.h"
#include <cstring>

namespace {
void PutBE(std::vector<uint8_t>& d, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint64_t GetBE(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}
void Pad4(std::vector<uint8_t>& d) {
    while (d.size() % 4)
        d.push_back(0);
}
void AppendKey(std::vector<uint8_t>& d, const char* prefix, OSType id) {
    d.push_back(static_cast<uint8_t>(prefix[0]));
    d.push_back(static_cast<uint8_t>(prefix[1]));
    for (int shift = 24; shift >= 0; shift -= 8)
        d.push_back(static_cast<uint8_t>(id >> shift));
    d.push_back(0);
    Pad4(d);
}
} // namespace

std::string ControlsChunk::KeyText(OSType id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8)
        s += static_cast<char>((id >> shift) & 0xff);
    return s;
}

std::vector<uint8_t> ControlsChunk::Begin() {
    std::vector<uint8_t> d;
    PutBE(d, kMarker, 4);
    return d;
}

void ControlsChunk::AppendDouble(std::vector<uint8_t>& d, OSType id, double value) {
    AppendKey(d, "d_", id);
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    PutBE(d, bits, 8);
}

void ControlsChunk::AppendLong(std::vector<uint8_t>& d, OSType id, int32_t value) {
    AppendKey(d, "l_", id);
    PutBE(d, static_cast<uint32_t>(value), 4);
}

bool ControlsChunk::IsRecordOf(const SFicPlugInChunkHeader& header, OSType productID) {
    return header.fManufacturerID == MakeOSType("Mlvx") && header.fProductID == productID;
}

std::vector<ControlsChunk::Entry> ControlsChunk::Parse(const uint8_t* data, size_t size) {
    std::vector<Entry> entries;
    if (size <= 3 || GetBE(data, 4) != kMarker) return entries;
    size_t p = 4;
    while (p < size) {
        std::string key;
        while (p < size && data[p] != 0 && key.size() < 255)
            key += static_cast<char>(data[p++]);
        ++p; // the terminator
        p = (p + 3) & ~static_cast<size_t>(3);
        if (key.empty()) break;
        Entry e{key.size() > 2 ? key.substr(2) : std::string(), kLong, 0.0};
        switch (key[0]) {
        case 'd': {
            if (p + 8 > size) return entries;
            uint64_t bits = GetBE(data + p, 8);
            std::memcpy(&e.value, &bits, 8);
            e.type = kDouble;
            p += 8;
            break;
        }
        case 'f': {
            if (p + 4 > size) return entries;
            uint32_t bits = static_cast<uint32_t>(GetBE(data + p, 4));
            float f;
            std::memcpy(&f, &bits, 4);
            e.value = f;
            e.type = kFloat;
            p += 4;
            break;
        }
        case 'l':
            if (p + 4 > size) return entries;
            e.value = static_cast<int32_t>(static_cast<uint32_t>(GetBE(data + p, 4)));
            e.type = kLong;
            p += 4;
            break;
        case 's':
            if (p + 4 > size) return entries;
            e.value = static_cast<int16_t>(static_cast<uint16_t>(GetBE(data + p, 2)));
            e.type = kShort;
            p += 4;
            break;
        default:
            // Never written; without a known size nothing after it can be read reliably.
            return entries;
        }
        entries.push_back(e);
    }
    return entries;
}

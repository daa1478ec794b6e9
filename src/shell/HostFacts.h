#pragma once
#include "framework/CProcess.h"
#include "params/CMLVParameter.h"
#include "shell/ControlsChunk.h"
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

// What the library and its hosts (the embedded host, the command line, the LV2 plug-ins and editor)
// must read and write alike, each written once. Header only: the embedded host links none of the
// library's objects. Any thread.
namespace hostfacts {

// The one version of the open routine's interface the library accepts.
constexpr int kOpenVersion = 73;

// A registered type name is the long name with the effect code on a second line:
// "LC - Level Control\nLC".
inline std::string TypeName(const std::string& longName, const std::string& code) {
    return longName + "\n" + code;
}
inline std::string CodeOfTypeName(const std::string& name) {
    const size_t nl = name.find('\n');
    return nl == std::string::npos ? name : name.substr(nl + 1);
}
inline std::string LongNameOfTypeName(const std::string& name) {
    return name.substr(0, name.find('\n'));
}

// Codes, URIs and user words compare without case, independent of the user's locale.
inline std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A List parameter takes the index of one of its labels.
inline bool IsList(const ParameterDescription& p) {
    return p.type == List;
}

// The process's controls chunk, header and data, as a host stores it. kNoErr, else the process's
// refusal; record stays empty when the process has no chunk to give.
inline int SaveControls(CProcess& process, std::vector<uint8_t>* record) {
    record->clear();
    int32_t size = 0;
    if (process.GetChunkSize(ControlsChunk::kChunkID, &size) != kNoErr || size < kChunkHeaderSize)
        return kNoChunkToSave;
    record->resize(static_cast<size_t>(size));
    return process.GetChunk(ControlsChunk::kChunkID,
                            reinterpret_cast<SFicPlugInChunkHeader*>(record->data()));
}

// Whether a stored record holds a controls chunk that it covers; the header is copied out, since a
// stored record need not be aligned.
inline bool ReadControlsHeader(const void* record, size_t size, SFicPlugInChunkHeader* header) {
    if (size < sizeof *header) return false;
    std::memcpy(header, record, sizeof *header);
    return header->fChunkID == ControlsChunk::kChunkID && header->fSize >= kChunkHeaderSize &&
           static_cast<size_t>(header->fSize) <= size;
}

// Hands a record read by ReadControlsHeader to the process, aligned as a host keeps it; the
// process's answer (it refuses another effect's record).
inline int RestoreControls(CProcess& process, const void* record, size_t size) {
    std::vector<SFicPlugInChunkHeader> aligned((size + sizeof(SFicPlugInChunkHeader) - 1) /
                                               sizeof(SFicPlugInChunkHeader));
    std::memcpy(aligned.data(), record, size);
    return process.SetChunk(ControlsChunk::kChunkID, aligned.data());
}

} // namespace hostfacts

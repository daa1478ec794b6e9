#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// The small host-framework layer: what a host and the plug-in library exchange. A host (the embedded
// host of the command line, the LV2 adapter) is compiled against these headers and reaches the library's
// objects only through virtual operations, so nothing but the four entry points needs to be exported.

using OSType = uint32_t;

enum FrameworkResult : int {
    kNoErr = 0,
    kRefusedOpenVersion = -1,
    kGroupNotCreated = -7003,
    kNoChunkToSave = -7083,
    kRoutineIndexOutOfRange = -9007,
    kTempoVersionTooOld = -9145,
    kUnsupported = -9999,
};

enum StemFormat : int { kStemMono = 0, kStemStereo = 1 };
enum EffectKind : int { kRealTime = 0, kAudioSuite = 1 };

// Chunk record: a 56-byte header followed by the data. Header fields are in the machine's byte order
// (the host stores the record as it gets it); the data of the controls chunk is big-endian.
struct SFicPlugInChunkHeader {
    int32_t fSize;          // 56 + data size
    int32_t fVersion;       // record layout version, 1
    OSType fManufacturerID; // 'Mlvx'
    OSType fProductID;      // the effect type's product identifier
    OSType fPlugInID;       // the effect type's identifier
    OSType fChunkID;        // 'elck'
    char fName[32];         // "Complete Controls State", zero-terminated
};
static_assert(sizeof(SFicPlugInChunkHeader) == 56, "chunk header is 56 bytes");
constexpr int kChunkHeaderSize = 56;

// Offline buffer descriptor: sample pointer and count for one channel.
struct AudioBufferDescriptor {
    float* samples;
    int32_t count;
};

// Host side of the tempo connection.
class ITempoService {
  public:
    virtual ~ITempoService() = default;
    // Whether the host grants this interface version.
    virtual bool GrantVersion(int version) = 0;
    // Beats per minute; false when the host has none to give.
    virtual bool GetTempo(double* bpm) = 0;
};

// What the library tells its host about controls (main thread, or audio thread for the noise gate).
class IHostListener {
  public:
    virtual ~IHostListener() = default;
    virtual void ControlChanged(int, int32_t) {}
    virtual void GestureBegin(int) {}
    virtual void GestureEnd(int) {}
};

// What the host hands to a new process: sample rate, channel count, services.
struct HostProcessContext {
    double sampleRate = 48000.0;
    int channels = 2;
    ITempoService* tempo = nullptr;
    IHostListener* listener = nullptr;
    // The longest real-time block the host promises; 0 when it does not say.
    int maxBlockLength = 0;
};

// Descriptions for host displays and generated metadata.
struct ParameterDescription {
    int index = 0;
    std::string name;
    int type = 0; // the parameter's mapping type code
    double minValue = 0, maxValue = 1, step = 1, defaultValue = 0, normalizedDefault = 0;
    std::vector<std::string> labels; // unit, value names, or side names
};

struct PresetDescription {
    int number = 0;
    std::string name;
    std::vector<float> values;
    bool factory = true;
};

struct ReadoutDescription {
    std::string symbol, name, unit;
    float minValue = 0, maxValue = 1;
};

// Host control value (signed 32 bits) <-> normalized 0..1.
inline float NormalizedFromControl(int32_t value) {
    return static_cast<float>((static_cast<double>(value) + 2147483648.0) / 4294967295.0);
}
inline int32_t ControlFromNormalized(double n) {
    if (!(n >= 0.0)) n = 0.0; // also NaN
    if (n > 1.0) n = 1.0;
    return static_cast<int32_t>(std::floor(n * 4294967295.0 - 2147483648.0 + 0.5));
}

constexpr OSType MakeOSType(const char (&s)[5]) {
    return (OSType(uint8_t(s[0])) << 24) | (OSType(uint8_t(s[1])) << 16) | (OSType(uint8_t(s[2])) << 8) |
           OSType(uint8_t(s[3]));
}

inline std::string OSTypeText(OSType t) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((t >> shift) & 0xff);
        if (!c) break;
        s += c;
    }
    return s;
}

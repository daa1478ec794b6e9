#include "tonvera/AudioFile.h"
#include "host/EmbeddedHost.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sndfile.h>
#include <unistd.h>

using host::HostError;

Audio ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) throw HostError("cannot read " + path + ": " + sf_strerror(nullptr), 1);
    if (info.channels < 1 || info.channels > 2) {
        sf_close(f);
        throw HostError(path + " has " + std::to_string(info.channels) +
                            " channels; only mono and stereo files are supported",
                        1);
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(f, interleaved.data(), info.frames);
    sf_close(f);
    Audio a;
    a.sampleRate = info.samplerate;
    a.channels.assign(static_cast<size_t>(info.channels), std::vector<float>(static_cast<size_t>(got)));
    for (sf_count_t i = 0; i < got; ++i)
        for (int c = 0; c < info.channels; ++c)
            a.channels[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                interleaved[static_cast<size_t>(i * info.channels + c)];
    return a;
}

void WriteAudio(const std::string& path, const Audio& audio) {
    const std::string tmp = path + ".partial-" + std::to_string(getpid());
    SF_INFO info{};
    info.samplerate = static_cast<int>(audio.sampleRate);
    info.channels = static_cast<int>(audio.channels.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(tmp.c_str(), SFM_WRITE, &info);
    if (!f) throw HostError("cannot write " + path + ": " + sf_strerror(nullptr), 1);
    const size_t frames = audio.Frames(), ch = audio.channels.size();
    std::vector<float> interleaved(frames * ch);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < ch; ++c)
            interleaved[i * ch + c] = audio.channels[c][i];
    const sf_count_t wrote = sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(frames));
    const int closed = sf_close(f);
    if (wrote != static_cast<sf_count_t>(frames) || closed != 0 ||
        std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw HostError("cannot write " + path + ": " + std::strerror(errno ? errno : EIO), 1);
    }
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw HostError("cannot read " + path + ": " + std::strerror(errno), 1);
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string tmp = path + ".partial-" + std::to_string(getpid());
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) throw HostError("cannot write " + path + ": " + std::strerror(errno), 1);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw HostError("cannot write " + path, 1);
    }
}

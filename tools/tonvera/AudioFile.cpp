#include "tonvera/AudioFile.h"
#include "host/EmbeddedHost.h"
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using host::HostError;

Audio ReadAudio(const std::string& path) {
    AudioReader reader(path);
    std::vector<float> interleaved(reader.Frames() * static_cast<size_t>(reader.Channels()));
    const size_t got = reader.Read(interleaved.data(), reader.Frames());
    Audio a;
    a.sampleRate = reader.SampleRate();
    const size_t ch = static_cast<size_t>(reader.Channels());
    a.channels.assign(ch, std::vector<float>(got));
    for (size_t i = 0; i < got; ++i)
        for (size_t c = 0; c < ch; ++c)
            a.channels[c][i] = interleaved[i * ch + c];
    return a;
}

void WriteAudio(const std::string& path, const Audio& audio) {
    PendingFile out(path);
    AudioWriter writer(out.TempPath(), path, audio.sampleRate, static_cast<int>(audio.channels.size()));
    const size_t frames = audio.Frames(), ch = audio.channels.size();
    std::vector<float> interleaved(frames * ch);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < ch; ++c)
            interleaved[i * ch + c] = audio.channels[c][i];
    writer.Write(interleaved.data(), frames);
    writer.Close();
    out.Commit();
}

PendingFile::PendingFile(std::string path) : fPath(std::move(path)) {
    static std::atomic<unsigned> counter{0};
    fTemp = fPath + ".partial-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : fPath(std::move(other.fPath)), fTemp(std::move(other.fTemp)), fPending(other.fPending) {
    other.fPending = false;
}

PendingFile::~PendingFile() {
    if (fPending) std::remove(fTemp.c_str());
}

void PendingFile::Commit() {
    if (std::rename(fTemp.c_str(), fPath.c_str()) != 0)
        throw HostError("cannot write " + fPath + ": " + std::strerror(errno), 1);
    fPending = false;
}

AudioReader::AudioReader(const std::string& path) : fPath(path) {
    fFile = sf_open(path.c_str(), SFM_READ, &fInfo);
    if (!fFile) throw HostError("cannot read " + path + ": " + sf_strerror(nullptr), 1);
    if (fInfo.channels < 1 || fInfo.channels > 2)
        throw HostError(path + " has " + std::to_string(fInfo.channels) +
                            " channels; only mono and stereo files are supported",
                        1);
}

AudioReader::~AudioReader() {
    if (fFile) sf_close(fFile);
}

size_t AudioReader::Read(float* interleaved, size_t frames) {
    const sf_count_t got = sf_readf_float(fFile, interleaved, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<size_t>(got) : 0;
}

AudioWriter::AudioWriter(const std::string& path, const std::string& name, double sampleRate, int channels)
    : fName(name) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    fFile = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!fFile) throw HostError("cannot write " + name + ": " + sf_strerror(nullptr), 1);
}

AudioWriter::~AudioWriter() {
    if (fFile) sf_close(fFile);
}

void AudioWriter::Write(const float* interleaved, size_t frames) {
    if (sf_writef_float(fFile, interleaved, static_cast<sf_count_t>(frames)) !=
        static_cast<sf_count_t>(frames))
        throw HostError("cannot write " + fName + ": " + sf_strerror(fFile), 1);
}

void AudioWriter::Close() {
    SNDFILE* f = fFile;
    fFile = nullptr;
    if (sf_close(f) != 0)
        throw HostError("cannot write " + fName + ": " + std::strerror(errno ? errno : EIO), 1);
}

std::vector<uint8_t> ReadSmallFile(const std::string& path, size_t maxBytes) {
    // Not blocking on open: a FIFO without a writer would wait for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw HostError("cannot read " + path + ": " + std::strerror(errno), 1);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        throw HostError("cannot read " + path + ": not a regular file", 1);
    }
    std::vector<uint8_t> bytes(maxBytes + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            throw HostError("cannot read " + path + ": " + std::strerror(error), 1);
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got > maxBytes)
        throw HostError(path + " is larger than " + std::to_string(maxBytes) + " bytes: not a state file", 1);
    bytes.resize(got);
    return bytes;
}

std::vector<uint8_t> ReadStateFile(const std::string& path) {
    // The largest record: the header, the marker and 16 bytes for each of a few dozen controls.
    constexpr size_t kMaxStateBytes = 64 * 1024;
    return ReadSmallFile(path, kMaxStateBytes);
}

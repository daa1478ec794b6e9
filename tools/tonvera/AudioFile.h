#pragma once
#include <sndfile.h>
#include <string>
#include <vector>

// A whole audio file in planar 32-bit floats.
struct Audio {
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels;
    size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Throws host::HostError(1) naming the file and the problem.
Audio ReadAudio(const std::string& path);
// Writes a 32-bit float WAV through a temporary file and a rename, so a failure leaves nothing behind.
void WriteAudio(const std::string& path, const Audio& audio);

// A file written under a temporary name beside its target and renamed onto the target by Commit; the
// temporary file is removed unless committed, so a command that fails leaves no partial output.
class PendingFile {
  public:
    explicit PendingFile(std::string path);
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    const std::string& TempPath() const { return fTemp; }
    // Throws host::HostError(1) when the rename fails.
    void Commit();

  private:
    std::string fPath, fTemp;
    bool fPending = true;
};

// Reads an audio file in slices of interleaved frames (mono or stereo).
class AudioReader {
  public:
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;
    int Channels() const { return fInfo.channels; }
    double SampleRate() const { return fInfo.samplerate; }
    size_t Frames() const { return static_cast<size_t>(fInfo.frames); }
    // Up to frames frames into interleaved; the number read, 0 at the end.
    size_t Read(float* interleaved, size_t frames);

  private:
    std::string fPath;
    SF_INFO fInfo{};
    SNDFILE* fFile = nullptr;
};

// Writes a 32-bit float WAV in slices of interleaved frames to a path (usually a PendingFile's).
class AudioWriter {
  public:
    // name is the file the user asked for, for messages.
    AudioWriter(const std::string& path, const std::string& name, double sampleRate, int channels);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;
    void Write(const float* interleaved, size_t frames);
    // Completes the file; throws host::HostError(1) when it could not be written.
    void Close();

  private:
    std::string fName;
    SNDFILE* fFile = nullptr;
};

// At most maxBytes of a regular file; throws host::HostError(1) for a larger file or one of another kind
// (a FIFO or a device would block or never end).
std::vector<uint8_t> ReadSmallFile(const std::string& path, size_t maxBytes);
// A --state file: a controls record is a few hundred bytes.
std::vector<uint8_t> ReadStateFile(const std::string& path);

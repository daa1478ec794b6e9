#pragma once
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

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

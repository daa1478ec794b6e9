#pragma once
#include "host/EmbeddedHost.h"
#include "tonvera/AudioFile.h"
#include "tonvera/EffectOptions.h"
#include <memory>

// Level statistics of one stage's input and output.
struct StageLevels {
    double inPeak = 0, outPeak = 0, inSquares = 0, outSquares = 0;
    size_t samples = 0;
};

// The effects of a command line, in order, each with its own instance.
class Chain {
  public:
    Chain(host::PluginLibrary& library, const ChainOptions& options, double sampleRate, int channels);
    // Renders frames of planar audio in place through every effect; real-time in host blocks, offline
    // in region parts. Slices of SliceFrames() keep the blocks and parts of a whole-file render.
    void Process(float* const* channels, size_t frames);
    size_t SliceFrames() const;
    // A whole file in memory, or streamed slice by slice (memory does not grow with the length).
    void Render(Audio& audio, const std::string& progressLabel);
    void Stream(AudioReader& in, AudioWriter& out, const std::string& progressLabel);
    // Writes the --save-state files under temporary names; committing them is the caller's.
    std::vector<PendingFile> WriteStates() const;
    const std::vector<StageLevels>& Levels() const { return fLevels; }
    const std::vector<std::unique_ptr<host::Effect>>& Effects() const { return fEffects; }

  private:
    ChainOptions fOptions;
    int fChannels;
    host::HostTempo fTempo;
    std::vector<std::unique_ptr<host::Effect>> fEffects;
    std::vector<StageLevels> fLevels;
};

double Dbfs(double linear);

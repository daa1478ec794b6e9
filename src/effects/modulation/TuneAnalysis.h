#pragma once
#include <string>
#include <vector>

// Offline tuner run over a whole recording, for the command line.
struct TuneReading {
    double time;      // seconds from the start to the end of the analysed frame
    bool pitched;     // the frame itself held a pitch (otherwise the values are the last ones held)
    float frequency;  // Hz, smoothed; 0 until a pitch has been seen
    std::string note; // "A 4", "C 4#"; empty until a pitch has been seen
    int noteIndex;    // semitones above C0
    float cents;      // from the note
    float deviation;  // display scale: 50 at the neighbouring note
};

// Planar input: channels[c][i]. Mono is analysed as the left channel over a silent right one; from more
// than two channels the first two are used.
std::vector<TuneReading> AnalyseTuning(const float* const* channels, int numChannels, long numFrames,
                                       double sampleRate, double a4 = 440.0);
// Interleaved input: samples[i * numChannels + c].
std::vector<TuneReading> AnalyseTuningInterleaved(const float* samples, int numChannels, long numFrames,
                                                  double sampleRate, double a4 = 440.0);

// The same for a host that reaches the library only through its exported symbols (the command line).
extern "C" {
struct MLVTuneReading {
    double time;
    int pitched;
    float frequency;
    int noteIndex;
    float cents;
    float deviation;
    char note[8];
};
// Fills at most maxReadings readings and returns how many the recording yields (numFrames / 4096).
__attribute__((visibility("default"))) long MLVAnalyseTuning(const float* const* channels, int numChannels,
                                                             long numFrames, double sampleRate, double a4,
                                                             MLVTuneReading* readings, long maxReadings);
}

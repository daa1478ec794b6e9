#pragma once
#include <cstddef>
#include <vector>

// Two circular buffers (left, right) with shared write and read positions, read at a fractional
// offset around a fixed base delay. Sized by the owner's preparation for audio; UpdateCoefficients(true)
// clears it.
class ModulatedDelayLine {
  public:
    // Tenths of a millisecond to samples: tenths x (int)sampleRate / 10000, halves away from zero.
    static int SamplesFromTenthsMs(int tenths, double sampleRate);

    // Frees, allocates `length` zeroed samples per channel and keeps the base delay. Returns false (and
    // leaves the line absent) when the memory cannot be had or the length is not positive. A line that
    // already has this length is only cleared: nothing is allocated.
    bool Allocate(int length);
    void Free();
    bool Ready() const { return length > 0; }
    void Clear();
    int Length() const { return length; }

    // Fixed part of the delay; the read position follows the write position by this many samples.
    void SetBaseDelay(int samples);
    int BaseDelay() const { return baseDelay; }

    // Linear interpolation at readIndex - d, i.e. a delay of baseDelay + d samples.
    float Read(int channel, float d) const {
        const float* b = buffer[channel].data();
        const int k = static_cast<int>(d); // toward zero
        float f = static_cast<float>(static_cast<double>(d) - k);
        int i = Wrap(readIndex - k);
        int j;
        if (d < 0.0f) {
            j = Wrap(i + 1);
            f = -f;
        } else {
            j = Wrap(i - 1);
        }
        return static_cast<float>((1.0 - f) * static_cast<double>(b[i]) +
                                  static_cast<double>(f) * static_cast<double>(b[j]));
    }
    // Stores the current input of a channel at the write position.
    void Write(int channel, float x) { buffer[channel][static_cast<size_t>(writeIndex)] = x; }
    // Both positions move on by one sample; call after both channels are read and written.
    void Advance() {
        if (++writeIndex >= length) writeIndex = 0;
        if (++readIndex >= length) readIndex = 0;
    }

    float depth[2] = {0.0f, 0.0f};

  private:
    // One addition or subtraction of the length covers every offset the effects produce; the
    // remainder only guards against an oscillator overshooting at extreme rates.
    int Wrap(int i) const {
        if (i < 0)
            i += length;
        else if (i >= length)
            i -= length;
        if (static_cast<unsigned>(i) >= static_cast<unsigned>(length)) i = ((i % length) + length) % length;
        return i;
    }

    std::vector<float> buffer[2];
    int length = 0;
    int baseDelay = 0;
    int writeIndex = 0;
    int readIndex = 0;
};

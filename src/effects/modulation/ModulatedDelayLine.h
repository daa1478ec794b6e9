#pragma once
#include <cstddef>
#include <emmintrin.h>
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

    // The buffers and positions copied out for one block, so a kernel keeps the positions in registers
    // instead of storing them through the line every sample. Hand it back with End().
    class Cursor {
      public:
        // Linear interpolation at readIndex - d, i.e. a delay of baseDelay + d samples.
        float Read(int channel, float d) const { return ReadAt(channel, readIndex, d); }
        // The same from read position r (0 .. length - 1).
        float ReadAt(int channel, int r, float d) const {
            const float* b = buffer[channel];
            const int k = static_cast<int>(d); // toward zero
            float f = static_cast<float>(static_cast<double>(d) - k);
            int i = Wrap(r - k);
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
        // Read for this sample (lane 0 of d) and the next (lane 1) at once. False, with nothing read, when
        // the next sample would read what this one writes, or an offset reaches past a whole length: the
        // caller then takes the two samples one at a time.
        bool ReadPair(int channel, __m128 d, __m128& v) const {
            const __m128i k = _mm_cvttps_epi32(d);
            // d - k is exact in float, as the one-sample code's double subtraction is.
            __m128 f = _mm_sub_ps(d, _mm_cvtepi32_ps(k));
            const __m128 negative = _mm_cmplt_ps(d, _mm_setzero_ps());
            f = _mm_xor_ps(f, _mm_and_ps(negative, _mm_set1_ps(-0.0f)));
            const __m128i i =
                _mm_sub_epi32(_mm_add_epi32(_mm_set1_epi32(readIndex), _mm_setr_epi32(0, 1, 0, 1)), k);
            // j = i + 1 behind a negative offset, i - 1 otherwise.
            const __m128i side = _mm_sub_epi32(_mm_and_si128(_mm_castps_si128(negative), _mm_set1_epi32(2)),
                                               _mm_set1_epi32(1));
            __m128i ij = _mm_unpacklo_epi64(i, _mm_add_epi32(i, side));
            const __m128i len = _mm_set1_epi32(length), last = _mm_set1_epi32(length - 1);
            ij = _mm_add_epi32(ij, _mm_and_si128(_mm_cmpgt_epi32(_mm_setzero_si128(), ij), len));
            ij = _mm_sub_epi32(ij, _mm_and_si128(_mm_cmpgt_epi32(ij, last), len));
            const __m128i outside =
                _mm_or_si128(_mm_cmpgt_epi32(_mm_setzero_si128(), ij), _mm_cmpgt_epi32(ij, last));
            const __m128i written = _mm_cmpeq_epi32(ij, _mm_set1_epi32(writeIndex));
            if ((_mm_movemask_ps(_mm_castsi128_ps(outside)) |
                 (_mm_movemask_ps(_mm_castsi128_ps(written)) & 0xA)) != 0)
                return false;
            alignas(16) int at[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(at), ij);
            const float* b = buffer[channel];
            const __m128d bi = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(b + at[0]), _mm_load_ss(b + at[1])));
            const __m128d bj = _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(b + at[2]), _mm_load_ss(b + at[3])));
            const __m128d fd = _mm_cvtps_pd(f);
            v = _mm_cvtpd_ps(
                _mm_add_pd(_mm_mul_pd(_mm_sub_pd(_mm_set1_pd(1.0), fd), bi), _mm_mul_pd(fd, bj)));
            return true;
        }
        // Stores the current input of a channel at the write position.
        void Write(int channel, float x) const { buffer[channel][writeIndex] = x; }
        void WriteAt(int channel, int w, float x) const { buffer[channel][w] = x; }
        // Stores lane 0 at the write position and lane 1 one on.
        void WritePair(int channel, __m128 x) const {
            buffer[channel][writeIndex] = _mm_cvtss_f32(x);
            buffer[channel][Next(writeIndex)] = _mm_cvtss_f32(_mm_shuffle_ps(x, x, 1));
        }
        // Both positions move on by one sample; call after both channels are read and written.
        void Advance() {
            writeIndex = Next(writeIndex);
            readIndex = Next(readIndex);
        }
        int ReadIndex() const { return readIndex; }
        int WriteIndex() const { return writeIndex; }
        int Next(int position) const { return position + 1 >= length ? 0 : position + 1; }

      private:
        friend class ModulatedDelayLine;
        Cursor(float* left, float* right, int length_, int readIndex_, int writeIndex_)
            : buffer{left, right}, length(length_), readIndex(readIndex_), writeIndex(writeIndex_) {}
        // One addition or subtraction of the length covers every offset the effects produce; the
        // remainder only guards against an oscillator overshooting at extreme rates.
        int Wrap(int i) const {
            if (i < 0)
                i += length;
            else if (i >= length)
                i -= length;
            if (static_cast<unsigned>(i) >= static_cast<unsigned>(length))
                i = ((i % length) + length) % length;
            return i;
        }

        float* buffer[2];
        int length;
        int readIndex;
        int writeIndex;
    };

    // Audio thread, around a block.
    Cursor Begin() { return Cursor(buffer[0].data(), buffer[1].data(), length, readIndex, writeIndex); }
    void End(const Cursor& c) {
        readIndex = c.readIndex;
        writeIndex = c.writeIndex;
    }

    float depth[2] = {0.0f, 0.0f};

  private:
    std::vector<float> buffer[2];
    int length = 0;
    int baseDelay = 0;
    int writeIndex = 0;
    int readIndex = 0;
};

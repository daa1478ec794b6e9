#pragma once
#include <algorithm>
#include <cstddef>
#include "effects/modulation/SampleGroup.h"
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
        // Linear interpolation at r - d from read position r (0 .. length - 1): at the cursor's read
        // position, a delay of baseDelay + d samples.
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
        // Read for a group of samples at once (lane layout of samplegroup: C channels), lane l at its
        // sample's read position and offset d[l]. False, with nothing read, when a sample would read what
        // an earlier one of the group writes, or an offset reaches past a whole length: the caller then
        // takes the group's samples one at a time.
        template <int C> bool ReadGroup(__m128 d, __m128& v) const {
            const __m128i k = _mm_cvttps_epi32(d);
            // Inside these bounds no position needs more than one wrap and no sample reaches what an
            // earlier one of the group writes (see Begin()).
            const __m128i outside = _mm_or_si128(_mm_cmpgt_epi32(k, _mm_set1_epi32(groupHigh)),
                                                 _mm_cmpgt_epi32(_mm_set1_epi32(groupLow), k));
            if (_mm_movemask_ps(_mm_castsi128_ps(outside)) != 0) return false;
            // d - k is exact in float, as the one-sample code's double subtraction is.
            __m128 f = _mm_sub_ps(d, _mm_cvtepi32_ps(k));
            const __m128 negative = _mm_cmplt_ps(d, _mm_setzero_ps());
            f = _mm_xor_ps(f, _mm_and_ps(negative, _mm_set1_ps(-0.0f)));
            const __m128i i =
                _mm_sub_epi32(_mm_add_epi32(_mm_set1_epi32(readIndex), samplegroup::Offsets<C>()), k);
            // j = i + 1 behind a negative offset, i - 1 otherwise.
            const __m128i j =
                _mm_add_epi32(i, _mm_sub_epi32(_mm_and_si128(_mm_castps_si128(negative), _mm_set1_epi32(2)),
                                               _mm_set1_epi32(1)));
            const __m128i len = _mm_set1_epi32(length), last = _mm_set1_epi32(length - 1),
                          zero = _mm_setzero_si128();
            const auto wrap = [&](__m128i x) {
                x = _mm_add_epi32(x, _mm_and_si128(_mm_cmpgt_epi32(zero, x), len));
                return _mm_sub_epi32(x, _mm_and_si128(_mm_cmpgt_epi32(x, last), len));
            };
            const float* b0 = buffer[0];
            const float* b1 = buffer[C - 1];
            // Two positions from the low or high half of a wrapped index vector, loaded and widened.
            const auto pair = [](const float* b, const float* c, long long at) {
                const unsigned long long u = static_cast<unsigned long long>(at);
                return _mm_cvtps_pd(
                    _mm_unpacklo_ps(_mm_load_ss(b + (u & 0xffffffffu)), _mm_load_ss(c + (u >> 32))));
            };
            const __m128i iw = wrap(i), jw = wrap(j);
            const long long i01 = _mm_cvtsi128_si64(iw), i23 = _mm_cvtsi128_si64(_mm_unpackhi_epi64(iw, iw));
            const long long j01 = _mm_cvtsi128_si64(jw), j23 = _mm_cvtsi128_si64(_mm_unpackhi_epi64(jw, jw));
            const __m128d one = _mm_set1_pd(1.0), fl = samplegroup::Low(f), fh = samplegroup::High(f);
            const __m128d vl = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(one, fl), pair(b0, b0, i01)),
                                          _mm_mul_pd(fl, pair(b0, b0, j01)));
            const __m128d vh = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(one, fh), pair(b1, b1, i23)),
                                          _mm_mul_pd(fh, pair(b1, b1, j23)));
            v = samplegroup::Narrow(vl, vh);
            return true;
        }
        // Stores each lane at its sample's write position.
        template <int C> void WriteGroup(__m128 x) const {
            float* b0 = buffer[0];
            float* b1 = buffer[C - 1];
            if (writeIndex + samplegroup::Span<C> <= length) {
                if constexpr (C == 2) {
                    _mm_storel_pi(reinterpret_cast<__m64*>(b0 + writeIndex), x);
                    _mm_storeh_pi(reinterpret_cast<__m64*>(b1 + writeIndex), x);
                } else {
                    _mm_storeu_ps(b0 + writeIndex, x);
                }
                return;
            }
            const int w1 = Next(writeIndex);
            b0[writeIndex] = _mm_cvtss_f32(x);
            b0[w1] = samplegroup::Lane<1>(x);
            if constexpr (C == 2) {
                b1[writeIndex] = samplegroup::Lane<2>(x);
                b1[w1] = samplegroup::Lane<3>(x);
            } else {
                const int w2 = Next(w1);
                b0[w2] = samplegroup::Lane<2>(x);
                b0[Next(w2)] = samplegroup::Lane<3>(x);
            }
        }
        // Stores a channel's input at write position w.
        void WriteAt(int channel, int w, float x) const { buffer[channel][w] = x; }
        // Both positions move on by one sample; call after both channels are read and written.
        void Advance() {
            writeIndex = Next(writeIndex);
            readIndex = Next(readIndex);
        }
        // Both positions move on by a group's samples.
        void Advance(int samples) {
            writeIndex += samples;
            if (writeIndex >= length) writeIndex -= length;
            readIndex += samples;
            if (readIndex >= length) readIndex -= length;
        }
        int ReadIndex() const { return readIndex; }
        int WriteIndex() const { return writeIndex; }
        int Next(int position) const { return position + 1 >= length ? 0 : position + 1; }

      private:
        friend class ModulatedDelayLine;
        Cursor(float* left, float* right, int length_, int readIndex_, int writeIndex_, int baseDelay)
            : buffer{left, right}, length(length_), readIndex(readIndex_), writeIndex(writeIndex_),
              // A sample of a group reads at a delay of baseDelay + k - 1 .. baseDelay + k + 1: at least
              // 4 keeps it clear of the group's earlier samples, at most length - 4 keeps it from wrapping
              // onto them; |k| <= length - 5 keeps every position within one wrap.
              groupLow(-std::min(baseDelay - 5, length - 5)),
              groupHigh(std::min(length - baseDelay - 5, length - 5)) {}
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
        int groupLow, groupHigh;
    };

    // Audio thread, around a block.
    Cursor Begin() {
        return Cursor(buffer[0].data(), buffer[1].data(), length, readIndex, writeIndex, baseDelay);
    }
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

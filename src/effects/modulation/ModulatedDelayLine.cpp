#include "effects/modulation/ModulatedDelayLine.h"
#include "platform/MulDiv.h"
#include <algorithm>
#include <new>

int ModulatedDelayLine::SamplesFromTenthsMs(int tenths, double sampleRate) {
    return MulDiv(tenths, static_cast<int32_t>(sampleRate), 10000);
}

bool ModulatedDelayLine::Allocate(int newLength) {
    if (newLength > 0 && newLength == length) {
        // Already this long (prepared before the first block): cleared in place, nothing allocated.
        Clear();
        writeIndex = 0;
        SetBaseDelay(baseDelay);
        return true;
    }
    Free();
    if (newLength <= 0) return false;
    try {
        for (auto& b : buffer)
            b.assign(static_cast<size_t>(newLength), 0.0f);
    } catch (const std::bad_alloc&) {
        Free();
        return false;
    }
    length = newLength;
    writeIndex = 0;
    SetBaseDelay(baseDelay);
    return true;
}

void ModulatedDelayLine::Free() {
    for (auto& b : buffer)
        std::vector<float>().swap(b);
    length = 0;
    writeIndex = readIndex = 0;
}

void ModulatedDelayLine::Clear() {
    for (auto& b : buffer)
        std::fill(b.begin(), b.end(), 0.0f);
}

void ModulatedDelayLine::SetBaseDelay(int samples) {
    baseDelay = samples;
    if (length <= 0) return;
    readIndex = writeIndex - samples;
    if (readIndex < 0) readIndex += length;
    if (readIndex < 0 || readIndex >= length) readIndex = ((readIndex % length) + length) % length;
}

#pragma once
#include "effects/drive/BiquadSection.h"
#include <cstdint>

// One equaliser band. Types: 1 peak, 2 first-order low shelf, 3 first-order high shelf,
// 4 second-order low shelf (positive gains); any other type passes the signal unchanged.
struct EqBandDescriptor {
    int32_t type;
    int32_t frequency;  // Hz
    int32_t gainTenths; // tenths of a dB
    int32_t bandwidth;  // semitones, peak only
    int32_t reserved;
};

// A labelled set of four bands; the label is descriptive only.
struct EqBandSet {
    char label[65];
    EqBandDescriptor bands[4];
};

// Writes b1, b2, a1, a2, g of the section for the band at sample rate fs; leaves the state alone.
// Computed in double precision, rounded when stored. Audio thread (coefficient update) or main thread.
void DesignEqBand(const EqBandDescriptor& band, BiquadSection& section, double fs);

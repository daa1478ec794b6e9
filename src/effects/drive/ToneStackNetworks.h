#pragma once
// Passive tone-stack networks as data: the analog transfer function N(s)/D(s) of each amplifier type,
// with N and D polynomials in s and the pot positions t (treble), l (bass), m (mid).

struct ToneStackTerm {
    unsigned char sPower, tPower, lPower, mPower;
    double coef;
};

// The parts the network was derived from (R in ohms, C in farads; 0 = part absent).
struct ToneStackComponents {
    double R1, R2, R3, R4, C1, C2, C3, Cx, Rvol, Rmix, Rsh, Rend;
};

struct ToneStackNetwork {
    const char* label;
    int order;
    double gain; // makeup gain k applied to the numerator
    const ToneStackTerm* num;
    int numCount;
    const ToneStackTerm* den;
    int denCount;
    ToneStackComponents parts;
};

extern const ToneStackNetwork kToneStackGuitar[];
extern const int kToneStackGuitarCount;
extern const ToneStackNetwork kToneStackBass[];
extern const int kToneStackBassCount;

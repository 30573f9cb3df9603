#pragma once

namespace forms {

// The program's pseudo-random generator. It is never seeded, so every run of
// the program draws the same sequence: a 24-bit linear congruential
// generator starting from 327680.
class Rnd {
public:
    // The next value, uniform in [0, 1), in single precision.
    static float Next();

    // Puts the generator back to its starting state, as a fresh program has it.
    static void Reset();
};

}  // namespace forms

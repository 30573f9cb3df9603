#pragma once

#include <cstdint>

namespace forms {

// The program's pseudo-random generator. It is never seeded, so every run of
// the program draws the same sequence: a 24-bit linear congruential
// generator starting from 327680.
class Rnd {
public:
    // The next value, uniform in [0, 1), in single precision.
    static float Next();

private:
    // Tests start each case from a fresh program's state.
    friend class RndProbe;

    static constexpr std::uint32_t kStart = 327680;
    static std::uint32_t s_state;
};

}  // namespace forms

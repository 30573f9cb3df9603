#pragma once

#include "forms/Rnd.h"

namespace forms {

class RndProbe {
public:
    // Puts the generator back to its starting state, as a fresh program has
    // it.
    static void reset() { Rnd::s_state = Rnd::kStart; }

    // How many values were drawn since the starting state. The generator
    // runs through all of its 2^24 states before it repeats, so this is the
    // number of draws that lead from the start to the present state.
    static int drawsSinceStart() {
        const std::uint32_t present = Rnd::s_state;
        Rnd::s_state = Rnd::kStart;
        int draws = 0;
        while (Rnd::s_state != present) {
            Rnd::Next();
            ++draws;
        }
        return draws;
    }
};

}  // namespace forms

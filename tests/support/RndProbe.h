#pragma once

#include "forms/Rnd.h"

namespace forms {

// Puts the generator back to its starting state, as a fresh program has it.
class RndProbe {
public:
    static void reset() { Rnd::s_state = Rnd::kStart; }
};

}  // namespace forms

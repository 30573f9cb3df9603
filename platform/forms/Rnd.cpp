#include "forms/Rnd.h"

namespace forms {

std::uint32_t Rnd::s_state = Rnd::kStart;

float Rnd::Next() {
    s_state = (s_state * 1140671485u + 12820163u) & 0xFFFFFFu;
    return float(s_state) / 16777216.0f;
}

}  // namespace forms

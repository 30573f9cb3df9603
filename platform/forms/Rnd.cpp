#include "forms/Rnd.h"

#include <cstdint>

namespace forms {

namespace {
constexpr std::uint32_t kStart = 327680;
std::uint32_t state = kStart;
}  // namespace

float Rnd::Next() {
    state = (state * 1140671485u + 12820163u) & 0xFFFFFFu;
    return float(state) / 16777216.0f;
}

void Rnd::Reset() { state = kStart; }

}  // namespace forms

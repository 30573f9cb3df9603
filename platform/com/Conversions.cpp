#include "com/Conversions.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "errors/RuntimeError.h"

namespace com {

namespace {
template <class Int>
Int roundChecked(double value) {
    if (std::isnan(value)) errors::raiseError(errors::Overflow);
    // nearbyint rounds in the current mode, which is to-nearest-even unless
    // someone changed it; say so rather than rely on it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(value);
    std::fesetround(saved);
    if (whole < double(std::numeric_limits<Int>::min()) ||
        whole > double(std::numeric_limits<Int>::max()))
        errors::raiseError(errors::Overflow);
    return Int(whole);
}
}  // namespace

int16_t toInt16(double value) { return roundChecked<int16_t>(value); }
int32_t toInt32(double value) { return roundChecked<int32_t>(value); }

int32_t checkedAdd(int32_t a, int32_t b) {
    int32_t sum;
    if (__builtin_add_overflow(a, b, &sum)) errors::raiseError(errors::Overflow);
    return sum;
}

int32_t checkedSub(int32_t a, int32_t b) {
    int32_t difference;
    if (__builtin_sub_overflow(a, b, &difference)) errors::raiseError(errors::Overflow);
    return difference;
}

}  // namespace com

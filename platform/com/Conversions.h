#pragma once

#include <cstdint>

namespace com {

// The automation rules for whole numbers: a fractional number converts to
// the nearest whole one, ties to the even one (2.5 -> 2, 3.5 -> 4), and a
// result that does not fit the target type is the overflow error (6), as is
// 32-bit sum or difference that leaves the range.
int16_t toInt16(double value);
int32_t toInt32(double value);
int32_t checkedAdd(int32_t a, int32_t b);
int32_t checkedSub(int32_t a, int32_t b);

}  // namespace com

#pragma once

#include <cmath>

namespace forms {

// Sizes and places are kept in twips as assigned; drawing rounds them to
// logical pixels (Qt scales those for the screen's device pixel ratio).
constexpr double kTwipsPerPixel = 15.0;

inline int twipsToPixels(double twips) { return int(std::lround(twips / kTwipsPerPixel)); }
inline float pixelsToTwips(double pixels) { return float(pixels * kTwipsPerPixel); }

}  // namespace forms

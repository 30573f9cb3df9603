#pragma once

#include <QRect>
#include <cmath>

namespace forms {

// Sizes and places are kept in twips as assigned; drawing rounds them to
// logical pixels (Qt scales those for the screen's device pixel ratio).
constexpr double kTwipsPerPixel = 15.0;

inline int twipsToPixels(double twips) { return int(std::lround(twips / kTwipsPerPixel)); }
inline float pixelsToTwips(double pixels) { return float(pixels * kTwipsPerPixel); }

// Where a control sits on its form, kept in twips exactly as assigned.
struct TwipsRect {
    float left = 0, top = 0, width = 0, height = 0;

    // The logical pixels it covers. The edges are rounded, not the size, so
    // neighbours that touch in twips touch on screen too.
    QRect pixels() const {
        const int x = twipsToPixels(left), y = twipsToPixels(top);
        return QRect(x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y);
    }
};

}  // namespace forms

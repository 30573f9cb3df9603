#pragma once

#include <QImage>

namespace quillet {

// The thumb's 16 x 12 picture: a grey raised button with a black outline, a
// white left highlight, dark-grey shading on the right and bottom and three
// grip ridges.
QImage thumbBitmap();

}  // namespace quillet

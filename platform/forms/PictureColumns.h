#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace forms {

// Numbers the columns of an image (Format_RGB32): each column gets the index
// of the first column whose pixels are exactly alike, so two columns share
// a number when, and only when, they look the same. A row made of such
// pictures can then tell whether a move changes what it shows without
// drawing it. Empty for an image too wide to number so.
std::vector<uint16_t> numberColumns(const QImage& image);

}  // namespace forms

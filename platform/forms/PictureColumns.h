#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace forms {

// The columns of a picture (Format_RGB32), each kept as one run of pixels
// from top to bottom, and numbered: a column's number is the index of the
// first column whose pixels are exactly alike, so two columns share a number
// when, and only when, they look the same. A row made of such pictures can
// tell whether a move changes what it shows without drawing it.
class PictureColumns {
public:
    PictureColumns() = default;
    explicit PictureColumns(const QImage& image);

    // False for a picture too wide to number so, or of another format.
    bool numbered() const { return !m_numbers.empty(); }
    uint16_t number(int x) const { return m_numbers[size_t(x)]; }
    // The pixels of column x, top to bottom.
    const uint32_t* column(int x) const { return m_pixels.data() + size_t(x) * size_t(m_height); }

private:
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
    std::vector<uint16_t> m_numbers;
};

}  // namespace forms

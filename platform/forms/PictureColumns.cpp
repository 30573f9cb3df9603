#include "forms/PictureColumns.h"

#include <cstring>
#include <unordered_map>

namespace forms {

PictureColumns::PictureColumns(const QImage& image) : m_height(image.height()) {
    if (image.format() != QImage::Format_RGB32 || image.width() > 0xffff || image.isNull()) return;
    const size_t width = size_t(image.width()), height = size_t(image.height());
    m_pixels.resize(width * height);
    for (size_t y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(int(y)));
        for (size_t x = 0; x < width; ++x) m_pixels[x * height + y] = line[x];
    }
    // Columns with the same sum are compared pixel by pixel; a picture of
    // text has few different ones.
    m_numbers.resize(width);
    std::unordered_multimap<uint64_t, int> seen;
    for (int x = 0; x < int(width); ++x) {
        uint64_t sum = 1469598103934665603ull;
        for (size_t y = 0; y < height; ++y) sum = (sum ^ column(x)[y]) * 1099511628211ull;
        int first = x;
        for (auto [at, end] = seen.equal_range(sum); at != end; ++at)
            if (!std::memcmp(column(at->second), column(x), height * sizeof(uint32_t))) {
                first = at->second;
                break;
            }
        if (first == x) seen.emplace(sum, x);
        m_numbers[size_t(x)] = uint16_t(first);
    }
}

}  // namespace forms

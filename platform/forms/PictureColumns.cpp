#include "forms/PictureColumns.h"

#include <cstring>
#include <unordered_map>

namespace forms {

namespace {
bool sameColumn(const QImage& image, int a, int b) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        if (line[a] != line[b]) return false;
    }
    return true;
}
}  // namespace

std::vector<uint16_t> numberColumns(const QImage& image) {
    if (image.format() != QImage::Format_RGB32 || image.width() > 0xffff) return {};
    std::vector<uint16_t> numbers(size_t(image.width()));
    // Columns with the same sum are compared pixel by pixel; a picture of
    // text has few different ones.
    std::unordered_multimap<uint64_t, int> seen;
    for (int x = 0; x < image.width(); ++x) {
        uint64_t sum = 1469598103934665603ull;
        for (int y = 0; y < image.height(); ++y)
            sum = (sum ^ reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x]) *
                  1099511628211ull;
        int first = x;
        for (auto [at, end] = seen.equal_range(sum); at != end; ++at)
            if (sameColumn(image, at->second, x)) {
                first = at->second;
                break;
            }
        if (first == x) seen.emplace(sum, x);
        numbers[size_t(x)] = uint16_t(first);
    }
    return numbers;
}

}  // namespace forms

#include "ThumbBitmap.h"

namespace quillet {

namespace {
// One letter a pixel, top row first.
constexpr const char* kRows[] = {
    "EEBBBBBBBBBBBBEE", "EBDDDDDDDDDDDDBE", "EBFDDDDDDDDDCCBA", "ABFDDCDCDCDDCCBA",
    "ABFDDBCBCBDDCCBE", "ABFDDBCBCBDDCCBA", "ABFDDBCBCBDDCCBA", "EBFDDDDDDDDDCCBA",
    "ABDCCCCCCCCCCCBA", "ABCCCCCCCCCCCCBA", "ABBBBBBBBBBBBBBA", "AAAAAAAAAAAAAAAA",
};

QRgb colourOf(char letter) {
    switch (letter) {
        case 'A':
            return qRgb(1, 1, 44);
        case 'B':
            return qRgb(0, 0, 0);
        case 'C':
            return qRgb(128, 128, 128);
        case 'D':
            return qRgb(192, 192, 192);
        case 'E':
            return qRgb(3, 3, 5);
        default:
            return qRgb(255, 255, 255);  // F
    }
}
}  // namespace

QImage thumbBitmap() {
    QImage image(16, 12, QImage::Format_RGB888);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, colourOf(kRows[y][x]));
    return image;
}

}  // namespace quillet

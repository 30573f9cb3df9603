#include "com/BitmapResource.h"

#include "com/ByteReader.h"

namespace com {

namespace {
constexpr uint32_t kInfoSize = 40;
constexpr int kMaxSide = 4096;  // far above any toolbox picture; bounds the memory a file asks for

quint64 rowBytes(quint64 width, int bits) { return (width * bits + 31) / 32 * 4; }
}  // namespace

QByteArray encodeBitmap(const QImage& image) {
    const int colours = int(image.colorCount());
    const int bits = colours <= 16 ? 4 : 8;
    const int w = image.width(), h = image.height();
    const auto stride = uint32_t(rowBytes(quint64(w), bits));
    ByteWriter out;
    out.u32(kInfoSize);
    out.u32(uint32_t(w));
    out.u32(uint32_t(h));
    out.u16(1);
    out.u16(uint16_t(bits));
    out.u32(0);
    out.u32(stride * uint32_t(h));
    out.u32(3780);  // 96 dots per inch, in dots per metre
    out.u32(3780);
    out.u32(uint32_t(colours));
    out.u32(0);
    for (QRgb c : image.colorTable()) {
        out.u8(uint8_t(qBlue(c)));
        out.u8(uint8_t(qGreen(c)));
        out.u8(uint8_t(qRed(c)));
        out.u8(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(qsizetype(stride), '\0');
        for (int x = 0; x < w; ++x) {
            const int index = image.pixelIndex(x, y);
            if (bits == 8)
                row[x] = char(index);
            else
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
        }
        out.bytes(row);
    }
    return out.data();
}

std::optional<QImage> decodeBitmap(QByteArrayView bytes, QString* error) {
    const ByteReader in(bytes);
    const auto damaged = [&](const QString& what) {
        *error = QStringLiteral("位图已损坏: ") + what;
        return std::nullopt;
    };
    if (in.size() < kInfoSize || in.u32(0) != kInfoSize)
        return damaged(QStringLiteral("没有 40 字节的信息头"));
    const auto width = int32_t(in.u32(4)), height = int32_t(in.u32(8));
    const int bits = in.u16(14);
    if (width < 1 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return damaged(QStringLiteral("尺寸 %1 x %2 不合理").arg(width).arg(height));
    if (in.u16(12) != 1 || (bits != 4 && bits != 8) || in.u32(16) != 0)
        return damaged(
            QStringLiteral("只支持不压缩的 4 位或 8 位调色板位图 (此为 %1 位)").arg(bits));
    const uint32_t maxColours = 1u << bits;
    const uint32_t colours = in.u32(32) ? in.u32(32) : maxColours;
    if (colours > maxColours)
        return damaged(QStringLiteral("调色板有 %1 种颜色, 超过 %2 位所能").arg(colours).arg(bits));
    const int rows = height < 0 ? -height : height;
    const quint64 stride = rowBytes(quint64(width), bits);
    const quint64 pixelsAt = kInfoSize + quint64(colours) * 4;
    if (!in.contains(pixelsAt, stride * quint64(rows)))
        return damaged(QStringLiteral("像素数据不完整"));

    QImage image(width, rows, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (uint32_t i = 0; i < colours; ++i) {
        const quint64 at = kInfoSize + quint64(i) * 4;
        palette.append(qRgb(in.u8(at + 2), in.u8(at + 1), in.u8(at)));
    }
    image.setColorTable(palette);
    for (int r = 0; r < rows; ++r) {
        const int y = height < 0 ? r : rows - 1 - r;
        const quint64 rowAt = pixelsAt + quint64(r) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t b = in.u8(rowAt + (bits == 8 ? x : x / 2));
            const int index = bits == 8 ? b : (x % 2 ? b & 0x0F : b >> 4);
            if (uint32_t(index) >= colours)
                return damaged(QStringLiteral("像素 (%1, %2) 用了调色板以外的颜色 %3")
                                   .arg(x)
                                   .arg(y)
                                   .arg(index));
            image.setPixel(x, y, uint(index));
        }
    }
    if (in.overrun()) return damaged(QStringLiteral("读取越界"));
    return image;
}

}  // namespace com

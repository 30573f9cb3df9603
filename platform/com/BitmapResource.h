#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <optional>

namespace com {

// A picture resource (BITMAP): a device-independent bitmap as the bitmap
// file format holds it after its 14-byte file header. Little-endian:
// a 40-byte information header (size 40, width, height > 0 for rows stored
// bottom-up, planes 1, bits per pixel 4 or 8, compression 0 (none), image
// size, two resolutions, colours used (0: all), colours important), the
// palette (4 bytes a colour: blue, green, red, 0), then the rows, each
// padded to a multiple of 4 bytes. Only palette pictures: toolbox pictures
// are small and few-coloured.
QByteArray encodeBitmap(const QImage& indexed);  // Format_Indexed8, at most 16 colours
std::optional<QImage> decodeBitmap(QByteArrayView bytes, QString* error);

}  // namespace com

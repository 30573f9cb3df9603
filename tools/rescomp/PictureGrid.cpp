#include "PictureGrid.h"

#include <QHash>

#include "ScriptLines.h"

QImage readPictureGrid(const QString& path) {
    QList<QRgb> palette;
    QHash<QChar, int> index;
    QStringList rows;
    int lastLine = 0;
    for (const ScriptLine& line : readScript(path)) {
        lastLine = line.number;
        const auto fail = [&](const QString& m) { throw ScriptError(path, line.number, m); };
        const QString keyword = line.tokens[0].text;
        if (keyword == u"colour" && line.tokens.size() == 3 && line.tokens[1].text.size() == 1) {
            bool ok = false;
            const uint rgb = line.tokens[2].text.toUInt(&ok, 16);
            if (!ok || line.tokens[2].text.size() != 6) fail(QStringLiteral("a colour is RRGGBB"));
            if (index.contains(line.tokens[1].text[0])) fail(QStringLiteral("colour named twice"));
            if (palette.size() == 256) fail(QStringLiteral("more than 256 colours"));
            index.insert(line.tokens[1].text[0], int(palette.size()));
            palette.append(qRgb(int(rgb >> 16), int(rgb >> 8 & 0xFF), int(rgb & 0xFF)));
        } else if (keyword == u"row" && line.tokens.size() == 2) {
            const QString& row = line.tokens[1].text;
            if (!rows.isEmpty() && row.size() != rows.first().size())
                fail(QStringLiteral("row of %1 pixels, the first has %2")
                         .arg(row.size())
                         .arg(rows.first().size()));
            for (QChar c : row)
                if (!index.contains(c))
                    fail(QStringLiteral("\"%1\" is no colour of the palette").arg(c));
            rows.append(row);
        } else {
            fail(QStringLiteral("expected \"colour <c> RRGGBB\" or \"row <pixels>\""));
        }
    }
    if (rows.isEmpty()) throw ScriptError(path, lastLine, QStringLiteral("no rows"));
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_Indexed8);
    image.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, uint(index.value(rows[y][x])));
    return image;
}

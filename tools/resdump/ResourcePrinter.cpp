#include "ResourcePrinter.h"

#include "TypeLibPrinter.h"
#include "com/BitmapResource.h"
#include "com/TypeLib.h"
#include "com/VersionRecord.h"

namespace {
using namespace com;

QString hex(uint value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

QStringList indented(const QStringList& lines, int by) {
    QStringList out;
    for (const QString& l : lines) out.append(l.isEmpty() ? l : QString(by, u' ') + l);
    return out;
}

QStringList version(const VersionRecord& v) {
    QStringList out;
    out << QStringLiteral("file version     %1").arg(VersionRecord::versionText(v.fileVersion));
    out << QStringLiteral("product version  %1").arg(VersionRecord::versionText(v.productVersion));
    out << QStringLiteral("translation      %1 %2").arg(hex(v.language, 4), hex(v.codePage, 4));
    for (const auto& [key, value] : v.strings)
        out << QStringLiteral("%1 \"%2\"").arg(key.leftJustified(16), value);
    return out;
}

QStringList picture(const QImage& image) {
    QStringList out;
    out << QStringLiteral("%1 x %2 pixels, %3 colours")
               .arg(image.width())
               .arg(image.height())
               .arg(image.colorCount());
    const QList<QRgb> palette = image.colorTable();
    for (qsizetype i = 0; i < palette.size(); ++i)
        out << QStringLiteral("colour %1 %2")
                   .arg(QString::number(i, 36).toUpper(), hex(palette[i] & 0xFFFFFF, 6));
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x)
            row += QString::number(image.pixelIndex(x, y), 36).toUpper();
        out << QStringLiteral("row ") + row;
    }
    return out;
}

QStringList contents(const Resource& r) {
    QString error;
    if (r.typeNumber == ResourceType::Version) {
        if (const auto v = decodeVersionRecord(r.data, &error)) return version(*v);
    } else if (r.typeNumber == ResourceType::Bitmap) {
        if (const auto image = decodeBitmap(r.data, &error)) return picture(*image);
    } else if (r.typeName == u"TYPELIB") {
        if (const auto lib = decodeTypeLib(r.data, &error)) return printTypeLib(*lib);
    } else if (r.typeName.startsWith(u"_IID_") || r.typeName.startsWith(u"_SRCIID_")) {
        if (const auto id = decodeGuidResource(r.data, &error))
            return {QStringLiteral("length 16, identifier %1").arg(id->toString())};
    } else {
        return {QStringLiteral("%1 bytes").arg(r.data.size())};
    }
    return {QStringLiteral("error: ") + error};
}
}  // namespace

QStringList printResources(const ResourceTable& table) {
    QStringList out;
    out << QStringLiteral("resources: %1").arg(table.entries.size());
    for (const Resource& r : table.entries) {
        out << QString();
        out << QStringLiteral("  %1 %2 (%3 bytes)").arg(r.typeText()).arg(r.id).arg(r.data.size());
        out << indented(contents(r), 4);
    }
    return out;
}

// The resources of the built files, read from the files without loading
// them: each carries exactly what its resource script names, the slider
// exports its four entry points and nothing else, and the resources take
// no memory once the file is loaded.
#include <gtest/gtest.h>

#include <QProcess>

#include "BuiltFiles.h"
#include "com/BitmapResource.h"
#include "com/ElfFile.h"
#include "com/VersionRecord.h"
#include "support/QtPrinters.h"

using namespace com;

namespace {
// A version record in the words of a resource script's version block.
QStringList described(const VersionRecord& v) {
    QStringList out{
        QStringLiteral("fileversion ") + VersionRecord::versionText(v.fileVersion),
        QStringLiteral("productversion ") + VersionRecord::versionText(v.productVersion),
        QStringLiteral("translation %1 %2")
            .arg(QString::number(v.language, 16).rightJustified(4, u'0').toUpper(),
                 QString::number(v.codePage, 16).rightJustified(4, u'0').toUpper())};
    for (const auto& [key, value] : v.strings)
        out << QStringLiteral("value %1 \"%2\"").arg(key, value);
    return out;
}

// A picture against its description: the palette's colours in order, each
// named by a letter, then the rows in those letters.
void expectPictureAsDescribed(const QByteArray& data, const QStringList& description) {
    QString letters;
    QList<QRgb> palette;
    QStringList rows, seen;
    for (const QString& line : description) {
        const QStringList w = line.split(u' ');
        if (w[0] == u"colour") letters += w[1], palette << (0xFF000000u | w[2].toUInt(nullptr, 16));
        if (w[0] == u"row") rows << w[1];
    }
    QString error;
    const auto image = decodeBitmap(data, &error);
    ASSERT_TRUE(image) << error.toStdString();
    EXPECT_EQ(image->colorTable(), palette);
    for (int y = 0; y < image->height(); ++y) {
        seen << QString();
        for (int x = 0; x < image->width(); ++x) seen.last() += letters.at(image->pixelIndex(x, y));
    }
    EXPECT_EQ(seen, rows);
    // Four bits a pixel, rows padded to four bytes.
    EXPECT_EQ(data.size(), 40 + 4 * palette.size() + rows.size() * ((rows[0].size() + 7) / 8 * 4));
}
}  // namespace

TEST(BuiltResources, EachFileCarriesExactlyWhatItsScriptNames) {
    for (const auto& [file, folder, script] : {std::tuple{kQuilletFile, "slider/", "quillet.rc"},
                                               std::tuple{kRavelleFile, "player/", "ravelle.rc"}}) {
        SCOPED_TRACE(script);
        QString error;
        const auto table = readResources(file, &error);
        ASSERT_TRUE(table) << error.toStdString();
        EXPECT_FALSE(mapped(file)) << "reading resources must not load the file";
        QStringList carried, named;
        for (const Resource& r : table->entries)
            carried << r.typeText() + u' ' + QString::number(r.id);

        const QStringList lines = descriptionLines(QString::fromLatin1(folder) + script);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            // TYPE NUMBER KIND [ARGUMENT]
            const QStringList w = lines[i].split(u' ');
            named << w[0] + u' ' + w[1];
            const qsizetype at = carried.indexOf(named.last());
            if (at < 0) continue;
            const QByteArray& data = table->entries[at].data;
            if (w[2] == u"guid") {
                EXPECT_EQ(data.left(4), QByteArray("\x10\0\0\0", 4)) << "a length, 16";
                EXPECT_EQ(decodeGuidResource(data, &error), Guid::fromString(w[3]));
            } else if (w[2] == u"picture") {
                expectPictureAsDescribed(data,
                                         descriptionLines(QString::fromLatin1(folder) + w[3]));
            } else if (w[2] == u"version") {
                const qsizetype end = lines.indexOf(QStringLiteral("end"), i);
                const auto record = decodeVersionRecord(data, &error);
                ASSERT_TRUE(record) << error.toStdString();
                EXPECT_EQ(described(*record), lines.mid(i + 1, end - i - 1));
                i = end;
            }
        }
        carried.sort();
        named.sort();
        EXPECT_EQ(carried, named);
    }
}

TEST(BuiltResources, SliderExportsItsFourEntryPointsAndKeepsResourcesOutOfMemory) {
    QString error;
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf) << error.toStdString();
    const ElfFile::Section* section = elf->section(u".rsrc");
    ASSERT_TRUE(section);
    EXPECT_EQ(section->flags & 0x2 /* SHF_ALLOC */, 0u);

    auto exports = elf->exportedSymbols(&error);
    ASSERT_TRUE(exports) << error.toStdString();
    exports->sort();
    const QStringList four{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                           "DllUnregisterServer"};
    EXPECT_EQ(*exports, four);
    // The same as the system's own reader sees it.
    QProcess nm;
    nm.start(QStringLiteral("nm"), {"-D", "--defined-only", "--format=just-symbols", kQuilletFile});
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0) GTEST_SKIP() << "nm not usable here";
    QStringList seen =
        QString::fromUtf8(nm.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    seen.sort();
    EXPECT_EQ(seen, four);
}

// The resources of the built files, read from the files without loading
// them: the slider's type library, interface identifiers, toolbox picture
// and version record, the player's version record, and the slider's four
// entry points.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QSet>

#include "BuiltFiles.h"
#include "com/BitmapResource.h"
#include "com/ElfFile.h"
#include "com/VersionRecord.h"
#include "support/QtPrinters.h"

using namespace com;

namespace {
bool mapped(const QString& path) {
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

VersionRecord versionOf(const ResourceTable& table) {
    const Resource* r = table.find(ResourceType::Version, 1);
    if (!r) {
        ADD_FAILURE() << "no VERSION 1";
        return {};
    }
    QString error;
    auto record = decodeVersionRecord(r->data, &error);
    if (!record) ADD_FAILURE() << error.toStdString();
    return record.value_or(VersionRecord{});
}
}  // namespace

TEST(BuiltResources, SliderCarriesItsResourcesWithoutBeingLoaded) {
    QString error;
    const auto table = readResources(kQuilletFile, &error);
    ASSERT_TRUE(table) << error.toStdString();
    EXPECT_FALSE(mapped(kQuilletFile)) << "reading resources must not load the library";

    QStringList listed;
    for (const Resource& r : table->entries) listed << r.typeText() + u' ' + QString::number(r.id);
    listed.sort();
    EXPECT_EQ(listed, QStringList({"BITMAP 30000", "TYPELIB 1", "VERSION 1", "_IID_NEWHSCROLLBAR 1",
                                   "_SRCIID_NEWHSCROLLBAR 1"}));

    const Resource* iid = table->find(u"_IID_NEWHSCROLLBAR", 1);
    const Resource* srcIid = table->find(u"_SRCIID_NEWHSCROLLBAR", 1);
    ASSERT_TRUE(iid && srcIid);
    // A 32-bit length 16, then the identifier.
    EXPECT_EQ(iid->data.left(4), QByteArray("\x10\0\0\0", 4));
    EXPECT_EQ(decodeGuidResource(iid->data, &error),
              Guid::parse("{4BC2321E-C8F0-11D3-86B8-52544C9974A0}"));
    EXPECT_EQ(decodeGuidResource(srcIid->data, &error),
              Guid::parse("{4BC23220-C8F0-11D3-86B8-52544C9974A0}"));
}

TEST(BuiltResources, ToolboxPictureIsSixteenByFifteenInSixteenColours) {
    const ResourceTable table = quilletResources();
    const Resource* bitmap = table.find(ResourceType::Bitmap, 30000);
    ASSERT_TRUE(bitmap);
    QString error;
    const auto image = decodeBitmap(bitmap->data, &error);
    ASSERT_TRUE(image) << error.toStdString();
    EXPECT_EQ(image->size(), QSize(16, 15));
    EXPECT_EQ(image->colorCount(), 16);
    EXPECT_EQ(bitmap->data.size(), 40 + 16 * 4 + 15 * 8) << "4 bits a pixel, rows of 8 bytes";
    // A picture, not a blank: more than one colour is used.
    QSet<int> used;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x) used.insert(image->pixelIndex(x, y));
    EXPECT_GE(used.size(), 4);
}

TEST(BuiltResources, VersionRecordsHoldTheirValues) {
    const VersionRecord slider = versionOf(quilletResources());
    EXPECT_EQ(slider.fileVersion, (VersionRecord::Version{1, 0, 0, 0}));
    EXPECT_EQ(slider.productVersion, (VersionRecord::Version{1, 0, 0, 0}));
    EXPECT_EQ(slider.language, 0x0804);
    EXPECT_EQ(slider.codePage, 0x04B0);
    EXPECT_EQ(slider.value(u"FileVersion"), QStringLiteral("1.00"));
    EXPECT_EQ(slider.value(u"ProductVersion"), QStringLiteral("1.00"));
    EXPECT_EQ(slider.value(u"ProductName"), QStringLiteral("工程1"));
    EXPECT_EQ(slider.value(u"InternalName"), QStringLiteral("quillet"));
    EXPECT_EQ(slider.value(u"OriginalFilename"), QStringLiteral("quillet.ocx"));
    EXPECT_TRUE(slider.has(u"OLESelfRegister")) << "marks the file as registering itself";
    EXPECT_EQ(slider.value(u"OLESelfRegister"), QString());

    QString error;
    const auto player = readResources(kRavelleFile, &error);
    ASSERT_TRUE(player) << error.toStdString();
    const VersionRecord program = versionOf(*player);
    EXPECT_EQ(program.fileVersion, (VersionRecord::Version{1, 3, 0, 24}));
    EXPECT_EQ(program.productVersion, (VersionRecord::Version{1, 3, 0, 24}));
    EXPECT_EQ(program.language, 0x0804);
    EXPECT_EQ(program.codePage, 0x04B0);
    EXPECT_EQ(program.value(u"FileVersion"), QStringLiteral("1.03.0024"));
    EXPECT_EQ(program.value(u"ProductName"), QStringLiteral("ravelle"));
    EXPECT_EQ(program.value(u"InternalName"), QStringLiteral("ravelle"));
    EXPECT_FALSE(program.has(u"OLESelfRegister")) << "the player registers nothing";
}

TEST(BuiltResources, SliderExportsExactlyItsFourEntryPoints) {
    QString error;
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf) << error.toStdString();
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

TEST(BuiltResources, ResourceSectionTakesNoMemoryWhenLoaded) {
    QString error;
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf);
    const ElfFile::Section* section = elf->section(u".rsrc");
    ASSERT_TRUE(section);
    EXPECT_EQ(section->flags & 0x2 /* SHF_ALLOC */, 0u);
}

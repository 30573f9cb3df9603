// Damaged type libraries, resource sections, version records, pictures and
// ELF files: each gives a clear error and none makes a reader step outside
// its bytes (the sanitiser build and the fuzz targets watch that part).
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "BuiltFiles.h"
#include "com/BitmapResource.h"
#include "com/ElfFile.h"
#include "com/TypeLib.h"
#include "com/VersionRecord.h"
#include "support/QtPrinters.h"

using namespace com;

namespace {
void put16(QByteArray& b, qsizetype at, uint16_t v) { memcpy(b.data() + at, &v, 2); }
void put32(QByteArray& b, qsizetype at, uint32_t v) { memcpy(b.data() + at, &v, 4); }
void put64(QByteArray& b, qsizetype at, uint64_t v) { memcpy(b.data() + at, &v, 8); }
uint32_t get32(const QByteArray& b, qsizetype at) {
    uint32_t v;
    memcpy(&v, b.constData() + at, 4);
    return v;
}

struct Corruption {
    const char* what;
    std::function<void(QByteArray&)> apply;
    const char* errorMentions;
};

// Every case must fail, with an error naming the fault.
template <class Decode>
void expectEachRefused(const QByteArray& good, const std::vector<Corruption>& cases,
                       Decode decode) {
    for (const Corruption& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bad = good;
        c.apply(bad);
        QString error;
        EXPECT_FALSE(decode(bad, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.errorMentions))) << error.toStdString();
    }
}

// Cut short anywhere, the bytes are refused with an error.
template <class Decode>
void expectEveryTruncationRefused(const QByteArray& good, Decode decode) {
    for (qsizetype n = 0; n < good.size(); ++n) {
        QString error;
        const bool read = bool(decode(QByteArray::fromRawData(good.constData(), n), &error));
        EXPECT_FALSE(read) << "accepted when cut to " << n << " bytes";
        EXPECT_FALSE(error.isEmpty()) << n;
        if (read) return;
    }
}

// Any one byte changed: read or refused, but refused with a reason.
template <class Decode>
void expectEveryByteFlipHandled(const QByteArray& good, Decode decode) {
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0xA5);
        QString error;
        if (!decode(bad, &error)) EXPECT_FALSE(error.isEmpty()) << "byte " << i;
    }
}

const auto decodeLib = [](QByteArrayView b, QString* e) { return decodeTypeLib(b, e); };
const auto decodeSection = [](QByteArrayView b, QString* e) { return decodeResources(b, e); };
const auto decodeVersion = [](QByteArrayView b, QString* e) { return decodeVersionRecord(b, e); };
const auto decodePicture = [](QByteArrayView b, QString* e) { return decodeBitmap(b, e); };
const auto readImage = [](const QByteArray& b, QString* e) { return readResourcesFromImage(b, e); };
}  // namespace

TEST(DamagedTypeLib, EveryTruncationAndByteFlipIsHandled) {
    const QByteArray good = quilletTypeLibBytes();
    ASSERT_GT(good.size(), 108);
    expectEveryTruncationRefused(good, decodeLib);
    expectEveryByteFlipHandled(good, decodeLib);
}

TEST(DamagedTypeLib, EachKindOfDamageIsNamed) {
    const QByteArray good = quilletTypeLibBytes();
    ASSERT_GT(good.size(), 108);
    const qsizetype strings = get32(good, 60), types = get32(good, 76), refs = get32(good, 84),
                    members = get32(good, 92), params = get32(good, 100);
    // Type 0 is the dual interface, 1 the event interface, 2 the class.
    const qsizetype classRecord = types + 2 * 56;
    const std::vector<Corruption> cases{
        {"bad magic", [](QByteArray& b) { b[0] = 'X'; }, "RTLB"},
        {"newer format", [](QByteArray& b) { put16(b, 4, 2); }, "格式版本 2"},
        {"length past the end", [](QByteArray& b) { put32(b, 8, b.size() + 1); }, "不完整"},
        {"bytes after the end", [](QByteArray& b) { b.append(4, '\0'); }, "长度"},
        {"reserved field set", [](QByteArray& b) { put32(b, 12, 1); }, "保留"},
        {"string table past the end", [](QByteArray& b) { put32(b, 60, b.size()); }, "字符串表"},
        {"string table over the header", [](QByteArray& b) { put32(b, 60, 8); }, "字符串表"},
        {"import count past the end", [](QByteArray& b) { put32(b, 72, 0xFFFFFFFF); }, "导入表"},
        {"type count past the end", [](QByteArray& b) { put32(b, 80, 1000); }, "类型表"},
        {"reference table offset wraps", [](QByteArray& b) { put32(b, 84, 0xFFFFFFF0); }, "引用表"},
        {"member count past the end", [](QByteArray& b) { put32(b, 96, 0x10000000); }, "成员表"},
        {"parameter count past the end", [](QByteArray& b) { put32(b, 104, 0x7FFFFFFF); },
         "参数表"},
        {"name outside the string table", [](QByteArray& b) { put32(b, 44, 0xFFFFFFF0); }, "库名"},
        {"name length outside the string table", [](QByteArray& b) { put32(b, 48, 0x7FFFFFFF); },
         "库名"},
        {"text not UTF-8", [&](QByteArray& b) { b[strings] = char(0xFF); }, "UTF-8"},
        {"unknown type kind", [&](QByteArray& b) { b[types + 16] = 9; }, "种类 9"},
        {"unknown type flag", [&](QByteArray& b) { put16(b, types + 18, 0x8000); }, "未知位"},
        {"duplicate type identifier",
         [&](QByteArray& b) { b.replace(types + 56, 16, b.mid(types, 16)); }, "重复"},
        {"class with members", [&](QByteArray& b) { put32(b, classRecord + 44, 1); }, "成员"},
        {"member run out of order", [&](QByteArray& b) { put32(b, types + 40, 1); }, "成员"},
        {"member run past the table", [&](QByteArray& b) { put32(b, types + 44, 500); }, "成员"},
        {"reference run past the table", [&](QByteArray& b) { put32(b, classRecord + 52, 9); },
         "引用"},
        {"slot out of order", [&](QByteArray& b) { put16(b, members + 24 + 6, 5); }, "槽位"},
        {"unknown member kind", [&](QByteArray& b) { b[members + 4] = 3; }, "种类 3"},
        {"unknown return type", [&](QByteArray& b) { put16(b, members + 16, 99); }, "返回类型"},
        {"parameter run past the table", [&](QByteArray& b) { put16(b, members + 18, 200); },
         "参数"},
        {"void parameter", [&](QByteArray& b) { put16(b, params + 8, 24); }, "参数"},
        {"unknown parameter flag", [&](QByteArray& b) { put16(b, params + 10, 0x100); }, "未知位"},
        {"reference to a missing import", [&](QByteArray& b) { put16(b, refs + 16, 7); }, "导入 7"},
        {"reference to a missing type", [&](QByteArray& b) { b[refs + 2 * 28] ^= 1; }, "不在库中"},
        {"base flag on a class", [&](QByteArray& b) { put16(b, refs + 2 * 28 + 18, 1); },
         "种类不符"},
    };
    expectEachRefused(good, cases, decodeLib);
}

TEST(DamagedResources, EveryTruncationAndByteFlipIsHandled) {
    QString error;
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf) << error.toStdString();
    const auto section = elf->contents(*elf->section(u".rsrc"), &error);
    ASSERT_TRUE(section);
    expectEveryTruncationRefused(*section, decodeSection);
    expectEveryByteFlipHandled(*section, decodeSection);
}

TEST(DamagedResources, EachKindOfDamageIsNamed) {
    const ResourceTable two{{{0, "NAMED", 1, "abc"}, {ResourceType::Bitmap, {}, 7, "defg"}}};
    const QByteArray good = encodeResources(two);
    QString error;
    ASSERT_EQ(decodeResources(good, &error)->entries.size(), 2);
    const std::vector<Corruption> cases{
        {"bad magic", [](QByteArray& b) { b[1] = 'x'; }, "RSRC"},
        {"newer format", [](QByteArray& b) { put16(b, 4, 9); }, "格式版本 9"},
        {"length disagrees", [](QByteArray& b) { put32(b, 12, b.size() - 1); }, "长度"},
        {"count past the end", [](QByteArray& b) { put32(b, 8, 0x0AAAAAAB); }, "目录"},
        {"reserved field set", [](QByteArray& b) { put16(b, 16 + 2, 1); }, "保留"},
        {"name past the end", [](QByteArray& b) { put32(b, 16 + 4, b.size()); }, "类型名"},
        {"name length wraps", [](QByteArray& b) { put32(b, 16 + 8, 0xFFFFFFFF); }, "类型名"},
        {"data past the end", [](QByteArray& b) { put32(b, 40 + 16, 0xFFFFFFFC); }, "数据"},
        {"data length past the end", [](QByteArray& b) { put32(b, 40 + 20, 0x1000); }, "数据"},
        {"neither number nor name", [](QByteArray& b) { put16(b, 40, 0); }, "只居其一"},
        {"both number and name", [](QByteArray& b) { put16(b, 16, 5); }, "只居其一"},
        {"the same resource twice",
         [](QByteArray& b) {
             put16(b, 40, 0), put32(b, 40 + 4, get32(b, 16 + 4)), put32(b, 40 + 8, 5),
                 put32(b, 40 + 12, 1);
         },
         "不止一次"},
    };
    expectEachRefused(good, cases, decodeSection);

    EXPECT_FALSE(decodeGuidResource(QByteArray("\x10\0\0\0short", 9), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("标识符"))) << error.toStdString();
}

TEST(DamagedVersionRecord, TruncationsFlipsAndEachKindOfDamage) {
    const VersionRecord record{
        {1, 2, 3, 4}, {5, 6, 7, 8}, 0x0804, 0x04B0, {{"ProductName", "工程1"}, {"Empty", ""}}};
    const QByteArray good = encodeVersionRecord(record);
    QString error;
    ASSERT_EQ(decodeVersionRecord(good, &error), record);
    expectEveryTruncationRefused(good, decodeVersion);
    expectEveryByteFlipHandled(good, decodeVersion);
    const std::vector<Corruption> cases{
        {"bad magic", [](QByteArray& b) { b[0] = 'W'; }, "VREC"},
        {"count past the end", [](QByteArray& b) { put32(b, 28, 3); }, "第 2 条"},
        {"key length past the end", [](QByteArray& b) { put16(b, 32, 0xFFFF); }, "第 0 条"},
        {"bytes after the end", [](QByteArray& b) { b.append('x'); }, "结束"},
        {"empty key", [](QByteArray& b) { put32(b, 28, 3), b.append(QByteArray(4, '\0')); },
         "名字"},
    };
    expectEachRefused(good, cases, decodeVersion);
}

TEST(DamagedPicture, TruncationsFlipsAndEachKindOfDamage) {
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, uint(i % 3));
    const QByteArray good = encodeBitmap(image);
    QString error;
    const auto back = decodeBitmap(good, &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->pixelIndex(2, 0), 2);
    EXPECT_EQ(back->pixelIndex(0, 1), 0);
    EXPECT_EQ(back->color(1), qRgb(255, 0, 0));
    expectEveryTruncationRefused(good, decodePicture);
    expectEveryByteFlipHandled(good, decodePicture);
    const std::vector<Corruption> cases{
        {"wrong header size", [](QByteArray& b) { put32(b, 0, 12); }, "信息头"},
        {"no width", [](QByteArray& b) { put32(b, 4, 0); }, "尺寸"},
        {"huge height", [](QByteArray& b) { put32(b, 8, 0x7FFFFFFF); }, "尺寸"},
        {"true colour", [](QByteArray& b) { put16(b, 14, 24); }, "24 位"},
        {"compressed", [](QByteArray& b) { put32(b, 16, 2); }, "不压缩"},
        {"palette too large", [](QByteArray& b) { put32(b, 32, 17); }, "17 种颜色"},
        {"pixel beyond the palette", [](QByteArray& b) { put32(b, 32, 2); }, "调色板以外"},
    };
    expectEachRefused(good, cases, decodePicture);
}

TEST(DamagedElfFile, TruncationsAndEachKindOfDamage) {
    const QByteArray good = fileBytes(kQuilletFile);
    ASSERT_GT(good.size(), 4096);
    // The section table sits at the end of the file: cut anywhere, it is
    // incomplete. Every length near the end, a spread of lengths before.
    for (qsizetype n = 0; n < good.size(); n += (n < good.size() - 4096 ? 7919 : 13)) {
        QString error;
        EXPECT_FALSE(readImage(QByteArray::fromRawData(good.constData(), n), &error)) << n;
        EXPECT_FALSE(error.isEmpty()) << n;
    }

    Elf64_Ehdr header;
    memcpy(&header, good.constData(), sizeof header);
    const auto sectionAt = [&](int i) {
        return qsizetype(header.e_shoff + i * sizeof(Elf64_Shdr));
    };
    int rsrc = -1;
    for (int i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr names, s;
        memcpy(&names, good.constData() + sectionAt(header.e_shstrndx), sizeof names);
        memcpy(&s, good.constData() + sectionAt(i), sizeof s);
        if (qstrcmp(good.constData() + names.sh_offset + s.sh_name, ".rsrc") == 0) rsrc = i;
    }
    ASSERT_GE(rsrc, 0);
    const qsizetype size = good.size();
    const std::vector<Corruption> cases{
        {"not ELF", [](QByteArray& b) { b[1] = 'Q'; }, "不是 ELF"},
        {"32-bit", [](QByteArray& b) { b[EI_CLASS] = ELFCLASS32; }, "64 位"},
        {"big-endian", [](QByteArray& b) { b[EI_DATA] = ELFDATA2MSB; }, "小端"},
        {"section table past the end", [&](QByteArray& b) { put64(b, 40, size - 64); }, "节头表"},
        {"section table offset wraps", [&](QByteArray& b) { put64(b, 40, ~0ull - 100); }, "节头表"},
        {"section count past the end", [](QByteArray& b) { put16(b, 60, 0xFFFE); }, "节头表"},
        {"odd section header size", [](QByteArray& b) { put16(b, 58, 40); }, "节头大小"},
        {"name table index past the count", [&](QByteArray& b) { put16(b, 62, header.e_shnum); },
         "节名表"},
        {"resources past the end", [&](QByteArray& b) { put64(b, sectionAt(rsrc) + 24, size); },
         "超出文件末尾"},
        {"resources longer than the file",
         [&](QByteArray& b) { put64(b, sectionAt(rsrc) + 32, ~0ull); }, "超出文件末尾"},
        {"section name outside the name table",
         [&](QByteArray& b) { put32(b, sectionAt(rsrc), 0x7FFFFFFF); }, "名字"},
        {"damaged resource section",
         [&](QByteArray& b) {
             Elf64_Shdr s;
             memcpy(&s, b.constData() + sectionAt(rsrc), sizeof s);
             b[qsizetype(s.sh_offset)] = '?';
         },
         "资源节"},
    };
    expectEachRefused(good, cases, readImage);

    // Not a file of ours at all, and no file.
    QString error;
    EXPECT_FALSE(readResources(QStringLiteral("/nonexistent/libnothing.so"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("无法读取"))) << error.toStdString();
    const auto none = readResources(QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1"), &error);
    ASSERT_TRUE(none) << error.toStdString();
    EXPECT_TRUE(none->entries.isEmpty()) << "a file without the section has no resources";
}

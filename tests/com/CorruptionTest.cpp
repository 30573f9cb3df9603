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
using Change = std::function<void(QByteArray&)>;
// A number written over the bytes at an offset, little-endian.
template <class T>
Change set(qsizetype at, T v) {
    return [=](QByteArray& b) { memcpy(b.data() + at, &v, sizeof v); };
}
Change set8(qsizetype at, uint8_t v) { return set(at, v); }
Change set16(qsizetype at, uint16_t v) { return set(at, v); }
Change set32(qsizetype at, uint32_t v) { return set(at, v); }
Change set64(qsizetype at, uint64_t v) { return set(at, v); }
uint32_t get32(const QByteArray& b, qsizetype at) {
    uint32_t v;
    memcpy(&v, b.constData() + at, 4);
    return v;
}

struct Corruption {
    const char* what;
    Change apply;
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

// Cut short anywhere, the bytes are refused with an error; with any one
// byte changed, they are read or refused, but refused with a reason; and
// each kind of damage is refused naming it.
template <class Decode>
void expectDamageRefused(const QByteArray& good, const std::vector<Corruption>& cases,
                         Decode decode) {
    QString error;
    ASSERT_TRUE(decode(good, &error)) << error.toStdString();
    for (qsizetype n = 0; n < good.size(); ++n) {
        error.clear();
        ASSERT_FALSE(decode(QByteArray::fromRawData(good.constData(), n), &error))
            << "cut to " << n;
        EXPECT_FALSE(error.isEmpty()) << n;
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0xA5);
        error.clear();
        if (!decode(bad, &error)) EXPECT_FALSE(error.isEmpty()) << "byte " << i;
    }
    expectEachRefused(good, cases, decode);
}
}  // namespace

TEST(DamagedTypeLib, EveryCutFlipAndKindOfDamageIsRefusedWithAReason) {
    const QByteArray good = quilletTypeLibBytes();
    ASSERT_GT(good.size(), 108);
    const qsizetype strings = get32(good, 60), types = get32(good, 76), refs = get32(good, 84),
                    members = get32(good, 92), params = get32(good, 100);
    // Type 0 is the dual interface, 1 the event interface, 2 the class.
    const qsizetype classRecord = types + 2 * 56;
    const std::vector<Corruption> cases{
        {"bad magic", set8(0, 'X'), "RTLB"},
        {"newer format", set16(4, 2), "格式版本 2"},
        {"length past the end", set32(8, good.size() + 1), "不完整"},
        {"bytes after the end", [](QByteArray& b) { b.append(4, '\0'); }, "长度"},
        {"reserved field set", set32(12, 1), "保留"},
        {"string table past the end", set32(60, good.size()), "字符串表"},
        {"string table over the header", set32(60, 8), "字符串表"},
        {"import count past the end", set32(72, 0xFFFFFFFF), "导入表"},
        {"type count past the end", set32(80, 1000), "类型表"},
        {"reference table offset wraps", set32(84, 0xFFFFFFF0), "引用表"},
        {"member count past the end", set32(96, 0x10000000), "成员表"},
        {"parameter count past the end", set32(104, 0x7FFFFFFF), "参数表"},
        {"name outside the string table", set32(44, 0xFFFFFFF0), "库名"},
        {"name length outside the string table", set32(48, 0x7FFFFFFF), "库名"},
        {"text not UTF-8", set8(strings, 0xFF), "UTF-8"},
        {"unknown type kind", set8(types + 16, 9), "种类 9"},
        {"unknown type flag", set16(types + 18, 0x8000), "未知位"},
        {"duplicate type identifier",
         [&](QByteArray& b) { b.replace(types + 56, 16, b.mid(types, 16)); }, "重复"},
        {"class with members", set32(classRecord + 44, 1), "成员"},
        {"member run out of order", set32(types + 40, 1), "成员"},
        {"member run past the table", set32(types + 44, 500), "成员"},
        {"reference run past the table", set32(classRecord + 52, 9), "引用"},
        {"slot out of order", set16(members + 24 + 6, 5), "槽位"},
        {"unknown member kind", set8(members + 4, 3), "种类 3"},
        {"unknown return type", set16(members + 16, 99), "返回类型"},
        {"parameter run past the table", set16(members + 18, 200), "参数"},
        {"void parameter", set16(params + 8, 24), "参数"},
        {"unknown parameter flag", set16(params + 10, 0x100), "未知位"},
        {"reference to a missing import", set16(refs + 16, 7), "导入 7"},
        {"reference to a missing type", set8(refs + 2 * 28, good[refs + 2 * 28] ^ 1), "不在库中"},
        {"base flag on a class", set16(refs + 2 * 28 + 18, 1), "种类不符"},
    };
    expectDamageRefused(good, cases,
                        [](QByteArrayView b, QString* e) { return decodeTypeLib(b, e); });
}

TEST(DamagedResources, EveryCutFlipAndKindOfDamageIsRefusedWithAReason) {
    QString error;
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf) << error.toStdString();
    const auto decode = [](QByteArrayView b, QString* e) { return decodeResources(b, e); };
    expectDamageRefused(*elf->contents(*elf->section(u".rsrc"), &error), {}, decode);

    const QByteArray good =
        encodeResources({{{0, "NAMED", 1, "abc"}, {ResourceType::Bitmap, {}, 7, "defg"}}});
    ASSERT_EQ(decodeResources(good, &error)->entries.size(), 2);
    const std::vector<Corruption> cases{
        {"bad magic", set8(1, 'x'), "RSRC"},
        {"newer format", set16(4, 9), "格式版本 9"},
        {"length disagrees", set32(12, good.size() - 1), "长度"},
        {"count past the end", set32(8, 0x0AAAAAAB), "目录"},
        {"reserved field set", set16(16 + 2, 1), "保留"},
        {"name past the end", set32(16 + 4, good.size()), "类型名"},
        {"name length wraps", set32(16 + 8, 0xFFFFFFFF), "类型名"},
        {"data past the end", set32(40 + 16, 0xFFFFFFFC), "数据"},
        {"data length past the end", set32(40 + 20, 0x1000), "数据"},
        {"neither number nor name", set16(40, 0), "只居其一"},
        {"both number and name", set16(16, 5), "只居其一"},
        {"the same resource twice",
         [](QByteArray& b) {
             set16(40, 0)(b), set32(44, get32(b, 20))(b), set32(48, 5)(b), set32(52, 1)(b);
         },
         "不止一次"},
    };
    expectEachRefused(good, cases, decode);
    EXPECT_FALSE(decodeGuidResource(QByteArray("\x10\0\0\0short", 9), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("标识符"))) << error.toStdString();
}

TEST(DamagedVersionRecord, EveryCutFlipAndKindOfDamageIsRefusedWithAReason) {
    const VersionRecord record{
        {1, 2, 3, 4}, {5, 6, 7, 8}, 0x0804, 0x04B0, {{"ProductName", "工程1"}, {"Empty", ""}}};
    const QByteArray good = encodeVersionRecord(record);
    QString error;
    ASSERT_EQ(decodeVersionRecord(good, &error), record);
    const std::vector<Corruption> cases{
        {"bad magic", set8(0, 'W'), "VREC"},
        {"count past the end", set32(28, 3), "第 2 条"},
        {"key length past the end", set16(32, 0xFFFF), "第 0 条"},
        {"bytes after the end", [](QByteArray& b) { b.append('x'); }, "结束"},
        {"empty key", [](QByteArray& b) { set32(28, 3)(b), b.append(QByteArray(4, '\0')); },
         "名字"},
    };
    expectDamageRefused(good, cases,
                        [](QByteArrayView b, QString* e) { return decodeVersionRecord(b, e); });
}

TEST(DamagedPicture, EveryCutFlipAndKindOfDamageIsRefusedWithAReason) {
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
    const std::vector<Corruption> cases{
        {"wrong header size", set32(0, 12), "信息头"},
        {"no width", set32(4, 0), "尺寸"},
        {"huge height", set32(8, 0x7FFFFFFF), "尺寸"},
        {"true colour", set16(14, 24), "24 位"},
        {"compressed", set32(16, 2), "不压缩"},
        {"palette too large", set32(32, 17), "17 种颜色"},
        {"pixel beyond the palette", set32(32, 2), "调色板以外"},
    };
    expectDamageRefused(good, cases,
                        [](QByteArrayView b, QString* e) { return decodeBitmap(b, e); });
}

TEST(DamagedElfFile, EveryCutAndKindOfDamageIsRefusedWithAReason) {
    const QByteArray good = fileBytes(kQuilletFile);
    ASSERT_GT(good.size(), 4096);
    // The section table sits at the end of the file: cut anywhere, it is
    // incomplete. Every length near the end, a spread of lengths before.
    for (qsizetype n = 0; n < good.size(); n += (n < good.size() - 4096 ? 7919 : 13)) {
        QString error;
        EXPECT_FALSE(readResourcesFromImage(QByteArray::fromRawData(good.constData(), n), &error))
            << n;
        EXPECT_FALSE(error.isEmpty()) << n;
    }

    QString error;
    const auto elf = ElfFile::fromImage(good, &error);
    ASSERT_TRUE(elf) << error.toStdString();
    const ElfFile::Section* resources = elf->section(u".rsrc");
    ASSERT_TRUE(resources);
    const qsizetype rsrc = resources - elf->sections().constData();
    Elf64_Ehdr header;
    memcpy(&header, good.constData(), sizeof header);
    const qsizetype at = qsizetype(header.e_shoff + rsrc * sizeof(Elf64_Shdr)), size = good.size();
    const qsizetype contents = qsizetype(resources->offset);
    const std::vector<Corruption> cases{
        {"not ELF", set8(1, 'Q'), "不是 ELF"},
        {"32-bit", set8(EI_CLASS, ELFCLASS32), "64 位"},
        {"big-endian", set8(EI_DATA, ELFDATA2MSB), "小端"},
        {"section table past the end", set64(40, size - 64), "节头表"},
        {"section table offset wraps", set64(40, ~0ull - 100), "节头表"},
        {"section count past the end", set16(60, 0xFFFE), "节头表"},
        {"odd section header size", set16(58, 40), "节头大小"},
        {"name table index past the count", set16(62, header.e_shnum), "节名表"},
        {"resources past the end", set64(at + 24, size), "超出文件末尾"},
        {"resources longer than the file", set64(at + 32, ~0ull), "超出文件末尾"},
        {"section name outside the name table", set32(at, 0x7FFFFFFF), "名字"},
        {"damaged resource section", set8(contents, '?'), "资源节"},
    };
    expectEachRefused(good, cases,
                      [](const QByteArray& b, QString* e) { return readResourcesFromImage(b, e); });

    // Not a file of ours at all, and no file.
    EXPECT_FALSE(readResources(QStringLiteral("/nonexistent/libnothing.so"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("无法读取"))) << error.toStdString();
    const auto none = readResources(QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1"), &error);
    ASSERT_TRUE(none) << error.toStdString();
    EXPECT_TRUE(none->entries.isEmpty()) << "a file without the section has no resources";
}

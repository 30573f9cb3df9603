#include "com/ElfFile.h"

#include <elf.h>

#include <QFile>
#include <memory>

#include "com/ByteReader.h"

namespace com {

namespace {
constexpr quint64 kHeaderSize = 64, kSectionHeaderSize = 64, kSymbolSize = 24;

QString hex(quint64 v) { return QStringLiteral("0x") + QString::number(v, 16); }

// A NUL-terminated name at offset in a string table.
std::optional<QString> nameAt(const QByteArray& table, quint64 offset) {
    if (offset >= quint64(table.size())) return std::nullopt;
    const qsizetype end = table.indexOf('\0', qsizetype(offset));
    if (end < 0) return std::nullopt;
    return QString::fromUtf8(table.constData() + offset, end - qsizetype(offset));
}
}  // namespace

std::optional<ElfFile> ElfFile::open(const QString& path, QString* error) {
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文件 %1: %2").arg(path, file->errorString());
        return std::nullopt;
    }
    const quint64 size = quint64(file->size());
    Source read = [file, size](quint64 offset, quint64 length, QByteArray* out) {
        if (offset > size || length > size - offset || !file->seek(qint64(offset))) return false;
        *out = file->read(qint64(length));
        return quint64(out->size()) == length;
    };
    return parse(path, size, std::move(read), error);
}

std::optional<ElfFile> ElfFile::fromImage(const QByteArray& image, QString* error) {
    Source read = [image](quint64 offset, quint64 length, QByteArray* out) {
        const quint64 size = quint64(image.size());
        if (offset > size || length > size - offset) return false;
        *out = image.mid(qsizetype(offset), qsizetype(length));
        return true;
    };
    return parse(QStringLiteral("(内存中的映像)"), quint64(image.size()), std::move(read), error);
}

std::optional<ElfFile> ElfFile::parse(const QString& name, quint64 size, Source source,
                                      QString* error) {
    const auto damaged = [&](const QString& what) {
        *error = QStringLiteral("%1 已损坏: %2").arg(name, what);
        return std::nullopt;
    };
    QByteArray headerBytes;
    if (!source(0, std::min<quint64>(size, kHeaderSize), &headerBytes) || headerBytes.size() < 4 ||
        !headerBytes.startsWith(QByteArrayView(ELFMAG, SELFMAG))) {
        *error = QStringLiteral("%1 不是 ELF 文件").arg(name);
        return std::nullopt;
    }
    if (quint64(headerBytes.size()) < kHeaderSize)
        return damaged(QStringLiteral("文件头不完整 (%1 字节)").arg(headerBytes.size()));
    const ByteReader header(headerBytes);
    if (header.u8(EI_CLASS) != ELFCLASS64 || header.u8(EI_DATA) != ELFDATA2LSB) {
        *error = QStringLiteral("%1 不是 64 位小端的 ELF 文件").arg(name);
        return std::nullopt;
    }
    if (header.u8(EI_VERSION) != EV_CURRENT)
        return damaged(QStringLiteral("ELF 版本 %1 未知").arg(header.u8(EI_VERSION)));

    ElfFile elf;
    elf.m_name = name;
    elf.m_size = size;
    elf.m_read = std::move(source);
    const quint64 shoff = header.u64(40);
    const quint64 shentsize = header.u16(58), shnum = header.u16(60), shstrndx = header.u16(62);
    if (shoff == 0 && shnum == 0) return elf;  // no section table at all
    if (shnum == 0 || shstrndx == SHN_XINDEX)
        return damaged(QStringLiteral("节的数目以扩展形式记录, 不受支持"));
    if (shentsize != kSectionHeaderSize)
        return damaged(
            QStringLiteral("节头大小 %1 不是 %2").arg(shentsize).arg(kSectionHeaderSize));
    QByteArray table;
    if (!elf.m_read(shoff, shnum * kSectionHeaderSize, &table))
        return damaged(QStringLiteral("节头表 (偏移 %1, %2 项) 超出文件末尾 (%3 字节)")
                           .arg(hex(shoff))
                           .arg(shnum)
                           .arg(size));
    const ByteReader sections(table);
    for (quint64 i = 0; i < shnum; ++i) {
        const quint64 at = i * kSectionHeaderSize;
        Section s;
        s.type = sections.u32(at + 4);
        s.flags = sections.u64(at + 8);
        s.offset = sections.u64(at + 24);
        s.size = sections.u64(at + 32);
        s.link = sections.u32(at + 40);
        s.entrySize = sections.u64(at + 56);
        if (s.type != SHT_NOBITS && (s.offset > size || s.size > size - s.offset))
            return damaged(QStringLiteral("节 %1 (偏移 %2, %3 字节) 超出文件末尾 (%4 字节)")
                               .arg(i)
                               .arg(hex(s.offset))
                               .arg(s.size)
                               .arg(size));
        elf.m_sections.append(s);
    }
    if (shstrndx >= shnum)
        return damaged(QStringLiteral("节名表的序号 %1 超出节的数目 %2").arg(shstrndx).arg(shnum));
    const Section& names = elf.m_sections[qsizetype(shstrndx)];
    QByteArray nameTable;
    if (names.type != SHT_STRTAB || !elf.m_read(names.offset, names.size, &nameTable))
        return damaged(QStringLiteral("节名表不是字符串表"));
    for (quint64 i = 0; i < shnum; ++i) {
        const auto n = nameAt(nameTable, sections.u32(i * kSectionHeaderSize));
        if (!n) return damaged(QStringLiteral("节 %1 的名字超出节名表").arg(i));
        elf.m_sections[qsizetype(i)].name = *n;
    }
    return elf;
}

const ElfFile::Section* ElfFile::section(QStringView name) const {
    for (const Section& s : m_sections)
        if (s.name == name) return &s;
    return nullptr;
}

std::optional<QByteArray> ElfFile::contents(const Section& s, QString* error) const {
    QByteArray out;
    if (s.type == SHT_NOBITS || !m_read(s.offset, s.size, &out)) {
        *error = QStringLiteral("%1: 节 %2 在文件中没有内容").arg(m_name, s.name);
        return std::nullopt;
    }
    return out;
}

std::optional<QStringList> ElfFile::exportedSymbols(QString* error) const {
    const Section* symbols = nullptr;
    for (const Section& s : m_sections)
        if (s.type == SHT_DYNSYM) symbols = &s;
    if (!symbols) return QStringList();
    if (symbols->entrySize != kSymbolSize || symbols->size % kSymbolSize != 0 ||
        symbols->link >= quint64(m_sections.size())) {
        *error = QStringLiteral("%1 已损坏: 动态符号表的格式不对").arg(m_name);
        return std::nullopt;
    }
    const auto table = contents(*symbols, error);
    const auto strings = table ? contents(m_sections[symbols->link], error) : std::nullopt;
    if (!strings) return std::nullopt;
    const ByteReader in(*table);
    QStringList names;
    for (quint64 at = kSymbolSize; at < in.size(); at += kSymbolSize) {  // entry 0 is null
        const uint8_t binding = ELF64_ST_BIND(in.u8(at + 4));
        if (in.u16(at + 6) == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
        const auto name = nameAt(*strings, in.u32(at));
        if (!name) {
            *error = QStringLiteral("%1 已损坏: 符号名超出动态字符串表").arg(m_name);
            return std::nullopt;
        }
        names.append(*name);
    }
    return names;
}

}  // namespace com

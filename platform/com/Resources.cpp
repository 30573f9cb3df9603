#include "com/Resources.h"

#include <QSet>
#include <QStringDecoder>

#include "com/ByteReader.h"
#include "com/ElfFile.h"

namespace com {

namespace {
constexpr uint32_t kHeaderSize = 16, kEntrySize = 24;

QString hex(quint64 v) { return QStringLiteral("0x") + QString::number(v, 16); }

std::optional<ResourceTable> fromElf(const std::optional<ElfFile>& elf, QString* error) {
    if (!elf) return std::nullopt;
    const ElfFile::Section* section = elf->section(QString::fromLatin1(kResourceSection));
    if (!section) return ResourceTable{};
    const auto bytes = elf->contents(*section, error);
    if (!bytes) return std::nullopt;
    return decodeResources(*bytes, error);
}
}  // namespace

QString Resource::typeText() const {
    if (typeNumber == ResourceType::Bitmap) return QStringLiteral("BITMAP");
    if (typeNumber == ResourceType::Version) return QStringLiteral("VERSION");
    if (typeNumber != 0) return QStringLiteral("#%1").arg(typeNumber);
    return typeName;
}

const Resource* ResourceTable::find(QStringView typeName, uint32_t id) const {
    for (const Resource& r : entries)
        if (r.typeNumber == 0 && r.typeName == typeName && r.id == id) return &r;
    return nullptr;
}

const Resource* ResourceTable::find(uint16_t typeNumber, uint32_t id) const {
    for (const Resource& r : entries)
        if (r.typeNumber == typeNumber && r.id == id) return &r;
    return nullptr;
}

QByteArray encodeResources(const ResourceTable& table) {
    // Names first, then data, each piece on a 4-byte boundary.
    const uint32_t count = uint32_t(table.entries.size());
    ByteWriter tail;
    const uint32_t tailStart = kHeaderSize + count * kEntrySize;
    QList<uint32_t> nameAt, dataAt;
    for (const Resource& r : table.entries) {
        nameAt.append(r.typeName.isEmpty() ? 0 : tailStart + uint32_t(tail.size()));
        tail.bytes(r.typeName.toUtf8());
        tail.align(4);
    }
    for (const Resource& r : table.entries) {
        dataAt.append(tailStart + uint32_t(tail.size()));
        tail.bytes(r.data);
        tail.align(4);
    }
    ByteWriter out;
    out.bytes("RSRC");
    out.u16(1);
    out.u16(0);
    out.u32(count);
    out.u32(tailStart + uint32_t(tail.size()));
    for (qsizetype i = 0; i < table.entries.size(); ++i) {
        const Resource& r = table.entries[i];
        out.u16(r.typeNumber);
        out.u16(0);
        out.u32(nameAt[i]);
        out.u32(uint32_t(r.typeName.toUtf8().size()));
        out.u32(r.id);
        out.u32(dataAt[i]);
        out.u32(uint32_t(r.data.size()));
    }
    out.bytes(tail.data());
    return out.data();
}

std::optional<ResourceTable> decodeResources(QByteArrayView section, QString* error) {
    const ByteReader in(section);
    const auto damaged = [&](const QString& what) {
        *error = QStringLiteral("资源节已损坏: ") + what;
        return std::nullopt;
    };
    if (in.size() < kHeaderSize)
        return damaged(
            QStringLiteral("只有 %1 字节, 头部就需要 %2 字节").arg(in.size()).arg(kHeaderSize));
    if (in.bytes(0, 4) != QByteArrayView("RSRC"))
        return damaged(QStringLiteral("开头的标识不是 \"RSRC\""));
    if (in.u16(4) != 1)
        return damaged(QStringLiteral("不支持的格式版本 %1.%2").arg(in.u16(4)).arg(in.u16(6)));
    const uint32_t count = in.u32(8), total = in.u32(12);
    if (total != in.size())
        return damaged(
            QStringLiteral("长度字段为 %1 字节, 节却有 %2 字节").arg(total).arg(in.size()));
    if (!in.contains(kHeaderSize, quint64(count) * kEntrySize))
        return damaged(QStringLiteral("%1 项的目录超出节的末尾").arg(count));

    ResourceTable table;
    QSet<QString> seen;
    for (uint32_t i = 0; i < count; ++i) {
        const quint64 at = kHeaderSize + quint64(i) * kEntrySize;
        Resource r;
        r.typeNumber = in.u16(at);
        const uint32_t nameOffset = in.u32(at + 4), nameLength = in.u32(at + 8);
        r.id = in.u32(at + 12);
        const uint32_t dataOffset = in.u32(at + 16), dataLength = in.u32(at + 20);
        const QString entry = QStringLiteral("第 %1 项").arg(i);
        if (in.u16(at + 2) != 0) return damaged(entry + QStringLiteral("的保留字段不为零"));
        if (!in.contains(nameOffset, nameLength))
            return damaged(entry + QStringLiteral("的类型名 (偏移 %1, %2 字节) 超出节的末尾")
                                       .arg(hex(nameOffset))
                                       .arg(nameLength));
        if (!in.contains(dataOffset, dataLength))
            return damaged(entry + QStringLiteral("的数据 (偏移 %1, %2 字节) 超出节的末尾")
                                       .arg(hex(dataOffset))
                                       .arg(dataLength));
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QByteArrayView name = in.bytes(nameOffset, nameLength);
        r.typeName = decode(name);
        if (decode.hasError() || name.contains('\0'))
            return damaged(entry + QStringLiteral("的类型名不是有效的 UTF-8"));
        if ((r.typeNumber == 0) == r.typeName.isEmpty())
            return damaged(entry + QStringLiteral("的类型应当或有编号, 或有名字, 二者只居其一"));
        const QString key = r.typeText() + u'/' + QString::number(r.id);
        if (seen.contains(key))
            return damaged(QStringLiteral("资源 %1 %2 出现了不止一次").arg(r.typeText()).arg(r.id));
        seen.insert(key);
        r.data = in.bytes(dataOffset, dataLength).toByteArray();
        table.entries.append(std::move(r));
    }
    if (in.overrun()) return damaged(QStringLiteral("读取越界"));
    return table;
}

std::optional<ResourceTable> readResources(const QString& path, QString* error) {
    return fromElf(ElfFile::open(path, error), error);
}

std::optional<ResourceTable> readResourcesFromImage(const QByteArray& image, QString* error) {
    return fromElf(ElfFile::fromImage(image, error), error);
}

QByteArray encodeGuidResource(const Guid& id) {
    ByteWriter out;
    out.u32(16);
    out.guid(id);
    return out.data();
}

std::optional<Guid> decodeGuidResource(QByteArrayView data, QString* error) {
    const ByteReader in(data);
    if (in.size() != 20 || in.u32(0) != 16) {
        *error =
            QStringLiteral("标识符资源应为长度 16 加 16 字节的标识符, 实为 %1 字节").arg(in.size());
        return std::nullopt;
    }
    return in.guid(4);
}

}  // namespace com

#include "com/VersionRecord.h"

#include <QStringDecoder>

#include "com/ByteReader.h"

namespace com {

bool VersionRecord::has(QStringView key) const {
    for (const auto& [k, v] : strings)
        if (k == key) return true;
    return false;
}

QString VersionRecord::value(QStringView key) const {
    for (const auto& [k, v] : strings)
        if (k == key) return v;
    return {};
}

QString VersionRecord::versionText(const Version& v) {
    return QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}

QByteArray encodeVersionRecord(const VersionRecord& record) {
    ByteWriter out;
    out.bytes("VREC");
    out.u16(1);
    out.u16(0);
    for (uint16_t part : record.fileVersion) out.u16(part);
    for (uint16_t part : record.productVersion) out.u16(part);
    out.u16(record.language);
    out.u16(record.codePage);
    out.u32(uint32_t(record.strings.size()));
    for (const auto& [key, value] : record.strings) {
        const QByteArray k = key.toUtf8(), v = value.toUtf8();
        out.u16(uint16_t(k.size()));
        out.u16(uint16_t(v.size()));
        out.bytes(k);
        out.bytes(v);
    }
    return out.data();
}

std::optional<VersionRecord> decodeVersionRecord(QByteArrayView bytes, QString* error) {
    const ByteReader in(bytes);
    const auto damaged = [&](const QString& what) {
        *error = QStringLiteral("版本记录已损坏: ") + what;
        return std::nullopt;
    };
    if (in.size() < 32) return damaged(QStringLiteral("只有 %1 字节").arg(in.size()));
    if (in.bytes(0, 4) != QByteArrayView("VREC"))
        return damaged(QStringLiteral("开头的标识不是 \"VREC\""));
    if (in.u16(4) != 1 || in.u16(6) != 0)
        return damaged(QStringLiteral("不支持的格式版本 %1").arg(in.u16(4)));
    VersionRecord r;
    for (int i = 0; i < 4; ++i) {
        r.fileVersion[i] = in.u16(8 + 2 * i);
        r.productVersion[i] = in.u16(16 + 2 * i);
    }
    r.language = in.u16(24);
    r.codePage = in.u16(26);
    const uint32_t count = in.u32(28);
    quint64 at = 32;
    for (uint32_t i = 0; i < count; ++i) {
        const quint64 keyLength = in.u16(at), valueLength = in.u16(at + 2);
        if (!in.contains(at, 4 + keyLength + valueLength))
            return damaged(QStringLiteral("第 %1 条文字 (偏移 %2) 超出记录的末尾").arg(i).arg(at));
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString key = decode(in.bytes(at + 4, keyLength));
        const QString value = decode(in.bytes(at + 4 + keyLength, valueLength));
        if (decode.hasError() || key.isEmpty())
            return damaged(QStringLiteral("第 %1 条文字的名字为空或不是有效的 UTF-8").arg(i));
        r.strings.append({key, value});
        at += 4 + keyLength + valueLength;
    }
    if (at != in.size())
        return damaged(
            QStringLiteral("记录在 %1 字节处就该结束, 却有 %2 字节").arg(at).arg(in.size()));
    if (in.overrun()) return damaged(QStringLiteral("读取越界"));
    return r;
}

}  // namespace com

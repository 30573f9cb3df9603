#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <array>
#include <optional>

namespace com {

// The version record a program or component carries as resource VERSION 1:
// its file and product versions as numbers, the language and code page its
// texts are in, and named texts ("ProductName", "FileVersion", ...). An
// entry present with an empty text still counts ("OLESelfRegister" marks a
// component that registers itself).
struct VersionRecord {
    using Version = std::array<uint16_t, 4>;  // major, minor, build, revision
    Version fileVersion{}, productVersion{};
    uint16_t language = 0;  // 0x0804: Chinese (PRC)
    uint16_t codePage = 0;  // 0x04B0: Unicode
    QList<QPair<QString, QString>> strings;

    bool has(QStringView key) const;
    QString value(QStringView key) const;
    static QString versionText(const Version& v);  // "1.3.0.24"

    friend bool operator==(const VersionRecord&, const VersionRecord&) = default;
};

// The record's format, little-endian, strings UTF-8 without terminator:
//    0  4  magic "VREC"
//    4  2  format major version (1)    6  2  reserved, 0
//    8  8  file version: major, minor, build, revision (u16 each)
//   16  8  product version, the same way
//   24  2  language                    26  2  code page
//   28  4  number of texts
//   32     the texts, one after another: u16 key length, u16 value length,
//          key bytes, value bytes; the last one ends the record exactly.
QByteArray encodeVersionRecord(const VersionRecord& record);
std::optional<VersionRecord> decodeVersionRecord(QByteArrayView bytes, QString* error);

}  // namespace com

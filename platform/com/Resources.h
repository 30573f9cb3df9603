#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

#include "com/Guid.h"

namespace com {

// Resources: typed, numbered pieces of data a program or component carries
// inside its file (its type library, its toolbox picture, its interface
// identifiers, its version record), readable from the file without loading
// it. A type is a number (ResourceType) or a name ("TYPELIB").
namespace ResourceType {
constexpr uint16_t Bitmap = 2;    // BitmapResource.h
constexpr uint16_t Version = 16;  // VersionRecord.h
}  // namespace ResourceType

struct Resource {
    uint16_t typeNumber = 0;  // 0 for a named type
    QString typeName;         // empty for a numbered type
    uint32_t id = 0;
    QByteArray data;

    // "BITMAP", "VERSION", "#7" or the type's name, as tools print it.
    QString typeText() const;
};

struct ResourceTable {
    QList<Resource> entries;

    const Resource* find(QStringView typeName, uint32_t id) const;
    const Resource* find(uint16_t typeNumber, uint32_t id) const;
};

// The ELF section that holds them, added to the file after linking. It
// occupies no memory when the file is loaded.
inline constexpr char kResourceSection[] = ".rsrc";

// The section's format. Little-endian; offsets count from the section's
// start; names are UTF-8 without terminator.
//
// Header, 16 bytes:
//    0  4  magic "RSRC"
//    4  2  format major version (1); a reader refuses any other
//    6  2  format minor version (0)
//    8  4  entry count
//   12  4  total length of the section in bytes
// Directory, right after the header, one 24-byte entry per resource:
//    0  2  type number (0: the type is named)
//    2  2  reserved, 0
//    4  4  type name offset     8  4  type name length (0 for a numbered type)
//   12  4  resource number
//   16  4  data offset         20  4  data length
// Names and data follow the directory; the writer starts each piece of
// data on a 4-byte boundary. A type and number occur at most once.
QByteArray encodeResources(const ResourceTable& table);
std::optional<ResourceTable> decodeResources(QByteArrayView section, QString* error);

// The resources of an ELF file, read from its section table without
// loading it. A file without the section has none. nullopt with error when
// the file cannot be read, is not a 64-bit little-endian ELF file, or any
// part of it that is read lies out of place.
std::optional<ResourceTable> readResources(const QString& path, QString* error);
// The same for a file image already in memory.
std::optional<ResourceTable> readResourcesFromImage(const QByteArray& image, QString* error);

// An identifier resource ("_IID_..." and "_SRCIID_...") is a u32 length,
// 16, followed by the identifier's 16 bytes in text order.
QByteArray encodeGuidResource(const Guid& id);
std::optional<Guid> decodeGuidResource(QByteArrayView data, QString* error);

}  // namespace com

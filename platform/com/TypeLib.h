#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

#include "com/Dispatch.h"
#include "com/Guid.h"

namespace com {

// A type library: what a component says about itself to its hosts. The
// library's identity, the libraries it imports, and its types: classes,
// interfaces callable through their accessor table and by dispatch
// identifier (dual), and dispatch-only interfaces (a control's events).
// Components carry it compiled, as resource "TYPELIB" 1 of their file; the
// compiler is tools/tlbc, which reads a readable description kept beside
// the component's code.

enum class TypeKind : uint8_t { Class = 1, Interface = 2, DispatchInterface = 3 };

namespace TypeFlags {
constexpr uint16_t Hidden = 0x01;     // not shown in a host's object browser
constexpr uint16_t Control = 0x02;    // a class that is a control
constexpr uint16_t CanCreate = 0x04;  // a class hosts may create
constexpr uint16_t Dual = 0x08;       // an interface also reachable by dispatch identifier
constexpr uint16_t All = 0x0F;
}  // namespace TypeFlags

// The numbers are automation's variant types.
enum class DataType : uint16_t { Int16 = 2, Int32 = 3, Bool = 11, Void = 24, HResult = 25 };

// As a dispatch call names them (InvokeKind).
enum class MemberKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

namespace ParamFlags {
constexpr uint16_t In = 0x01;
constexpr uint16_t Out = 0x02;
constexpr uint16_t RetVal = 0x04;  // the property value of an accessor
constexpr uint16_t ByRef = 0x08;   // passed by reference: the callee may change it
constexpr uint16_t All = 0x0F;
}  // namespace ParamFlags

namespace RefFlags {
constexpr uint16_t Base = 0x01;     // the interface this one extends
constexpr uint16_t Default = 0x02;  // a class's default interface (or default event interface)
constexpr uint16_t Source = 0x04;   // an interface the class calls: its events
constexpr uint16_t All = 0x07;
}  // namespace RefFlags

constexpr uint16_t kNoSlot = 0xFFFF;

struct TypeLibParam {
    QString name;
    DataType type = DataType::Int32;
    uint16_t flags = 0;  // ParamFlags
    bool byRef() const { return flags & ParamFlags::ByRef; }
    friend bool operator==(const TypeLibParam&, const TypeLibParam&) = default;
};

struct TypeLibMember {
    QString name;
    DispId dispId = 0;
    MemberKind kind = MemberKind::Method;
    // Place in the interface's accessor table, after those of its base:
    // the order callers through the table bound to. kNoSlot in a
    // dispatch-only interface.
    uint16_t slot = kNoSlot;
    DataType returnType = DataType::HResult;
    QList<TypeLibParam> params;
    friend bool operator==(const TypeLibMember&, const TypeLibMember&) = default;
};

// A type another type names: a base interface, or an interface a class
// implements or sources. Either in this library (import -1) or in one of
// its imports (index into TypeLibrary::imports).
struct TypeLibRef {
    Guid id;
    QString name;
    int import = -1;
    uint16_t flags = 0;  // RefFlags
    friend bool operator==(const TypeLibRef&, const TypeLibRef&) = default;
};

struct TypeLibType {
    Guid id;
    TypeKind kind = TypeKind::Interface;
    uint16_t flags = 0;  // TypeFlags
    uint16_t major = 0, minor = 0;
    QString name;
    QString helpString;
    QList<TypeLibMember> members;  // in slot order
    QList<TypeLibRef> refs;
    friend bool operator==(const TypeLibType&, const TypeLibType&) = default;
};

struct TypeLibImport {
    Guid id;
    uint16_t major = 0, minor = 0;
    uint32_t locale = 0;
    QString name;
    friend bool operator==(const TypeLibImport&, const TypeLibImport&) = default;
};

struct TypeLibrary {
    Guid id;
    uint16_t major = 0, minor = 0;
    uint32_t locale = 0;
    uint16_t flags = 0;  // TypeLibFlags (ComponentServer.h)
    QString name;
    QString helpString;
    QList<TypeLibImport> imports;
    QList<TypeLibType> types;

    const TypeLibType* find(const Guid& id) const;
    const TypeLibType* findByName(QStringView name) const;
    // The dispatch identifier of a member of an interface, by name, ignoring
    // case as late binding does; nullopt when the interface has no such
    // member.
    std::optional<DispId> idOfName(const Guid& interfaceId, QStringView member) const;

    friend bool operator==(const TypeLibrary&, const TypeLibrary&) = default;
};

// The compiled form, a compact little-endian binary. Every number is
// little-endian, every identifier its 16 bytes in the order they are
// written in text, every string a reference (u32 offset into the string
// table, u32 length in bytes) to UTF-8 text without terminator.
//
// Header, 108 bytes:
//     0  4  magic "RTLB"
//     4  2  format major version (1); a reader refuses any other
//     6  2  format minor version (0); a reader accepts a higher one
//     8  4  total length of the type library in bytes
//    12  4  reserved, 0
//    16 16  library identifier
//    32  2  library major version    34  2  library minor version
//    36  4  locale                   40  2  library flags (TypeLibFlags)
//    42  2  reserved, 0
//    44  8  name (string)            52  8  help string (string)
//    60  8  string table: offset, length in bytes
//    68  8  import table: offset, count of 32-byte records
//    76  8  type table: offset, count of 56-byte records
//    84  8  reference table: offset, count of 28-byte records
//    92  8  member table: offset, count of 24-byte records
//   100  8  parameter table: offset, count of 12-byte records
//
// Import (32): identifier 16, major 2, minor 2, locale 4, name 8.
// Type (56): identifier 16, kind 1 (TypeKind), reserved 1, flags 2
//   (TypeFlags), major 2, minor 2, name 8, help string 8, first member 4,
//   member count 4, first reference 4, reference count 4.
// Reference (28): identifier 16, import 2 (0xFFFF: this library), flags 2
//   (RefFlags), name 8.
// Member (24): dispatch identifier 4 (signed), kind 1 (MemberKind),
//   reserved 1, slot 2 (0xFFFF: none), name 8, return type 2 (DataType),
//   parameter count 2, first parameter 4.
// Parameter (12): name 8, type 2 (DataType), flags 2 (ParamFlags).
//
// Tables lie after the header, inside the total length. Each type owns the
// next run of members and references, each member the next run of
// parameters: the runs follow one another without gaps, in table order.
// A reference into this library names a type of it; a reference to an
// import names an import. An interface's members hold their slots in
// order, 0, 1, 2, ...; a dispatch-only interface's members have none.
QByteArray encodeTypeLib(const TypeLibrary& library);

// Reads a compiled type library back, checking every offset, count, string
// and reference. nullopt when anything is out of place, with error saying
// what and where; never reads outside bytes.
std::optional<TypeLibrary> decodeTypeLib(QByteArrayView bytes, QString* error);

// How the names of the format print, for tools and messages.
QString typeKindName(TypeKind kind);
QString dataTypeName(DataType type);

}  // namespace com

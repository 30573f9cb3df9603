// The compiled type library's writing side; the layout is described in
// TypeLib.h.
#include <QHash>

#include "com/ByteReader.h"
#include "com/TypeLib.h"

namespace com {

namespace {
constexpr uint32_t kHeaderSize = 108;

// Each distinct text is stored once.
class StringTable {
public:
    void write(ByteWriter& out, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        auto it = m_offsets.constFind(utf8);
        if (it == m_offsets.cend()) {
            it = m_offsets.insert(utf8, uint32_t(m_bytes.size()));
            m_bytes.append(utf8);
        }
        out.u32(*it);
        out.u32(uint32_t(utf8.size()));
    }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QHash<QByteArray, uint32_t> m_offsets;
    QByteArray m_bytes;
};

// Where a table landed, for the header.
struct Table {
    uint32_t offset = 0, count = 0;
};
}  // namespace

QByteArray encodeTypeLib(const TypeLibrary& lib) {
    StringTable strings;
    ByteWriter body;  // everything after the header, offsets relative to the file
    auto here = [&] { return uint32_t(kHeaderSize + body.size()); };

    Table imports{here(), uint32_t(lib.imports.size())};
    for (const TypeLibImport& i : lib.imports) {
        body.guid(i.id);
        body.u16(i.major);
        body.u16(i.minor);
        body.u32(i.locale);
        strings.write(body, i.name);
    }

    Table types{here(), uint32_t(lib.types.size())};
    uint32_t memberCount = 0, refCount = 0;
    for (const TypeLibType& t : lib.types) {
        body.guid(t.id);
        body.u8(uint8_t(t.kind));
        body.u8(0);
        body.u16(t.flags);
        body.u16(t.major);
        body.u16(t.minor);
        strings.write(body, t.name);
        strings.write(body, t.helpString);
        body.u32(memberCount);
        body.u32(uint32_t(t.members.size()));
        body.u32(refCount);
        body.u32(uint32_t(t.refs.size()));
        memberCount += uint32_t(t.members.size());
        refCount += uint32_t(t.refs.size());
    }

    Table refs{here(), refCount};
    for (const TypeLibType& t : lib.types) {
        for (const TypeLibRef& r : t.refs) {
            body.guid(r.id);
            body.u16(r.import < 0 ? 0xFFFF : uint16_t(r.import));
            body.u16(r.flags);
            strings.write(body, r.name);
        }
    }

    Table members{here(), memberCount};
    uint32_t paramCount = 0;
    for (const TypeLibType& t : lib.types) {
        for (const TypeLibMember& m : t.members) {
            body.u32(uint32_t(m.dispId));
            body.u8(uint8_t(m.kind));
            body.u8(0);
            body.u16(m.slot);
            strings.write(body, m.name);
            body.u16(uint16_t(m.returnType));
            body.u16(uint16_t(m.params.size()));
            body.u32(paramCount);
            paramCount += uint32_t(m.params.size());
        }
    }

    Table params{here(), paramCount};
    for (const TypeLibType& t : lib.types) {
        for (const TypeLibMember& m : t.members) {
            for (const TypeLibParam& p : m.params) {
                strings.write(body, p.name);
                body.u16(uint16_t(p.type));
                body.u16(p.flags);
            }
        }
    }

    // The library's own strings go into the table before it is laid down.
    ByteWriter libraryStrings;
    strings.write(libraryStrings, lib.name);
    strings.write(libraryStrings, lib.helpString);
    Table stringTable{here(), uint32_t(strings.bytes().size())};
    body.bytes(strings.bytes());
    body.align(4);

    ByteWriter out;
    out.bytes("RTLB");
    out.u16(1);
    out.u16(0);
    out.u32(uint32_t(kHeaderSize + body.size()));
    out.u32(0);
    out.guid(lib.id);
    out.u16(lib.major);
    out.u16(lib.minor);
    out.u32(lib.locale);
    out.u16(lib.flags);
    out.u16(0);
    out.bytes(libraryStrings.data());
    for (const Table& t : {stringTable, imports, types, refs, members, params}) {
        out.u32(t.offset);
        out.u32(t.count);
    }
    Q_ASSERT(out.size() == kHeaderSize);
    out.bytes(body.data());
    return out.data();
}

}  // namespace com

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

#include "com/Guid.h"

namespace com {

// Reads little-endian numbers out of bytes that came from a file. Every read
// is checked: one that would leave the data returns zero and marks the
// reader as overrun, so a damaged file can never make it read past the end.
// The decoders check each table's extent first, to say precisely what is
// wrong; overrun() is the net under that.
class ByteReader {
public:
    explicit ByteReader(QByteArrayView data) : m_data(data) {}

    quint64 size() const { return quint64(m_data.size()); }
    // Whether [offset, offset + length) lies inside the data, without
    // overflowing for any offset and length.
    bool contains(quint64 offset, quint64 length) const {
        return offset <= size() && length <= size() - offset;
    }

    uint8_t u8(quint64 at) const { return contains(at, 1) ? byte(at) : fail(); }
    uint16_t u16(quint64 at) const {
        return contains(at, 2) ? uint16_t(byte(at) | byte(at + 1) << 8) : fail();
    }
    uint32_t u32(quint64 at) const {
        if (!contains(at, 4)) return fail();
        return uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8 | uint32_t(byte(at + 2)) << 16 |
               uint32_t(byte(at + 3)) << 24;
    }
    uint64_t u64(quint64 at) const { return uint64_t(u32(at)) | uint64_t(u32(at + 4)) << 32; }
    // Identifiers are stored as their sixteen bytes in text order.
    Guid guid(quint64 at) const {
        Guid g;
        if (!contains(at, 16)) return fail(), g;
        for (int i = 0; i < 16; ++i) g.bytes[i] = byte(at + i);
        return g;
    }
    QByteArrayView bytes(quint64 at, quint64 length) const {
        if (!contains(at, length)) return fail(), QByteArrayView();
        return m_data.sliced(qsizetype(at), qsizetype(length));
    }

    bool overrun() const { return m_overrun; }

private:
    uint8_t byte(quint64 at) const { return uint8_t(m_data[qsizetype(at)]); }
    uint8_t fail() const {
        m_overrun = true;
        return 0;
    }

    QByteArrayView m_data;
    mutable bool m_overrun = false;
};

// The writing side: appends little-endian numbers.
class ByteWriter {
public:
    void u8(uint8_t v) { m_data.append(char(v)); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void guid(const Guid& g) {
        for (uint8_t b : g.bytes) u8(b);
    }
    void bytes(QByteArrayView b) { m_data.append(b); }
    void align(int to) {
        while (m_data.size() % to) u8(0);
    }
    // Overwrites a number written before, once its value is known.
    void patchU32(qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i) m_data[at + i] = char(uint8_t(v >> (8 * i)));
    }

    qsizetype size() const { return m_data.size(); }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

}  // namespace com

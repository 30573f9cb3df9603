#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>

namespace com {

// A 16-byte identifier of a class, an interface or a type library, written
// as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". Identifiers are fixed in the
// code as text and parsed at compile time, so a typo fails the build.
struct Guid {
    std::array<uint8_t, 16> bytes{};

    static constexpr Guid parse(const char* text);
    // Accepts the braced form, or the bare one; nullopt for anything else.
    static std::optional<Guid> fromString(QStringView text);
    // Braced, upper case.
    QString toString() const;
    // Without braces, for places where braces would be escaped.
    QString toBareString() const;

    bool isNull() const { return *this == Guid{}; }
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

namespace detail {
constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace detail

constexpr Guid Guid::parse(const char* text) {
    // Byte order is the text order, which is all the identifiers here need:
    // they are compared and written back, never exchanged in binary.
    Guid g;
    int at = (text[0] == '{') ? 1 : 0;
    for (int i = 0; i < 16; ++i) {
        if (text[at] == '-') ++at;
        const int hi = detail::hexDigit(text[at]), lo = detail::hexDigit(text[at + 1]);
        if (hi < 0 || lo < 0) throw "malformed identifier";
        g.bytes[i] = uint8_t(hi * 16 + lo);
        at += 2;
    }
    return g;
}

}  // namespace com

#include "com/Guid.h"

namespace com {

std::optional<Guid> Guid::fromString(QStringView text) {
    text = text.trimmed();
    if (text.startsWith(u'{') != text.endsWith(u'}')) return std::nullopt;
    if (text.startsWith(u'{')) text = text.mid(1, text.size() - 2);
    if (text.size() != 36) return std::nullopt;
    Guid g;
    int at = 0;
    for (int i = 0; i < 16; ++i) {
        if (at == 8 || at == 13 || at == 18 || at == 23) {
            if (text[at] != u'-') return std::nullopt;
            ++at;
        }
        const int hi = detail::hexDigit(char(text[at].unicode() & 0x7F));
        const int lo = detail::hexDigit(char(text[at + 1].unicode() & 0x7F));
        if (hi < 0 || lo < 0 || text[at].unicode() > 0x7F || text[at + 1].unicode() > 0x7F)
            return std::nullopt;
        g.bytes[i] = uint8_t(hi * 16 + lo);
        at += 2;
    }
    return g;
}

QString Guid::toBareString() const {
    QString out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += u'-';
        out += QString::asprintf("%02X", bytes[i]);
    }
    return out;
}

QString Guid::toString() const { return u'{' + toBareString() + u'}'; }

}  // namespace com

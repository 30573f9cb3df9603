#include "settings/IniDocument.h"

#include <cstring>

namespace settings {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// QString::fromUtf8 drops a byte-order mark at the start of what it is
// given; inside a value or a name it is a character like any other.
QString fromUtf8Keeping(QByteArrayView bytes) {
    if (!bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes);
    return QChar(0xFEFF) + fromUtf8Keeping(bytes.sliced(3));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHexDigit(char16_t c) { return c < 0x80 && hexValue(char(c)) >= 0; }

bool endsWithLoneBackslash(QByteArrayView line) {
    qsizetype count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == '\\') ++count;
    return count % 2 == 1;
}

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.sliced(begin, end - begin);
}

// Section and key names: %XX and %UXXXX stand for characters that may not
// appear plainly.
QString decodeName(QByteArrayView text) {
    if (!text.contains('%')) return fromUtf8Keeping(text);
    QString out;
    QByteArray plain;
    auto flush = [&] {
        out += fromUtf8Keeping(plain);
        plain.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 5 < text.size() && text[i + 1] == 'U') {
            int code = 0;
            bool ok = true;
            for (int k = 2; k < 6; ++k) {
                const int h = hexValue(text[i + k]);
                ok = ok && h >= 0;
                code = code * 16 + h;
            }
            if (ok) {
                flush();
                out += QChar(char16_t(code));
                i += 5;
                continue;
            }
        }
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            flush();
            out += QChar(char16_t(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
            continue;
        }
        plain += text[i];
    }
    flush();
    return out;
}

bool isPlainNameChar(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

void encodeName(const QString& name, QByteArray& out) {
    static const char hex[] = "0123456789ABCDEF";
    for (const QChar qc : name) {
        const char16_t c = qc.unicode();
        if (isPlainNameChar(c)) {
            out += char(c);
        } else if (c < 0x100) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
        }
    }
}

QString sectionName(QByteArrayView header) {
    // Keys outside any group live in [General]; a group really named
    // "General" is written [%General].
    if (header == "General") return QString();
    if (header == "%General") return QStringLiteral("General");
    return decodeName(header);
}

// What a stored text stands for once its '@' marks are read: "@@x" is the
// text "@x", "@ByteArray(x)" the bytes x.
QString fromStoredText(QString text) {
    if (!text.startsWith(u'@')) return text;
    if (text.startsWith(u"@@")) return text.mid(1);
    if (text == u"@Invalid()") return QString();
    if (text.startsWith(u"@ByteArray(") && text.endsWith(u')'))
        return text.mid(11, text.size() - 12);
    return text;
}
}  // namespace

QString IniDocument::unescapeValue(QByteArrayView text) {
    // Most values are plain: no quotes, escapes, lists or comments.
    const QByteArrayView plain = trimmed(text);
    bool special = false;
    for (char c : plain)
        if (c == '"' || c == '\\' || c == ',' || c == ';') {
            special = true;
            break;
        }
    if (!special) return fromStoredText(fromUtf8Keeping(plain));

    QStringList parts;
    QString current;
    QByteArray pendingUtf8;  // raw bytes not yet decoded
    QByteArray pendingBlanks;
    bool quoted = false;
    bool afterText = false;  // the last thing outside quotes was text
    auto flushUtf8 = [&] {
        if (pendingUtf8.isEmpty()) return;
        current += fromUtf8Keeping(pendingUtf8);
        pendingUtf8.clear();
    };
    auto appendCode = [&](uint code) {
        flushUtf8();
        // Half of a surrogate pair on its own is no character: no file name
        // holds one, and UTF-8 cannot write it back.
        const char32_t point = code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code;
        current += QString::fromUcs4(&point, 1);
    };
    auto endPart = [&] {
        flushUtf8();
        parts << current;
        current.clear();
        pendingBlanks.clear();
        afterText = false;
    };

    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    while (i < n) {
        const char c = text[i];
        if (!quoted && isBlank(c)) {
            pendingBlanks += c;
            ++i;
            continue;
        }
        if (!quoted && (c == ';')) break;
        if (!quoted && c == ',') {
            endPart();
            ++i;
            while (i < n && isBlank(text[i])) ++i;
            continue;
        }
        if (!quoted && afterText && !pendingBlanks.isEmpty() && c != '"')
            pendingUtf8 += pendingBlanks;
        pendingBlanks.clear();
        if (c == '"') {
            quoted = !quoted;
            afterText = false;
            ++i;
            continue;
        }
        afterText = !quoted;
        if (c != '\\') {
            pendingUtf8 += c;
            ++i;
            continue;
        }
        // An escape.
        if (++i >= n) break;
        const char e = text[i++];
        switch (e) {
            case 'a':
                appendCode('\a');
                break;
            case 'b':
                appendCode('\b');
                break;
            case 'f':
                appendCode('\f');
                break;
            case 'n':
                appendCode('\n');
                break;
            case 'r':
                appendCode('\r');
                break;
            case 't':
                appendCode('\t');
                break;
            case 'v':
                appendCode('\v');
                break;
            case 'x': {
                uint code = 0;
                while (i < n && hexValue(text[i]) >= 0 && code <= 0x10FFFF)
                    code = code * 16 + hexValue(text[i++]);
                appendCode(code <= 0x10FFFF ? code : 0xFFFD);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint code = e - '0';
                    while (i < n && text[i] >= '0' && text[i] <= '7' && code < 0x10000)
                        code = code * 8 + (text[i++] - '0');
                    appendCode(code);
                } else {
                    pendingUtf8 += e;  // \" \\ \' \? and anything else stand for themselves
                }
        }
    }
    flushUtf8();
    parts << current;
    for (QString& part : parts) part = fromStoredText(part);
    return parts.join(u',');
}

QByteArray IniDocument::escapeValue(const QString& value) {
    QByteArray out;
    appendEscaped(value, out);
    return out;
}

void IniDocument::appendEscaped(const QString& value, QByteArray& out) {
    const qsizetype start = out.size();
    const qsizetype length = value.size();
    const QChar* chars = value.constData();
    // Most values are printable ASCII that needs neither escapes nor quotes:
    // copy those in one go.
    bool plain = length > 0 && chars[0] != u'@' && chars[0] != u' ' && chars[length - 1] != u' ';
    for (qsizetype i = 0; plain && i < length; ++i) {
        const char16_t c = chars[i].unicode();
        plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != ';' && c != ',' && c != '=';
    }
    if (plain) {
        out.resize(start + length);
        char* to = out.data() + start;
        for (qsizetype i = 0; i < length; ++i) to[i] = char(chars[i].unicode());
        return;
    }

    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    if (value.startsWith(u'@')) out += '@';
    const qsizetype n = value.size();
    const QChar* text = value.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(c)) {
            out += "\\x" + QByteArray::number(uint(c), 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case 0:
                out += "\\0";
                escapeNextIfHex = true;
                break;
            case '\a':
                out += "\\a";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\v':
                out += "\\v";
                break;
            case '"':
            case '\\':
                out += '\\';
                out += char(c);
                break;
            default:
                if (c <= 0x1F) {
                    out += "\\x" + QByteArray::number(uint(c), 16);
                    escapeNextIfHex = true;
                } else if (c < 0x80) {
                    out += char(c);
                } else {
                    // A run of non-ASCII characters, surrogate pairs whole.
                    qsizetype end = i + 1;
                    while (end < n && text[end].unicode() >= 0x80) ++end;
                    out += QStringView(text + i, end - i).toUtf8();
                    i = end - 1;
                }
        }
    }
    if (out.size() > start && (needsQuotes || out.at(start) == ' ' || out.back() == ' ')) {
        out.insert(start, '"');
        out += '"';
    }
}

IniDocument IniDocument::parse(QByteArrayView bytes) {
    IniDocument doc;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    if (std::memchr(bytes.data(), 0, size_t(bytes.size())) != nullptr)
        doc.m_damage = Damage::NotSettings;
    else if (!bytes.isValidUtf8())
        doc.m_damage = Damage::NotUtf8;
    auto markDamaged = [&doc] {
        if (doc.m_damage == Damage::None) doc.m_damage = Damage::NotSettings;
    };
    // A rough count of sections spares the tables their regrowth.
    const qsizetype expected = bytes.size() / 40;
    doc.m_sections.reserve(size_t(expected));
    doc.m_index.reserve(expected);
    QString section;
    // Keys repeat from section to section ("value", mostly): decode each
    // spelling once and share the text.
    QByteArray lastKeyBytes;
    QString lastKey;
    QByteArray joined;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    auto lineEnd = [end](const char* from) {
        while (from < end && *from != '\n' && *from != '\r') ++from;
        return from;
    };
    auto nextLine = [end](const char* eol) {
        if (eol < end && *eol == '\r') ++eol;
        if (eol < end && *eol == '\n') ++eol;
        return eol;
    };
    for (const char* at = begin; at < end;) {
        const char* eol = lineEnd(at);
        QByteArrayView line(at, eol - at);
        at = nextLine(eol);
        // A value continues on the next line after a trailing backslash
        // (one that is not itself escaped).
        if (endsWithLoneBackslash(line) && at < end) {
            joined = line.chopped(1).toByteArray();
            while (at < end) {
                eol = lineEnd(at);
                const QByteArrayView more(at, eol - at);
                at = nextLine(eol);
                if (!endsWithLoneBackslash(more)) {
                    joined += more;
                    break;
                }
                joined += more.chopped(1);
            }
            line = joined;
        }
        line = trimmed(line);
        if (line.isEmpty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            if (close < 0) markDamaged();
            section = sectionName(line.sliced(1, (close < 0 ? line.size() : close) - 1));
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) {
            markDamaged();
            continue;
        }
        const QByteArrayView keyBytes = trimmed(line.first(equals));
        if (keyBytes.isEmpty()) {
            markDamaged();
            continue;
        }
        if (keyBytes != QByteArrayView(lastKeyBytes)) {
            lastKeyBytes = keyBytes.toByteArray();
            lastKey = decodeName(keyBytes);
        }
        doc.set(section, lastKey, unescapeValue(line.sliced(equals + 1)));
    }
    return doc;
}

QByteArray IniDocument::serialize() const {
    QByteArray out;
    qsizetype estimate = 0;
    for (const Section& s : m_sections) estimate += 16 + qsizetype(s.entries.size()) * 64;
    out.reserve(estimate);
    bool first = true;
    for (const Section& s : m_sections) {
        if (s.entries.empty()) continue;
        if (!first) out += '\n';
        first = false;
        out += '[';
        if (s.name.isEmpty())
            out += "General";
        else if (s.name == u"General")
            out += "%General";
        else
            encodeName(s.name, out);
        out += "]\n";
        for (const auto& [key, value] : s.entries) {
            encodeName(key, out);
            out += '=';
            appendEscaped(value, out);
            out += '\n';
        }
    }
    return out;
}

const QString* IniDocument::find(const QString& section, const QString& key) const {
    const auto it = m_index.constFind(section);
    if (it == m_index.cend()) return nullptr;
    for (const auto& entry : m_sections[size_t(*it)].entries)
        if (entry.first == key) return &entry.second;
    return nullptr;
}

void IniDocument::set(const QString& section, const QString& key, const QString& value) {
    Section& s = sectionFor(section);
    for (auto& entry : s.entries)
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    s.entries.emplace_back(key, value);
}

IniDocument::Section& IniDocument::sectionFor(const QString& name) {
    const auto it = m_index.constFind(name);
    if (it != m_index.cend()) return m_sections[size_t(*it)];
    m_index.insert(name, int(m_sections.size()));
    m_sections.push_back(Section{name, {}});
    return m_sections.back();
}

}  // namespace settings

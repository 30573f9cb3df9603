#include "settings/IniDocument.h"

#include <cstring>

namespace settings {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool endsWithLoneBackslash(std::string_view line) {
    size_t count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == '\\') ++count;
    return count % 2 == 1;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

// The length of the well-formed UTF-8 sequence at text[i], its character
// in c; 0 when there is none.
size_t utf8At(std::string_view text, size_t i, char32_t& c) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) {
        c = b;
        return 1;
    }
    size_t length = 0;
    char32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, c = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

bool isValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        // Runs of ASCII, the common case, a word at a time.
        while (i + 8 <= text.size()) {
            uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if (word & 0x8080808080808080ull) break;
            i += 8;
        }
        if (i >= text.size()) break;
        char32_t c;
        const size_t length = utf8At(text, i, c);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Valid UTF-8 whatever the bytes: each byte that starts no well-formed
// character stands as U+FFFD, as Qt reads such text.
void appendValidUtf8(std::string_view bytes, std::string& out) {
    if (isValidUtf8(bytes)) {
        out.append(bytes);
        return;
    }
    for (size_t i = 0; i < bytes.size();) {
        char32_t c;
        const size_t length = utf8At(bytes, i, c);
        if (length == 0) {
            appendUtf8(kReplacement, out);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
}

// Section and key names: %XX and %UXXXX stand for characters that may not
// appear plainly; %U names a UTF-16 unit, so a character beyond the basic
// plane takes two.
std::string decodeName(std::string_view text) {
    std::string out;
    char16_t high = 0;  // the first half of a surrogate pair, waiting
    const auto unit = [&](char16_t u) {
        if (high && u >= 0xDC00 && u <= 0xDFFF) {
            appendUtf8(0x10000 + ((char32_t(high) - 0xD800) << 10) + (u - 0xDC00), out);
            high = 0;
            return;
        }
        if (high) appendUtf8(kReplacement, out);
        high = 0;
        if (u >= 0xD800 && u <= 0xDBFF)
            high = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            appendUtf8(kReplacement, out);
        else
            appendUtf8(u, out);
    };
    std::string plain;
    const auto flush = [&] {
        if (plain.empty()) return;
        if (high) appendUtf8(kReplacement, out);
        high = 0;
        appendValidUtf8(plain, out);
        plain.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 5 < text.size() && text[i + 1] == 'U') {
            int code = 0;
            bool ok = true;
            for (size_t k = 2; k < 6; ++k) {
                const int h = hexValue(text[i + k]);
                ok = ok && h >= 0;
                code = code * 16 + h;
            }
            if (ok) {
                flush();
                unit(char16_t(code));
                i += 5;
                continue;
            }
        }
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            flush();
            unit(char16_t(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
            continue;
        }
        plain += text[i];
    }
    flush();
    if (high) appendUtf8(kReplacement, out);
    return out;
}

bool isPlainNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

void encodeName(std::string_view name, std::string& out) {
    static const char hex[] = "0123456789ABCDEF";
    const auto percentU = [&](char16_t u) {
        out += "%U";
        for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 15];
    };
    for (size_t i = 0; i < name.size();) {
        char32_t c;
        size_t length = utf8At(name, i, c);
        if (length == 0) c = kReplacement, length = 1;
        i += length;
        if (c < 0x80 && isPlainNameChar(char(c))) {
            out += char(c);
        } else if (c < 0x100) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c < 0x10000) {
            percentU(char16_t(c));
        } else {
            percentU(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            percentU(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
}

bool plainName(std::string_view stored) { return stored.find('%') == std::string_view::npos; }

// What a stored text stands for once its '@' marks are read: "@@x" is the
// text "@x", "@ByteArray(x)" the bytes x.
std::string fromStoredText(std::string text) {
    if (text.empty() || text[0] != '@') return text;
    if (text.compare(0, 2, "@@") == 0) return text.substr(1);
    if (text == "@Invalid()") return {};
    if (text.compare(0, 11, "@ByteArray(") == 0 && text.back() == ')')
        return text.substr(11, text.size() - 12);
    return text;
}

uint64_t hashOf(std::string_view a, std::string_view b = {}) {
    uint64_t h = 14695981039346656037ull;
    for (char c : a) h = (h ^ uint8_t(c)) * 1099511628211ull;
    h = (h ^ 0xFF) * 1099511628211ull;
    for (char c : b) h = (h ^ uint8_t(c)) * 1099511628211ull;
    return h;
}

// An open-addressing table of ids + 1 (0 is free), sized to twice what it
// holds; the caller tells which id matches.
template <class Matches>
uint32_t* slotFor(std::vector<uint32_t>& slots, uint64_t hash, Matches&& matches) {
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask)
        if (slots[i] == 0 || matches(slots[i] - 1)) return &slots[i];
}
}  // namespace

std::string_view IniDocument::text(Span span) const {
    const std::string& from = (span.at & kAdded) ? m_added : m_text;
    return std::string_view(from).substr(span.at & ~kAdded, span.size);
}

IniDocument::Span IniDocument::keep(std::string_view piece) {
    const Span span{uint32_t(m_added.size()) | kAdded, uint32_t(piece.size())};
    m_added.append(piece);
    return span;
}

IniDocument::Span IniDocument::hold(std::string_view piece) {
    const char* begin = m_text.data();
    if (!m_text.empty() && piece.data() >= begin &&
        piece.data() + piece.size() <= begin + m_text.size())
        return Span{uint32_t(piece.data() - begin), uint32_t(piece.size())};
    return keep(piece);
}

IniDocument::Span IniDocument::name(std::string_view stored) {
    if (plainName(stored) && isValidUtf8(stored)) return hold(stored);
    return keep(decodeName(stored));
}

namespace {
// No quotes, escapes, lists or comments: the text is the value.
bool plainValue(std::string_view text) {
    for (char c : text)
        if (c == '"' || c == '\\' || c == ',' || c == ';') return false;
    return true;
}
}  // namespace

void IniDocument::decode(std::string_view stored, std::string& out) const {
    const std::string_view plain = trimmed(stored);
    if (!plainValue(plain) || (!plain.empty() && plain[0] == '@'))
        out += unescapeValue(stored);
    else if (m_utf8)
        out.append(plain);
    else
        appendValidUtf8(plain, out);
}

std::string IniDocument::unescapeValue(std::string_view stored) {
    // Most values are plain: no quotes, escapes, lists or comments.
    const std::string_view plain = trimmed(stored);
    if (plainValue(plain)) {
        std::string out;
        out.reserve(plain.size());
        appendValidUtf8(plain, out);
        return fromStoredText(std::move(out));
    }

    std::vector<std::string> parts;
    std::string current;
    std::string pendingUtf8;  // raw bytes not yet checked
    std::string pendingBlanks;
    bool quoted = false;
    bool afterText = false;  // the last thing outside quotes was text
    const auto flushUtf8 = [&] {
        appendValidUtf8(pendingUtf8, current);
        pendingUtf8.clear();
    };
    const auto appendCode = [&](uint32_t code) {
        flushUtf8();
        // Half of a surrogate pair on its own is no character: no file name
        // holds one, and UTF-8 cannot write it back.
        appendUtf8(code >= 0xD800 && code <= 0xDFFF ? kReplacement : char32_t(code), current);
    };
    const auto endPart = [&] {
        flushUtf8();
        parts.push_back(std::move(current));
        current.clear();
        pendingBlanks.clear();
        afterText = false;
    };

    size_t i = 0;
    const size_t n = stored.size();
    while (i < n && isBlank(stored[i])) ++i;
    while (i < n) {
        const char c = stored[i];
        if (!quoted && isBlank(c)) {
            pendingBlanks += c;
            ++i;
            continue;
        }
        if (!quoted && c == ';') break;
        if (!quoted && c == ',') {
            endPart();
            ++i;
            while (i < n && isBlank(stored[i])) ++i;
            continue;
        }
        if (!quoted && afterText && !pendingBlanks.empty() && c != '"')
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
        const char e = stored[i++];
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
                uint32_t code = 0;
                while (i < n && hexValue(stored[i]) >= 0 && code <= 0x10FFFF)
                    code = code * 16 + uint32_t(hexValue(stored[i++]));
                appendCode(code <= 0x10FFFF ? code : kReplacement);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t code = uint32_t(e - '0');
                    while (i < n && stored[i] >= '0' && stored[i] <= '7' && code < 0x10000)
                        code = code * 8 + uint32_t(stored[i++] - '0');
                    appendCode(code);
                } else {
                    pendingUtf8 += e;  // \" \\ \' \? and anything else stand for themselves
                }
        }
    }
    flushUtf8();
    parts.push_back(std::move(current));
    std::string joined;
    for (size_t p = 0; p < parts.size(); ++p) {
        if (p) joined += ',';
        joined += fromStoredText(std::move(parts[p]));
    }
    return joined;
}

std::string IniDocument::escapeValue(std::string_view value) {
    // Most values are printable ASCII that needs neither escapes nor quotes.
    bool plain =
        !value.empty() && value.front() != '@' && value.front() != ' ' && value.back() != ' ';
    for (size_t i = 0; plain && i < value.size(); ++i) {
        const char c = value[i];
        plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != ';' && c != ',' && c != '=';
    }
    if (plain) return std::string(value);

    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    const auto hexEscape = [&](uint32_t c) {
        static const char hex[] = "0123456789abcdef";
        out += "\\x";
        bool started = false;
        for (int shift = 28; shift >= 0; shift -= 4) {
            const uint32_t digit = (c >> shift) & 15;
            if (digit || started || shift == 0) {
                out += hex[digit];
                started = true;
            }
        }
    };
    if (!value.empty() && value.front() == '@') out += '@';
    for (size_t i = 0; i < value.size();) {
        char32_t c;
        size_t length = utf8At(value, i, c);
        if (length == 0) c = kReplacement, length = 1;
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfHex && c < 0x80 && hexValue(char(c)) >= 0) {
            hexEscape(c);
            i += length;
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
                    hexEscape(c);
                    escapeNextIfHex = true;
                } else if (c < 0x80) {
                    out += char(c);
                } else {
                    appendUtf8(c, out);
                }
        }
        i += length;
    }
    if (!out.empty() && (needsQuotes || out.front() == ' ' || out.back() == ' ')) {
        out.insert(out.begin(), '"');
        out += '"';
    }
    return out;
}

IniDocument IniDocument::parse(std::string bytes) {
    IniDocument doc;
    doc.m_text = std::move(bytes);
    std::string_view all = doc.m_text;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
    doc.m_utf8 = isValidUtf8(all);
    if (std::memchr(all.data(), 0, all.size()) != nullptr)
        doc.m_damage = Damage::NotSettings;
    else if (!doc.m_utf8)
        doc.m_damage = Damage::NotUtf8;
    const auto markDamaged = [&doc] {
        if (doc.m_damage == Damage::None) doc.m_damage = Damage::NotSettings;
    };
    // A rough count of entries spares the table its regrowth.
    doc.m_entries.reserve(all.size() / 40);

    // Keys outside any group live in [General].
    uint32_t section = UINT32_MAX;
    const auto generalSection = [&] {
        if (section == UINT32_MAX) section = doc.sectionFor({});
        return section;
    };
    // Keys repeat from section to section ("value", mostly): decode each
    // spelling once.
    std::string_view lastKeyStored;
    Span lastKey;
    std::string joined;
    size_t at = 0;
    const auto lineAt = [&](size_t& from) {
        size_t eol = from;
        while (eol < all.size() && all[eol] != '\n' && all[eol] != '\r') ++eol;
        const std::string_view line = all.substr(from, eol - from);
        if (eol < all.size() && all[eol] == '\r') ++eol;
        if (eol < all.size() && all[eol] == '\n') ++eol;
        from = eol;
        return line;
    };
    while (at < all.size()) {
        std::string_view line = lineAt(at);
        // A value continues on the next line after a trailing backslash
        // (one that is not itself escaped).
        if (endsWithLoneBackslash(line) && at < all.size()) {
            joined.assign(line.substr(0, line.size() - 1));
            while (at < all.size()) {
                const std::string_view more = lineAt(at);
                if (!endsWithLoneBackslash(more)) {
                    joined += more;
                    break;
                }
                joined.append(more.substr(0, more.size() - 1));
            }
            line = joined;
        }
        line = trimmed(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) markDamaged();
            const std::string_view header =
                line.substr(1, (close == std::string_view::npos ? line.size() : close) - 1);
            // A group really named "General" is written [%General].
            if (header == "General")
                section = doc.sectionFor({});
            else if (header == "%General")
                section = doc.sectionFor("General");
            else if (plainName(header) && isValidUtf8(header))
                section = doc.sectionFor(header);
            else
                section = doc.sectionFor(decodeName(header));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            markDamaged();
            continue;
        }
        const std::string_view keyStored = trimmed(line.substr(0, equals));
        if (keyStored.empty()) {
            markDamaged();
            continue;
        }
        if (keyStored != lastKeyStored || lastKeyStored.empty()) {
            lastKey = doc.name(keyStored);
            // A joined line's text does not outlive the next join.
            lastKeyStored = line.data() == joined.data() ? std::string_view() : keyStored;
        }
        const uint32_t inSection = generalSection();
        doc.m_entries.push_back(Entry{inSection, lastKey, doc.hold(line.substr(equals + 1))});
    }
    return doc;
}

uint32_t IniDocument::sectionFor(std::string_view wanted) {
    // Sections come one after another in a file: the last one is the likely
    // one.
    if (!m_sections.empty() && text(m_sections.back()) == wanted)
        return uint32_t(m_sections.size() - 1);
    if (m_sectionSlots.size() < 2 * m_sections.size() + 2) {
        size_t size = 16;
        while (size < 4 * m_sections.size() + 4) size *= 2;
        m_sectionSlots.assign(size, 0);
        for (uint32_t s = 0; s < m_sections.size(); ++s)
            *slotFor(m_sectionSlots, hashOf(text(m_sections[s])), [](uint32_t) { return false; }) =
                s + 1;
    }
    uint32_t* slot = slotFor(m_sectionSlots, hashOf(wanted),
                             [&](uint32_t s) { return text(m_sections[s]) == wanted; });
    if (*slot) return *slot - 1;
    m_sections.push_back(hold(wanted));
    *slot = uint32_t(m_sections.size());
    return uint32_t(m_sections.size() - 1);
}

int64_t IniDocument::lookUp(std::string_view section, std::string_view key) const {
    if (m_entries.empty()) return -1;
    if (m_slots.size() < 2 * m_entries.size() + 2) {
        size_t size = 16;
        while (size < 4 * m_entries.size() + 4) size *= 2;
        m_slots.assign(size, 0);
        for (uint32_t e = 0; e < m_entries.size(); ++e) indexEntry(e);
    }
    const uint32_t* slot = slotFor(m_slots, hashOf(section, key), [&](uint32_t e) {
        return text(m_sections[m_entries[e].section]) == section && text(m_entries[e].key) == key;
    });
    return *slot ? int64_t(*slot) - 1 : -1;
}

void IniDocument::indexEntry(uint32_t entry) const {
    const Entry& e = m_entries[entry];
    const std::string_view section = text(m_sections[e.section]), key = text(e.key);
    uint32_t* slot = slotFor(m_slots, hashOf(section, key), [&](uint32_t other) {
        return text(m_sections[m_entries[other].section]) == section &&
               text(m_entries[other].key) == key;
    });
    // Of a key given twice, the later counts.
    *slot = entry + 1;
}

bool IniDocument::current(uint32_t entry) const {
    const Entry& e = m_entries[entry];
    return lookUp(text(m_sections[e.section]), text(e.key)) == int64_t(entry);
}

std::optional<std::string> IniDocument::find(std::string_view section, std::string_view key) const {
    const int64_t e = lookUp(section, key);
    if (e < 0) return std::nullopt;
    return unescapeValue(text(m_entries[size_t(e)].value));
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const int64_t e = lookUp(section, key);
    if (e >= 0) {
        m_entries[size_t(e)].value = keep(escapeValue(value));
        return;
    }
    const uint32_t s = sectionFor(section);
    const Span keySpan = keep(key);
    m_entries.push_back(Entry{s, keySpan, keep(escapeValue(value))});
    if (m_slots.size() >= 2 * m_entries.size() + 2)
        indexEntry(uint32_t(m_entries.size() - 1));
    else
        m_slots.clear();  // rebuilt larger at the next look-up
}

std::string IniDocument::serialize() const {
    // Each section once, with its keys, in the order sections first came;
    // of a key given twice, the last.
    std::vector<uint32_t> firstOfSection(m_sections.size() + 1, 0);
    for (const Entry& e : m_entries) ++firstOfSection[e.section + 1];
    for (size_t s = 1; s < firstOfSection.size(); ++s) firstOfSection[s] += firstOfSection[s - 1];
    std::vector<uint32_t> order(m_entries.size());
    {
        std::vector<uint32_t> next(firstOfSection.begin(), firstOfSection.end() - 1);
        for (uint32_t e = 0; e < m_entries.size(); ++e) order[next[m_entries[e].section]++] = e;
    }
    std::string out;
    out.reserve(m_text.size() + m_added.size() + m_entries.size() * 8);
    bool first = true;
    for (uint32_t s = 0; s < m_sections.size(); ++s) {
        if (firstOfSection[s] == firstOfSection[s + 1]) continue;
        if (!first) out += '\n';
        first = false;
        out += '[';
        const std::string_view name = text(m_sections[s]);
        if (name.empty())
            out += "General";
        else if (name == "General")
            out += "%General";
        else
            encodeName(name, out);
        out += "]\n";
        for (uint32_t k = firstOfSection[s]; k < firstOfSection[s + 1]; ++k) {
            const Entry& e = m_entries[order[k]];
            if (!current(order[k])) continue;
            encodeName(text(e.key), out);
            out += '=';
            // What a damaged file holds is written the way it is read.
            if (damaged())
                out += escapeValue(unescapeValue(text(e.value)));
            else
                out += text(e.value);
            out += '\n';
        }
    }
    return out;
}

}  // namespace settings

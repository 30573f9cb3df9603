#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// The text of a settings file: sections of key = value lines, in the INI
// dialect that QSettings reads and writes, so either can read what the
// other wrote. Values are texts; quoting and escapes follow that dialect
// (quotes around values with ',', ';', '=' or outer spaces, backslash
// escapes for control characters, "@@" for a leading '@', %-escapes in
// section and key names).
//
// Texts are UTF-8 and nothing here is a Qt type, so a file can be read on
// a thread of its own before the program's Qt objects exist. The document
// keeps the file's bytes and points into them: a file of 32,767 sections
// costs one pass and one table of positions, and a value is decoded only
// when it is asked for.
class IniDocument {
public:
    // What in a file keeps it from being understood whole.
    enum class Damage {
        None,
        NotSettings,  // a NUL byte, a header without ']', a line that is no key = value
        NotUtf8,      // text in another encoding: its characters cannot be told
    };

    // Reads a file's bytes, UTF-8 with or without a byte-order mark. Damage
    // is read past as QSettings would read past it, and marks the whole as
    // damaged; what could be read is still there.
    static IniDocument parse(std::string bytes);
    std::string serialize() const;

    bool damaged() const { return m_damage != Damage::None; }
    Damage damage() const { return m_damage; }
    bool isEmpty() const { return m_entries.empty(); }
    // The file as it was read, byte for byte.
    std::string_view bytes() const { return m_text; }

    // The value, decoded; nothing when the key is absent.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);

    // Every entry in file order: its section and key names, decoded, and
    // its value as the file holds it (unescapeValue() decodes it).
    template <class Visit>
    void forEachStored(Visit&& visit) const {
        for (const Entry& e : m_entries)
            visit(text(m_sections[e.section]), text(e.key), text(e.value));
    }
    // Every (section, key, value) in file order, decoded; of a key given
    // twice, the last.
    template <class Visit>
    void forEach(Visit&& visit) const {
        for (uint32_t e = 0; e < m_entries.size(); ++e)
            if (current(e))
                visit(text(m_sections[m_entries[e].section]), text(m_entries[e].key),
                      unescapeValue(text(m_entries[e].value)));
    }

    // The text of one value as it stands after '=', and back. What is read
    // is always valid UTF-8: bytes that are not stand as U+FFFD.
    static std::string escapeValue(std::string_view value);
    static std::string unescapeValue(std::string_view stored);
    // A value of this document as stored (from forEachStored), decoded onto
    // the end of out: what the file holds is known to be UTF-8 or not.
    void decode(std::string_view stored, std::string& out) const;

private:
    // A stretch of m_text, or of m_added when the top bit of at is set.
    struct Span {
        uint32_t at = 0, size = 0;
    };
    static constexpr uint32_t kAdded = 0x80000000u;
    struct Entry {
        uint32_t section;  // into m_sections
        Span key;          // decoded
        Span value;        // as stored
    };

    std::string_view text(Span span) const;
    // A span for piece: where it stands in the file, else a copy.
    Span hold(std::string_view piece);
    Span keep(std::string_view piece);
    Span name(std::string_view stored);
    uint32_t sectionFor(std::string_view name);
    // The entry that counts for (section, key), or -1.
    int64_t lookUp(std::string_view section, std::string_view key) const;
    bool current(uint32_t entry) const;
    void indexEntry(uint32_t entry) const;

    std::string m_text;            // the file as read
    std::string m_added;           // names that needed decoding, values set since
    std::vector<Span> m_sections;  // decoded names, in order of first appearance
    std::vector<Entry> m_entries;
    // Open addressing over section names and over (section, key): number
    // + 1, 0 when free. The entries' table is built on the first look-up.
    std::vector<uint32_t> m_sectionSlots;
    mutable std::vector<uint32_t> m_slots;
    Damage m_damage = Damage::None;
    bool m_utf8 = true;  // the whole text is valid UTF-8
};

}  // namespace settings

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <vector>

namespace settings {

// The text of a settings file: sections of key = value lines, in the INI
// dialect that QSettings reads and writes, so either can read what the
// other wrote. Values are texts; quoting and escapes follow that dialect
// (quotes around values with ',', ';', '=' or outer spaces, backslash
// escapes for control characters, "@@" for a leading '@', %-escapes in
// section and key names).
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
    static IniDocument parse(QByteArrayView bytes);
    QByteArray serialize() const;

    bool damaged() const { return m_damage != Damage::None; }
    Damage damage() const { return m_damage; }

    // The value, or nullptr when the key is absent.
    const QString* find(const QString& section, const QString& key) const;
    void set(const QString& section, const QString& key, const QString& value);
    bool isEmpty() const { return m_sections.empty(); }

    // Every (section, key, value), in file order.
    template <class Visit>
    void forEach(Visit&& visit) const {
        for (const Section& s : m_sections)
            for (const auto& [key, value] : s.entries) visit(s.name, key, value);
    }

    // The text of one value as it stands after '=', and back.
    static QByteArray escapeValue(const QString& value);
    static QString unescapeValue(QByteArrayView text);

private:
    // Most sections hold one key: keep it inline, without an allocation of
    // its own, so that a playlist of 32,767 sections reads and writes fast.
    struct Section {
        QString name;
        QVarLengthArray<std::pair<QString, QString>, 1> entries;
    };
    static void appendEscaped(const QString& value, QByteArray& out);
    Section& sectionFor(const QString& name);

    std::vector<Section> m_sections;
    QHash<QString, int> m_index;
    Damage m_damage = Damage::None;
};

}  // namespace settings

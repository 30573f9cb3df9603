#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// Texts in order, each kept once, as UTF-8, in one buffer: 32,767 file
// paths cost little more than their characters, and a copy of the whole
// list (for a save on another thread) is two copies of memory. Building
// one needs no Qt type, so a list can be read before the application
// object exists.
class TextList {
public:
    int size() const { return int(m_ends.size()); }
    bool empty() const { return m_ends.empty(); }

    std::string_view utf8(int index) const {
        const uint32_t begin = index ? m_ends[size_t(index) - 1] : 0;
        return std::string_view(m_text).substr(begin, m_ends[size_t(index)] - begin);
    }
    // The text, a byte-order mark at its start kept as a character.
    QString at(int index) const;

    void append(std::string_view utf8);
    void append(const QString& text);
    void insert(int index, const QString& text);
    void remove(int index);
    void clear();
    void reserve(size_t count, size_t bytes);

    // Every text, in order.
    QStringList all() const;

    bool operator==(const TextList&) const = default;

private:
    std::string m_text;
    std::vector<uint32_t> m_ends;  // where each text ends in m_text
};

}  // namespace forms

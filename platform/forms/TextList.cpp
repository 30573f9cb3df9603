#include "forms/TextList.h"

#include <QStringDecoder>
#include <QStringList>

namespace forms {

QString TextList::at(int index) const {
    const std::string_view text = utf8(index);
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                    QStringConverter::Flag::Stateless);
    return decode(QByteArrayView(text.data(), qsizetype(text.size())));
}

void TextList::append(std::string_view utf8) {
    m_text.append(utf8);
    m_ends.push_back(uint32_t(m_text.size()));
}

void TextList::append(const QString& text) { append(text.toUtf8().toStdString()); }

void TextList::insert(int index, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const uint32_t at = index ? m_ends[size_t(index) - 1] : 0;
    m_text.insert(at, bytes.constData(), size_t(bytes.size()));
    m_ends.insert(m_ends.begin() + index, at);
    for (size_t i = size_t(index); i < m_ends.size(); ++i) m_ends[i] += uint32_t(bytes.size());
}

void TextList::remove(int index) {
    const uint32_t begin = index ? m_ends[size_t(index) - 1] : 0;
    const uint32_t length = m_ends[size_t(index)] - begin;
    m_text.erase(begin, length);
    m_ends.erase(m_ends.begin() + index);
    for (size_t i = size_t(index); i < m_ends.size(); ++i) m_ends[i] -= length;
}

void TextList::clear() {
    // Let the memory go, not only the texts: a list of 32,767 paths is
    // megabytes.
    std::string().swap(m_text);
    std::vector<uint32_t>().swap(m_ends);
}

void TextList::reserve(size_t count, size_t bytes) {
    m_ends.reserve(count);
    m_text.reserve(bytes);
}

QStringList TextList::all() const {
    QStringList texts;
    texts.reserve(size());
    for (int i = 0; i < size(); ++i) texts << at(i);
    return texts;
}

}  // namespace forms

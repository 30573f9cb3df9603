#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace com {

// A 64-bit little-endian ELF file read through its section table, without
// loading it: what the resource reader and the tools need. Every header,
// table and name is checked against the file's size before it is used, so
// a damaged or foreign file gives an error, never a read out of bounds.
class ElfFile {
public:
    struct Section {
        QString name;
        uint32_t type = 0;  // SHT_*
        uint64_t flags = 0;
        uint64_t offset = 0, size = 0;
        uint32_t link = 0;
        uint64_t entrySize = 0;
    };

    static std::optional<ElfFile> open(const QString& path, QString* error);
    static std::optional<ElfFile> fromImage(const QByteArray& image, QString* error);

    const QList<Section>& sections() const { return m_sections; }
    const Section* section(QStringView name) const;
    // The bytes of a section that has some in the file.
    std::optional<QByteArray> contents(const Section& section, QString* error) const;
    // The names of the defined global symbols of the dynamic symbol table:
    // what a library exports.
    std::optional<QStringList> exportedSymbols(QString* error) const;

private:
    // Reads length bytes at offset; false when they are not all in the file.
    using Source = std::function<bool(quint64 offset, quint64 length, QByteArray* out)>;
    static std::optional<ElfFile> parse(const QString& name, quint64 size, Source source,
                                        QString* error);

    QString m_name;
    quint64 m_size = 0;
    Source m_read;
    QList<Section> m_sections;
};

}  // namespace com

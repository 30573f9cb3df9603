#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "com/Variant.h"

namespace hosting {

// The named values a host keeps for one control instance between runs (in
// its window's design data). A value equal to its default is not written,
// and reads back as the default; names keep the order they were written in.
class PropertyBag {
public:
    // The bag of an instance that stored nothing but its size.
    static PropertyBag withExtent(float width, float height);

    com::Variant ReadProperty(const QString& name, const com::Variant& defaultValue = {}) const;
    void WriteProperty(const QString& name, const com::Variant& value,
                       const com::Variant& defaultValue = {});

    bool contains(const QString& name) const;
    bool isEmpty() const { return m_entries.isEmpty(); }
    QStringList names() const;

private:
    struct Entry {
        QString name;
        com::Variant value;
    };
    QList<Entry> m_entries;
};

}  // namespace hosting

#include "ResourceScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "PictureGrid.h"
#include "ScriptLines.h"
#include "com/BitmapResource.h"
#include "com/VersionRecord.h"

namespace {

class Compiler {
public:
    Compiler(const QString& path, const QStringList& searchDirs, QStringList* inputs)
        : m_path(path), m_inputs(inputs) {
        m_search.append(QFileInfo(path).absolutePath());
        m_search.append(searchDirs);
    }

    com::ResourceTable run() {
        const QList<ScriptLine> lines = readScript(m_path);
        for (m_line = lines.cbegin(); m_line != lines.cend(); ++m_line) resource(lines.cend());
        return m_table;
    }

private:
    [[noreturn]] void fail(const QString& message) const {
        throw ScriptError(m_path, m_line->number, message);
    }
    const QString& word(qsizetype i) const {
        if (i >= m_line->tokens.size()) fail(QStringLiteral("the statement is incomplete"));
        return m_line->tokens[i].text;
    }
    void length(qsizetype n) const {
        if (m_line->tokens.size() != n)
            fail(QStringLiteral("expected %1 words, found %2").arg(n).arg(m_line->tokens.size()));
    }

    QString find(const QString& name) const {
        for (const QString& dir : m_search) {
            const QString candidate = QDir(dir).filePath(name);
            if (QFileInfo::exists(candidate)) {
                if (m_inputs) m_inputs->append(QFileInfo(candidate).absoluteFilePath());
                return candidate;
            }
        }
        fail(QStringLiteral("%1 not found beside the script or in the search folders").arg(name));
    }

    void resource(QList<ScriptLine>::const_iterator end) {
        com::Resource r;
        const QString type = word(0);
        if (type == u"BITMAP")
            r.typeNumber = com::ResourceType::Bitmap;
        else if (type == u"VERSION")
            r.typeNumber = com::ResourceType::Version;
        else
            r.typeName = type;
        bool ok = false;
        r.id = word(1).toUInt(&ok);
        if (!ok) fail(QStringLiteral("a resource number is a whole number"));
        if (m_table.find(type, r.id) || (r.typeNumber && m_table.find(r.typeNumber, r.id)))
            fail(QStringLiteral("%1 %2 is defined twice").arg(type).arg(r.id));
        const QString& form = word(2);
        if (form == u"file") {
            length(4);
            QFile in(find(word(3)));
            if (!in.open(QIODevice::ReadOnly))
                fail(QStringLiteral("cannot read %1").arg(in.fileName()));
            r.data = in.readAll();
        } else if (form == u"guid") {
            length(4);
            const auto id = com::Guid::fromString(word(3));
            if (!id) fail(QStringLiteral("\"%1\" is no identifier").arg(word(3)));
            r.data = com::encodeGuidResource(*id);
        } else if (form == u"picture") {
            length(4);
            r.data = com::encodeBitmap(readPictureGrid(find(word(3))));
        } else if (form == u"version") {
            length(3);
            r.data = com::encodeVersionRecord(versionRecord(end));
        } else {
            fail(QStringLiteral("unknown form \"%1\" (file, guid, picture, version)").arg(form));
        }
        m_table.entries.append(r);
    }

    com::VersionRecord::Version version(const QString& text) const {
        const QStringList parts = text.split(u'.');
        com::VersionRecord::Version v{};
        bool ok = parts.size() == 4;
        for (int i = 0; ok && i < 4; ++i) v[i] = parts[i].toUShort(&ok);
        if (!ok) fail(QStringLiteral("a version is four numbers a.b.c.d"));
        return v;
    }

    com::VersionRecord versionRecord(QList<ScriptLine>::const_iterator end) {
        com::VersionRecord record;
        for (++m_line; m_line != end; ++m_line) {
            const QString& key = word(0);
            if (key == u"end") {
                length(1);
                return record;
            }
            if (key == u"fileversion") {
                length(2);
                record.fileVersion = version(word(1));
            } else if (key == u"productversion") {
                length(2);
                record.productVersion = version(word(1));
            } else if (key == u"translation") {
                length(3);
                bool ok1 = false, ok2 = false;
                record.language = word(1).toUShort(&ok1, 16);
                record.codePage = word(2).toUShort(&ok2, 16);
                if (!ok1 || !ok2)
                    fail(QStringLiteral("translation <language> <code page>, in hexadecimal"));
            } else if (key == u"value") {
                length(3);
                if (!m_line->tokens[2].quoted) fail(QStringLiteral("a value is \"quoted\""));
                if (record.has(word(1))) fail(QStringLiteral("%1 is given twice").arg(word(1)));
                record.strings.append({word(1), word(2)});
            } else {
                fail(QStringLiteral("unknown version statement \"%1\"").arg(key));
            }
        }
        --m_line;
        fail(QStringLiteral("the version record is not closed with end"));
    }

    QString m_path;
    QStringList m_search;
    QStringList* m_inputs;
    QList<ScriptLine>::const_iterator m_line;
    com::ResourceTable m_table;
};

}  // namespace

com::ResourceTable compileResourceScript(const QString& path, const QStringList& searchDirs,
                                         QStringList* inputs) {
    return Compiler(path, searchDirs, inputs).run();
}

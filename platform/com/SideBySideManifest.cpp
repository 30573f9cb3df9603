#include "com/SideBySideManifest.h"

#include <QDir>
#include <QSettings>

namespace com {

std::optional<ManifestClass> findInManifests(const QString& folder, const QString& name) {
    const std::optional<Guid> wantedClass = Guid::fromString(name);
    const QDir dir(folder);
    for (const QString& entry :
         dir.entryList({QStringLiteral("*.manifest")}, QDir::Files, QDir::Name)) {
        QSettings manifest(dir.filePath(entry), QSettings::IniFormat);
        for (const QString& section : manifest.childGroups()) {
            manifest.beginGroup(section);
            const auto clsid = Guid::fromString(manifest.value(QStringLiteral("CLSID")).toString());
            const QString progId = manifest.value(QStringLiteral("ProgID")).toString();
            const QString file = manifest.value(QStringLiteral("File")).toString();
            manifest.endGroup();
            if (!clsid || file.isEmpty()) continue;
            if (progId == name || (wantedClass && *wantedClass == *clsid))
                return ManifestClass{*clsid, progId, QDir::cleanPath(dir.absoluteFilePath(file)),
                                     dir.absoluteFilePath(entry)};
        }
    }
    return std::nullopt;
}

}  // namespace com

#include "com/ComponentRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace com::registry {

namespace {
QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString& errorText() {
    static QString text;
    return text;
}

QString classSection(const Guid& clsid) { return QStringLiteral("CLSID.") + clsid.toBareString(); }
QString progIdSection(const QString& progId) { return QStringLiteral("ProgID.") + progId; }
QString typeLibSection(const Guid& id) { return QStringLiteral("TypeLib.") + id.toBareString(); }
QString interfaceSection(const Guid& iid) {
    return QStringLiteral("Interface.") + iid.toBareString();
}
QString versionText(uint16_t major, uint16_t minor) {
    return QStringLiteral("%1.%2").arg(major).arg(minor);
}
QString versionText(const TypeLibIdentity& t) { return versionText(t.major, t.minor); }

std::unique_ptr<QSettings> open() {
    auto file = std::make_unique<QSettings>(filePath(), QSettings::IniFormat);
    file->setAtomicSyncRequired(true);
    return file;
}

bool finish(QSettings& file) {
    file.sync();
    switch (file.status()) {
        case QSettings::NoError:
            errorText().clear();
            return true;
        case QSettings::AccessError:
            errorText() = QStringLiteral("无法写入部件注册表文件 %1").arg(filePath());
            return false;
        case QSettings::FormatError:
            errorText() = QStringLiteral("部件注册表文件 %1 已损坏").arg(filePath());
            return false;
    }
    return false;
}

// The class entry of the group the file is in.
ClassRegistration classHere(const QSettings& file, const Guid& clsid) {
    return {.clsid = clsid,
            .progId = file.value(QStringLiteral("ProgID")).toString(),
            .serverPath = file.value(QStringLiteral("InprocServer")).toString(),
            .typeLib =
                Guid::fromString(file.value(QStringLiteral("TypeLib")).toString()).value_or(Guid{}),
            .typeLibVersion = file.value(QStringLiteral("Version")).toString()};
}

void removeProgIdOf(QSettings& file, const Guid& clsid, const QString& progId) {
    // The programmatic identifier may have been taken over by another
    // class since; then it is not ours to remove.
    const QString section = progIdSection(progId);
    if (Guid::fromString(file.value(section + QStringLiteral("/CLSID")).toString()) == clsid)
        file.remove(section);
}

void removeInterfacesOf(QSettings& file, const Guid& typeLib, const QString& version) {
    // An interface registered again since by another type library is that
    // one's now.
    const QString braced = typeLib.toString();
    for (const QString& group : file.childGroups()) {
        if (!group.startsWith(QStringLiteral("Interface."))) continue;
        if (file.value(group + QStringLiteral("/TypeLib")).toString() == braced &&
            file.value(group + QStringLiteral("/Version")).toString() == version)
            file.remove(group);
    }
}
}  // namespace

QString filePath() { return configHome() + QStringLiteral("/ComponentRegistry/registry.ini"); }

QString lastError() { return errorText(); }
void setLastError(const QString& text) { errorText() = text; }

std::optional<Guid> classOfProgId(const QString& progId) {
    const auto file = open();
    return Guid::fromString(
        file->value(progIdSection(progId) + QStringLiteral("/CLSID")).toString());
}

std::optional<ClassRegistration> findClass(const Guid& clsid) {
    const auto file = open();
    file->beginGroup(classSection(clsid));
    ClassRegistration entry = classHere(*file, clsid);
    if (entry.serverPath.isEmpty()) return std::nullopt;
    return entry;
}

QList<ClassRegistration> classes() {
    const auto file = open();
    QList<ClassRegistration> found;
    for (const QString& group : file->childGroups()) {
        if (!group.startsWith(QStringLiteral("CLSID."))) continue;
        const auto clsid = Guid::fromString(QStringView(group).mid(6));
        if (!clsid) continue;
        file->beginGroup(group);
        ClassRegistration entry = classHere(*file, *clsid);
        file->endGroup();
        if (!entry.serverPath.isEmpty()) found.append(entry);
    }
    return found;
}

std::optional<TypeLibRegistration> findTypeLib(const Guid& id, uint16_t major, uint16_t minor) {
    const auto file = open();
    file->beginGroup(typeLibSection(id) + u'/' + versionText(major, minor));
    const QString path = file->value(QStringLiteral("Path")).toString();
    if (path.isEmpty()) return std::nullopt;
    return TypeLibRegistration{.id = id,
                               .major = major,
                               .minor = minor,
                               .name = file->value(QStringLiteral("Name")).toString(),
                               .helpString = file->value(QStringLiteral("HelpString")).toString(),
                               .locale = file->value(QStringLiteral("Locale")).toUInt(),
                               .flags = uint16_t(file->value(QStringLiteral("Flags")).toUInt()),
                               .path = path};
}

std::optional<InterfaceRegistration> findInterface(const Guid& iid) {
    const auto file = open();
    file->beginGroup(interfaceSection(iid));
    const QString name = file->value(QStringLiteral("Name")).toString();
    if (name.isEmpty()) return std::nullopt;
    return InterfaceRegistration{
        .iid = iid,
        .name = name,
        .proxy = file->value(QStringLiteral("Proxy")).toString(),
        .typeLib =
            Guid::fromString(file->value(QStringLiteral("TypeLib")).toString()).value_or(Guid{}),
        .version = file->value(QStringLiteral("Version")).toString()};
}

bool writeProject(const ProjectDescriptor& project, const QString& serverPath,
                  std::span<const InterfaceRegistration> interfaces) {
    const auto file = open();
    if (file->status() == QSettings::FormatError) return finish(*file);
    const TypeLibIdentity& lib = project.typeLib;
    for (const ClassEntry& c : project.classes) {
        const QString progId = QString::fromUtf8(c.progId);
        file->beginGroup(classSection(c.clsid));
        file->setValue(QStringLiteral("Class"), QString::fromUtf8(c.className));
        file->setValue(QStringLiteral("ProgID"), progId);
        file->setValue(QStringLiteral("Control"), c.control);
        file->setValue(QStringLiteral("MiscStatus"), c.miscStatus);
        file->setValue(QStringLiteral("ToolboxBitmap"),
                       QStringLiteral("%1,%2").arg(serverPath).arg(c.toolboxBitmap));
        file->setValue(QStringLiteral("InprocServer"), serverPath);
        file->setValue(QStringLiteral("TypeLib"), lib.id.toString());
        file->setValue(QStringLiteral("Version"), versionText(lib));
        file->endGroup();
        file->setValue(progIdSection(progId) + QStringLiteral("/CLSID"), c.clsid.toString());
    }
    file->beginGroup(typeLibSection(lib.id));
    file->beginGroup(versionText(lib));
    file->setValue(QStringLiteral("Name"), QString::fromUtf8(lib.name));
    file->setValue(QStringLiteral("HelpString"), QString::fromUtf8(lib.helpString));
    file->setValue(QStringLiteral("Locale"), lib.locale);
    file->setValue(QStringLiteral("Flags"), lib.flags);
    file->setValue(QStringLiteral("Path"), serverPath);
    file->endGroup();
    file->endGroup();
    for (const InterfaceRegistration& i : interfaces) {
        file->beginGroup(interfaceSection(i.iid));
        file->setValue(QStringLiteral("Name"), i.name);
        file->setValue(QStringLiteral("TypeLib"), lib.id.toString());
        file->setValue(QStringLiteral("Version"), versionText(lib));
        file->setValue(QStringLiteral("Proxy"), i.proxy);
        file->endGroup();
    }
    return finish(*file);
}

bool removeProject(const ProjectDescriptor& project) {
    const auto file = open();
    if (file->status() == QSettings::FormatError) return finish(*file);
    for (const ClassEntry& c : project.classes) {
        file->remove(classSection(c.clsid));
        removeProgIdOf(*file, c.clsid, QString::fromUtf8(c.progId));
    }
    // Other versions of the same type library stay.
    file->remove(typeLibSection(project.typeLib.id) + u'/' + versionText(project.typeLib));
    removeInterfacesOf(*file, project.typeLib.id, versionText(project.typeLib));
    return finish(*file);
}

bool removeClasses(std::span<const ClassRegistration> gone) {
    const auto file = open();
    if (file->status() == QSettings::FormatError) return finish(*file);
    for (const ClassRegistration& c : gone) {
        file->remove(classSection(c.clsid));
        removeProgIdOf(*file, c.clsid, c.progId);
    }
    const auto stillNamed = [&](const ClassRegistration& lib) {
        const QString braced = lib.typeLib.toString();
        for (const QString& group : file->childGroups()) {
            if (group.startsWith(QStringLiteral("CLSID.")) &&
                file->value(group + QStringLiteral("/TypeLib")).toString() == braced &&
                file->value(group + QStringLiteral("/Version")).toString() == lib.typeLibVersion)
                return true;
        }
        return false;
    };
    for (const ClassRegistration& c : gone) {
        if (c.typeLib.isNull() || c.typeLibVersion.isEmpty()) continue;
        const QString version = typeLibSection(c.typeLib) + u'/' + c.typeLibVersion;
        // A type library kept in another file is still good there.
        if (file->value(version + QStringLiteral("/Path")).toString() != c.serverPath) continue;
        if (stillNamed(c)) continue;
        file->remove(version);
        removeInterfacesOf(*file, c.typeLib, c.typeLibVersion);
    }
    return finish(*file);
}

}  // namespace com::registry

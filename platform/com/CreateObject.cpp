#include "com/CreateObject.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/SideBySideManifest.h"
#include "errors/RuntimeError.h"

namespace com {

namespace {
// An instance of clsid from the component file, or nothing with why saying
// what went wrong: the file is missing or does not load, it does not serve
// the class, or its class factory refused.
Ptr<IUnknown> instanceFrom(const QString& file, const Guid& clsid, QString* why) {
    Ptr<IClassFactory> factory = classFactoryFrom(file, clsid, why);
    if (!factory) return {};
    void* out = nullptr;
    const HResult status = factory->CreateInstance(nullptr, IUnknown::iid, &out);
    if (hr::failed(status)) {
        *why = QStringLiteral("部件文件 %1 的类工厂未能创建对象 (状态 0x%2)")
                   .arg(file, QString::number(uint32_t(status), 16).rightJustified(8, u'0'));
        factory.reset();
        freeUnusedLibraries();
        return {};
    }
    return Ptr<IUnknown>::adopt(static_cast<IUnknown*>(out));
}

// The registry is asked first; what it names may be left over from a build
// or an install that is gone, so a failure there is noted and the search
// goes on to the manifests beside the program.
Ptr<IUnknown> fromRegistry(const QString& name, QStringList* tried, ClassLocation* from) {
    const QString place = QStringLiteral("部件注册表文件 %1").arg(registry::filePath());
    std::optional<Guid> clsid = Guid::fromString(name);
    if (!clsid) clsid = registry::classOfProgId(name);
    const auto registered = clsid ? registry::findClass(*clsid) : std::nullopt;
    if (!registered) {
        tried->append(QStringLiteral("%1: 没有登记这个部件").arg(place));
        return {};
    }
    QString why;
    Ptr<IUnknown> object = instanceFrom(registered->serverPath, *clsid, &why);
    if (!object)
        tried->append(QStringLiteral("%1: %2").arg(place, why));
    else if (from)
        *from = {*clsid, registered->serverPath, ClassLocation::Source::Registry};
    return object;
}

Ptr<IUnknown> fromManifests(const QString& name, const QString& folder, QStringList* tried,
                            ClassLocation* from) {
    const auto beside = findInManifests(folder, name);
    if (!beside) {
        tried->append(QStringLiteral("程序目录 %1: 没有说明这个部件的清单文件")
                          .arg(QDir(folder).absolutePath()));
        return {};
    }
    QString why;
    Ptr<IUnknown> object = instanceFrom(beside->file, beside->clsid, &why);
    if (!object)
        tried->append(QStringLiteral("清单文件 %1: %2").arg(beside->manifest, why));
    else if (from)
        *from = {beside->clsid, beside->file, ClassLocation::Source::Manifest};
    return object;
}
}  // namespace

Ptr<IUnknown> createObject(const QString& name, const QString& manifestFolder,
                           ClassLocation* from) {
    const QString folder =
        manifestFolder.isEmpty() ? QCoreApplication::applicationDirPath() : manifestFolder;
    QStringList tried;
    if (Ptr<IUnknown> object = fromRegistry(name, &tried, from)) return object;
    if (Ptr<IUnknown> object = fromManifests(name, folder, &tried, from)) return object;
    errors::raiseError(errors::CannotCreateObject,
                       QStringLiteral("无法创建部件 %1 的对象。找过的地方:\n• %2")
                           .arg(name, tried.join(QStringLiteral("\n• "))));
}

int freeUnusedLibraries() { return ComponentLibrary::freeUnused(); }

}  // namespace com

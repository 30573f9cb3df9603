#include "com/CreateObject.h"

#include <QCoreApplication>

#include "com/ClassFactory.h"
#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/Dispatch.h"
#include "com/SideBySideManifest.h"
#include "errors/RuntimeError.h"

namespace com {

namespace {
[[noreturn]] void cannotCreate(const QString& name, const QString& reason) {
    errors::raiseError(errors::CannotCreateObject,
                       QStringLiteral("ActiveX 部件不能创建对象: %1\n%2").arg(name, reason));
}

}  // namespace

ClassLocation locateClass(const QString& name, const QString& manifestFolder) {
    std::optional<Guid> clsid = Guid::fromString(name);
    if (!clsid) clsid = registry::classOfProgId(name);
    if (clsid) {
        if (auto registered = registry::findClass(*clsid))
            return {*clsid, registered->serverPath, ClassLocation::Source::Registry};
    }
    const QString folder =
        manifestFolder.isEmpty() ? QCoreApplication::applicationDirPath() : manifestFolder;
    if (auto beside = findInManifests(folder, name))
        return {beside->clsid, beside->file, ClassLocation::Source::Manifest};
    cannotCreate(name, QStringLiteral("该部件未注册，程序目录中也没有说明它的清单文件"));
}

Ptr<IUnknown> createObject(const QString& name) { return createObject(locateClass(name), name); }

Ptr<IUnknown> createObject(const QString& name, const QString& manifestFolder) {
    return createObject(locateClass(name, manifestFolder), name);
}

Ptr<IUnknown> createObject(const ClassLocation& where, const QString& name) {
    QString reason;
    ComponentLibrary* library = ComponentLibrary::load(where.file, &reason);
    if (!library) cannotCreate(name, reason);

    void* out = nullptr;
    if (hr::failed(library->getClassObject(where.clsid, IClassFactory::iid, &out))) {
        freeUnusedLibraries();
        cannotCreate(name,
                     QStringLiteral("%1 不提供类 %2").arg(where.file, where.clsid.toString()));
    }
    const auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    out = nullptr;
    const HResult status = factory->CreateInstance(nullptr, IUnknown::iid, &out);
    if (hr::failed(status)) {
        cannotCreate(
            name,
            QStringLiteral("类工厂未能创建实例 (0x%1)").arg(uint32_t(status), 8, 16, QChar(u'0')));
    }
    return Ptr<IUnknown>::adopt(static_cast<IUnknown*>(out));
}

int freeUnusedLibraries() { return ComponentLibrary::freeUnused(); }

}  // namespace com

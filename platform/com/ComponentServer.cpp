#include "com/ComponentServer.h"

#include <dlfcn.h>

#include <QFileInfo>

#include "com/ClassFactory.h"
#include "com/ComponentRegistry.h"
#include "com/TypeLibLookup.h"

namespace com {

namespace {
// The one class factory for every class of every library. Its code is the
// platform's, so a factory never runs code of an unloaded library; it
// counts as a live object of its library all the same, because it points
// into the library's class table.
class ClassFactory final : public IClassFactory {
public:
    ClassFactory(const ClassEntry& entry, ServerLocks& locks) : m_entry(entry), m_locks(locks) {
        ++m_locks.objects;
    }

    HResult QueryInterface(const Guid& iid, void** out) override {
        if (!out) return hr::Pointer;
        *out = nullptr;
        if (iid != IUnknown::iid && iid != IClassFactory::iid) return hr::NoInterface;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return hr::Ok;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override {
        const uint32_t left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    HResult CreateInstance(IUnknown* outer, const Guid& iid, void** out) override {
        if (!out) return hr::Pointer;
        *out = nullptr;
        if (outer) return hr::NoAggregation;
        IUnknown* object = m_entry.create();
        if (!object) return hr::Fail;
        const HResult status = object->QueryInterface(iid, out);
        object->Release();
        return status;
    }

    HResult LockServer(bool lock) override {
        m_locks.locks += lock ? 1 : -1;
        return hr::Ok;
    }

private:
    ~ClassFactory() { --m_locks.objects; }

    const ClassEntry& m_entry;
    ServerLocks& m_locks;
    uint32_t m_refs = 1;
};

// The interfaces a type library describes, as the registry lists them. The
// library in the file must be the one the descriptor names: registering
// one identity and describing another would send hosts to the wrong file.
std::optional<QList<registry::InterfaceRegistration>> interfacesOf(const ProjectDescriptor& project,
                                                                   const QString& path) {
    QString why;
    const std::optional<TypeLibrary> lib = loadTypeLibFromFile(path, &why);
    const TypeLibIdentity& named = project.typeLib;
    if (lib && (lib->id != named.id || lib->major != named.major || lib->minor != named.minor))
        why = QStringLiteral("%1 中的类型库是 %2 版本 %3.%4, 与部件声明的不符")
                  .arg(path, lib->id.toString())
                  .arg(lib->major)
                  .arg(lib->minor);
    else if (lib) {
        QList<registry::InterfaceRegistration> interfaces;
        for (const TypeLibType& t : lib->types) {
            if (t.kind == TypeKind::Class) continue;
            interfaces.append({.iid = t.id,
                               .name = t.name,
                               .proxy = t.kind == TypeKind::Interface
                                            ? QStringLiteral("TypeLibrary")
                                            : QStringLiteral("Dispatch")});
        }
        return interfaces;
    }
    registry::setLastError(why);
    return std::nullopt;
}
}  // namespace

QString serverPath(const ProjectDescriptor& project) {
    Dl_info info{};
    if (!dladdr(&project, &info) || !info.dli_fname) return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

HResult registerServer(const ProjectDescriptor& project) {
    const QString path = serverPath(project);
    if (path.isEmpty()) return hr::SelfRegClass;
    const auto interfaces = interfacesOf(project, path);
    if (!interfaces) return hr::SelfRegTypeLib;
    return registry::writeProject(project, path, *interfaces) ? hr::Ok : hr::SelfRegClass;
}

HResult unregisterServer(const ProjectDescriptor& project) {
    return registry::removeProject(project) ? hr::Ok : hr::SelfRegClass;
}

HResult getClassObject(const ProjectDescriptor& project, const Guid* clsid, const Guid* iid,
                       void** out) {
    if (!clsid || !iid || !out) return hr::Pointer;
    *out = nullptr;
    for (const ClassEntry& entry : project.classes) {
        if (entry.clsid != *clsid) continue;
        auto* factory = new ClassFactory(entry, *project.locks);
        const HResult status = factory->QueryInterface(*iid, out);
        factory->Release();
        return status;
    }
    return hr::ClassNotAvailable;
}

HResult canUnloadNow(const ProjectDescriptor& project) {
    const ServerLocks& l = *project.locks;
    return (l.objects == 0 && l.locks == 0) ? hr::Ok : hr::False;
}

}  // namespace com

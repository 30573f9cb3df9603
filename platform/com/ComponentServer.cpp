#include "com/ComponentServer.h"

#include <dlfcn.h>

#include <QFileInfo>

#include "com/ClassFactory.h"
#include "com/ComponentRegistry.h"

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

// The file the descriptor was loaded from: it is where registration points.
QString serverPathOf(const ProjectDescriptor& project) {
    Dl_info info{};
    if (!dladdr(&project, &info) || !info.dli_fname) return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}
}  // namespace

HResult registerServer(const ProjectDescriptor& project) {
    const QString path = serverPathOf(project);
    if (path.isEmpty()) return hr::SelfRegClass;
    return registry::writeProject(project, path) ? hr::Ok : hr::SelfRegClass;
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

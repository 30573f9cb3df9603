#pragma once

#include <QString>

#include "com/ClassFactory.h"
#include "com/ComponentServer.h"

namespace com {

// A component library loaded by absolute path, with its four entry points.
// A library is loaded once however often it is asked for, and stays loaded
// until freeUnused() finds that it says it may go.
class ComponentLibrary {
public:
    // The loaded library, or nullptr with reason saying why not: the file is
    // missing, is not a loadable library, or lacks an entry point.
    static ComponentLibrary* load(const QString& path, QString* reason);

    // Asks every loaded library whether it can be unloaded now and unloads
    // the ones that can. Returns how many went.
    static int freeUnused();
    static bool isLoaded(const QString& path);

    const QString& path() const { return m_path; }
    HResult registerServer() const { return m_register(); }
    HResult unregisterServer() const { return m_unregister(); }
    HResult getClassObject(const Guid& clsid, const Guid& iid, void** out) const {
        return m_getClassObject(&clsid, &iid, out);
    }
    bool canUnloadNow() const { return m_canUnloadNow() == hr::Ok; }

private:
    ComponentLibrary() = default;

    QString m_path;
    void* m_handle = nullptr;
    DllRegisterServerFn m_register = nullptr;
    DllUnregisterServerFn m_unregister = nullptr;
    DllGetClassObjectFn m_getClassObject = nullptr;
    DllCanUnloadNowFn m_canUnloadNow = nullptr;
};

// The class factory of clsid from the component file at path, or nothing
// with reason saying why: the file is missing or does not load, or it does
// not serve the class (a library that served nothing is unloaded again).
Ptr<IClassFactory> classFactoryFrom(const QString& path, const Guid& clsid, QString* reason);

}  // namespace com

#pragma once

#include <QString>
#include <cstdint>
#include <span>

#include "com/Guid.h"
#include "com/Status.h"
#include "com/Unknown.h"

namespace com {

// The serving side of a component library. The library describes itself in
// one project descriptor and its four exported entry points hand each
// request, with that descriptor, to the functions below:
//
//   extern "C" HResult DllRegisterServer()    -> registerServer(project)
//   extern "C" HResult DllUnregisterServer()  -> unregisterServer(project)
//   extern "C" HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out)
//                                             -> getClassObject(project, ...)
//   extern "C" HResult DllCanUnloadNow()      -> canUnloadNow(project)
//
// Text in a descriptor is UTF-8 in plain C strings: the library may be
// unloaded while the platform still holds what it copied out of it, so
// nothing the platform keeps may point into the library's memory.

// What keeps a library loaded: live objects (instances and class factories)
// and class-factory locks. Instances count themselves in and out.
struct ServerLocks {
    int objects = 0;
    int locks = 0;
};

struct TypeLibIdentity {
    Guid id;
    uint16_t major = 0, minor = 0;
    uint32_t locale = 0;
    uint16_t flags = 0;  // TypeLibFlags
    const char* name = nullptr;
    const char* helpString = nullptr;
};

namespace TypeLibFlags {
constexpr uint16_t Restricted = 1;
constexpr uint16_t Control = 2;
constexpr uint16_t Hidden = 4;
}  // namespace TypeLibFlags

struct ClassEntry {
    Guid clsid;
    const char* className = nullptr;
    const char* progId = nullptr;  // library name, dot, class name
    bool control = false;
    int32_t miscStatus = 0;  // the control's status bits
    int toolboxBitmap = 0;   // bitmap resource number in the library file
    Guid defaultInterface;
    Guid eventInterface;
    // A new instance holding one reference, answering at least IUnknown.
    IUnknown* (*create)() = nullptr;
};

struct ProjectDescriptor {
    TypeLibIdentity typeLib;
    std::span<const ClassEntry> classes;
    ServerLocks* locks = nullptr;
};

HResult registerServer(const ProjectDescriptor& project);
HResult unregisterServer(const ProjectDescriptor& project);
HResult getClassObject(const ProjectDescriptor& project, const Guid* clsid, const Guid* iid,
                       void** out);
// Ok when no object is alive and no lock is held, False otherwise.
HResult canUnloadNow(const ProjectDescriptor& project);

// The absolute path of the file a descriptor lives in: the library's own
// file, where registration points and its resources are read from.
QString serverPath(const ProjectDescriptor& project);

// The entry points' types, as the platform looks them up in a library.
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, const Guid* iid, void** out);
using DllCanUnloadNowFn = HResult (*)();

}  // namespace com

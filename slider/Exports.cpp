// The library's four entry points. Each hands the request, with the
// project descriptor, to the platform, which does the work.
#include "Project.h"

#define QUILLET_EXPORT extern "C" __attribute__((visibility("default")))

QUILLET_EXPORT com::HResult DllRegisterServer() { return com::registerServer(quillet::project()); }

QUILLET_EXPORT com::HResult DllUnregisterServer() {
    return com::unregisterServer(quillet::project());
}

QUILLET_EXPORT com::HResult DllGetClassObject(const com::Guid* clsid, const com::Guid* iid,
                                              void** out) {
    return com::getClassObject(quillet::project(), clsid, iid, out);
}

QUILLET_EXPORT com::HResult DllCanUnloadNow() { return com::canUnloadNow(quillet::project()); }

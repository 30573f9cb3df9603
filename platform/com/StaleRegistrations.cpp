#include "com/StaleRegistrations.h"

#include "com/ComponentLibrary.h"

namespace com {

QList<StaleClass> findStaleClasses() {
    QList<StaleClass> stale;
    for (const registry::ClassRegistration& entry : registry::classes()) {
        QString reason;
        if (!classFactoryFrom(entry.serverPath, entry.clsid, &reason))
            stale.append({entry, reason});
    }
    ComponentLibrary::freeUnused();
    return stale;
}

}  // namespace com

#pragma once

#include <QList>
#include <QString>

#include "com/ComponentRegistry.h"

namespace com {

// A registered class that can no longer be created from the file the
// registry names for it, typically left behind by a build or an install
// that has since been deleted.
struct StaleClass {
    registry::ClassRegistration entry;
    QString reason;  // what is wrong with the file, naming it
};

// The registry's classes whose component file is missing, does not load or
// does not serve the class. Each registered file is loaded to find out, and
// unloaded again unless something of it was alive before.
QList<StaleClass> findStaleClasses();

}  // namespace com

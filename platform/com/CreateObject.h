#pragma once

#include <QString>

#include "com/Unknown.h"

namespace com {

// Creates an instance of the class named by its programmatic identifier
// ("工程1.NewHscrollbar") or its braced class identifier: the per-user
// registry names the library, else a manifest beside the program does; the
// library is loaded by absolute path, its class factory makes the instance.
// Failure raises runtime error 429 whose text names the identifier and the
// reason (not registered, library missing or damaged, class not served).
Ptr<IUnknown> createObject(const QString& name);

// The same, looking for manifests in folder instead of beside the program.
Ptr<IUnknown> createObject(const QString& name, const QString& manifestFolder);

// Unloads the component libraries with nothing of theirs alive any more.
// Hosts call it after releasing instances.
int freeUnusedLibraries();

}  // namespace com

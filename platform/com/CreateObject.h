#pragma once

#include <QString>

#include "com/Guid.h"
#include "com/Unknown.h"

namespace com {

// Where a class is served from: the library file, and whether the per-user
// registry or a manifest beside the program named it.
struct ClassLocation {
    enum class Source { Registry, Manifest };
    Guid clsid;
    QString file;
    Source source = Source::Registry;
};

// Finds the class named by its programmatic identifier or braced class
// identifier, the registry first, then the manifests in manifestFolder (the
// program's own folder when empty). Raises error 429 naming the identifier
// when neither knows it.
ClassLocation locateClass(const QString& name, const QString& manifestFolder = {});

// Creates an instance of the class found at where; name is the identifier
// the caller asked for, for the message of error 429 when the library cannot
// be loaded or does not serve the class.
Ptr<IUnknown> createObject(const ClassLocation& where, const QString& name);

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

#pragma once

#include <QString>

#include "com/Guid.h"
#include "com/Unknown.h"

namespace com {

// Where an instance was made: the library file, and whether the per-user
// registry or a manifest beside the program named it.
struct ClassLocation {
    enum class Source { Registry, Manifest };
    Guid clsid;
    QString file;
    Source source = Source::Registry;
};

// Creates an instance of the class named by its programmatic identifier
// ("工程1.NewHscrollbar") or its braced class identifier. Two places may
// name the component file: the per-user registry, then a manifest in
// manifestFolder (the program's own folder when empty). The file is loaded
// by absolute path and its class factory makes the instance; when that
// fails for the registered file (missing, damaged, not serving the class,
// factory refused) the manifest is tried. Only when both fail is runtime
// error 429 raised, its text naming the identifier and each place tried
// with why it failed. from, when given, says where the instance came from.
Ptr<IUnknown> createObject(const QString& name, const QString& manifestFolder = {},
                           ClassLocation* from = nullptr);

// Unloads the component libraries with nothing of theirs alive any more.
// Hosts call it after releasing instances.
int freeUnusedLibraries();

}  // namespace com

#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "com/ComponentServer.h"
#include "com/Dispatch.h"
#include "com/TypeLib.h"

namespace com {

// Where type libraries are found: in a component file's resources
// ("TYPELIB" 1), through the registry by identifier and version, and, for a
// loaded component, in its own file. Each gives nullopt (or nullptr) with
// error saying why when there is none or it is damaged.
std::optional<TypeLibrary> loadTypeLibFromFile(const QString& path, QString* error);
// The registered path of that identifier and version; the library found
// there must carry that identity.
std::optional<TypeLibrary> loadRegisteredTypeLib(const Guid& id, uint16_t major, uint16_t minor,
                                                 QString* error);

// The type library of the file a project descriptor was loaded from, read
// once per file (again when the file changes) and kept while the process
// runs: objects consult it on every late-bound name.
std::shared_ptr<const TypeLibrary> typeLibOf(const ProjectDescriptor& project,
                                             QString* error = nullptr);

// IDispatch::GetIDOfName for the objects of a component: the member of
// interface interfaceId named name (in any case), from the component's type
// library. UnknownName when there is no such member, TypeLibUnavailable
// when the type library cannot be read.
HResult idOfNameFromTypeLib(const ProjectDescriptor& project, const Guid& interfaceId,
                            const QString& name, DispId* id);

}  // namespace com

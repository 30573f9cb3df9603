#pragma once

#include "com/ComponentServer.h"

namespace quillet {

// The component's project descriptor: its type library identity, its one
// class and the registration data the platform writes for it.
const com::ProjectDescriptor& project();

// Live instances and class-factory locks of this library.
com::ServerLocks& serverLocks();

}  // namespace quillet

#pragma once

#include <QStringList>

#include "com/TypeLib.h"

// A type library as text, close to the description it was compiled from:
// identity, imports, each type with its flags, its base or its interfaces,
// and its members in slot order with dispatch identifiers and parameters.
QStringList printTypeLib(const com::TypeLibrary& lib);

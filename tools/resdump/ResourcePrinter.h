#pragma once

#include <QStringList>

#include "com/Resources.h"

// A file's resources as text: one heading a resource, then what its
// contents say: an identifier, a version record's fields, a picture's size
// and palette with its pixels as a grid of palette indexes, a type library
// in full. A resource that does not decode prints its error instead.
QStringList printResources(const com::ResourceTable& table);

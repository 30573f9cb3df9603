#pragma once

#include <QString>

namespace settings {

// What an errno means, said in the interface's language for the failures a
// settings file meets (a full disk, a read-only file system, a refused
// permission, a failing disk), and in the system's own words otherwise.
QString systemErrorText(int error);

}  // namespace settings

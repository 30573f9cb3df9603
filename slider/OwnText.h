#pragma once

#include <QString>

namespace quillet {

// Text this library hands to the platform, built on the heap. A string
// literal's QString points into the library's own memory, and the platform
// keeps some of what it is given (settings keys, property names a host
// records) after the library has been unloaded.
inline QString text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace quillet

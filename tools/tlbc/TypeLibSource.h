#pragma once

#include <QString>

#include "com/TypeLib.h"

// Reads a type library's readable description. One statement a line:
//
//   library <name> <{id}> version <major.minor> [locale <n>] [control] [hidden] [restricted]
//   helpstring "<text>"                      the help text of the library or type above
//   import <name> <{id}> version <major.minor> [locale <n>]
//
//   interface <name> <{id}> version <major.minor> [dual] [hidden]
//   dispinterface <name> <{id}> version <major.minor> [hidden]
//     base <import>.<name> <{id}>            the interface this one extends
//     <kind> <dispid> <return type> <name>(<parameter>, ...)
//   end
//   coclass <name> <{id}> [version <major.minor>] [control] [cancreate] [hidden]
//     implements <interface> [default] [source]
//   end
//
// <kind> is method, propget or propput; members are listed in slot order.
// A parameter is [in] [out] [retval] <type>[*] <name>, where * passes it by
// reference. Types: int16, int32, bool, void, hresult. Throws ScriptError.
com::TypeLibrary parseTypeLibSource(const QString& path);

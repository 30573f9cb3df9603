#pragma once

#include <QStringList>

#include "com/Resources.h"

// Compiles a resource script: one resource a statement,
//
//   <type> <number> file <path>          the bytes of a file (TYPELIB 1 file quillet.tlb)
//   <type> <number> guid <{id}>          an identifier resource
//   BITMAP <number> picture <path>       a picture drawn as text (PictureGrid.h)
//   VERSION <number> version             a version record, up to "end":
//     fileversion <a.b.c.d>
//     productversion <a.b.c.d>
//     translation <language> <code page>  hexadecimal: 0804 04B0
//     value <key> "<text>"               in the order given; "" for an empty one
//   end
//
// BITMAP and VERSION are the numbered types; any other type is a name.
// Paths are looked for beside the script, then in searchDirs. The files
// read are added to inputs. Throws ScriptError.
com::ResourceTable compileResourceScript(const QString& path, const QStringList& searchDirs,
                                         QStringList* inputs);

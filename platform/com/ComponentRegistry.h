#pragma once

#include <QString>
#include <optional>

#include "com/ComponentServer.h"
#include "com/Guid.h"

namespace com {

// The per-user component registry: which library serves which class, and
// which type libraries are installed. One INI file,
//   $XDG_CONFIG_HOME/ComponentRegistry/registry.ini
// (~/.config when XDG_CONFIG_HOME is unset), replaced atomically on every
// change. Sections, with identifiers written without braces:
//
//   [CLSID.<class id>]          ProgID, Class, Control, MiscStatus,
//                               ToolboxBitmap ("<path>,<number>"),
//                               InprocServer (absolute path), TypeLib, Version
//   [ProgID.<programmatic id>]  CLSID (braced)
//   [TypeLib.<library id>]      <major.minor>\Name, \HelpString, \Locale,
//                               \Flags, \Path
//
// Non-ASCII characters of section names are escaped the way QSettings
// escapes keys (%U5DE5 and so on).
namespace registry {

QString filePath();

struct ClassRegistration {
    Guid clsid;
    QString progId;
    QString serverPath;
};

// Reads. A missing file is an empty registry.
std::optional<Guid> classOfProgId(const QString& progId);
std::optional<ClassRegistration> findClass(const Guid& clsid);

// Writes the classes and the type library of a project served by the
// library at serverPath; removes exactly those entries again. False when
// the file could not be written (nothing is changed then); error() says why.
bool writeProject(const ProjectDescriptor& project, const QString& serverPath);
bool removeProject(const ProjectDescriptor& project);
QString lastError();

}  // namespace registry
}  // namespace com

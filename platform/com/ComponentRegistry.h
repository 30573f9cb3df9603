#pragma once

#include <QString>
#include <optional>
#include <span>

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
//   [Interface.<interface id>]  Name, TypeLib (braced), Version (of the type
//                               library), Proxy: how calls through it cross
//                               to another process, "TypeLibrary" (marshalled
//                               from the type library's description, for a
//                               dual interface) or "Dispatch" (through the
//                               dispatch interface, for a dispatch-only one)
//
// Non-ASCII characters of section names are escaped the way QSettings
// escapes keys (%U5DE5 and so on).
namespace registry {

QString filePath();

struct ClassRegistration {
    Guid clsid;
    QString progId;
    QString serverPath;
    Guid typeLib;  // null when the entry names none
    QString typeLibVersion;
};

struct TypeLibRegistration {
    Guid id;
    uint16_t major = 0, minor = 0;
    QString name, helpString;
    uint32_t locale = 0;
    uint16_t flags = 0;
    QString path;
};

struct InterfaceRegistration {
    Guid iid;
    QString name;
    QString proxy;  // "TypeLibrary" or "Dispatch"
    Guid typeLib;   // filled in on reading
    QString version;
};

// Reads. A missing file is an empty registry.
std::optional<Guid> classOfProgId(const QString& progId);
std::optional<ClassRegistration> findClass(const Guid& clsid);
std::optional<TypeLibRegistration> findTypeLib(const Guid& id, uint16_t major, uint16_t minor);
std::optional<InterfaceRegistration> findInterface(const Guid& iid);
// Every class with a component file, in the order of the file.
QList<ClassRegistration> classes();

// Writes the classes, the type library and the interfaces described in it
// of a project served by the library at serverPath; removes exactly those
// entries again (the interfaces still registered to this type library and
// version). False when the file could not be written (nothing is changed
// then); lastError() says why.
bool writeProject(const ProjectDescriptor& project, const QString& serverPath,
                  std::span<const InterfaceRegistration> interfaces = {});
bool removeProject(const ProjectDescriptor& project);
// Removes registered classes whose files are gone: each class's entry, its
// programmatic identifier while that still names it, and the type library
// version it names with that version's interfaces, when the type library
// lives in the same file and no remaining class names it.
bool removeClasses(std::span<const ClassRegistration> gone);
QString lastError();
// For a registration step that fails before the registry is touched.
void setLastError(const QString& text);

}  // namespace registry
}  // namespace com

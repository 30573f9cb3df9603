#pragma once

#include <QString>
#include <optional>

#include "com/Guid.h"

namespace com {

// A manifest beside a program names component files in the same folder and
// the classes they serve, so the program can create them without a
// registration step (a side-by-side install). Any "*.manifest" file of the
// folder counts; each section describes one class:
//
//   [NewHscrollbar]
//   File=libquillet.so
//   CLSID={4BC2321F-C8F0-11D3-86B8-52544C9974A0}
//   ProgID=工程1.NewHscrollbar
//
// File is relative to the manifest's folder (or absolute).
struct ManifestClass {
    Guid clsid;
    QString progId;
    QString file;      // absolute
    QString manifest;  // the manifest that names it, absolute
};

// The class named by programmatic identifier or braced class identifier in
// the manifests of folder, if any names it.
std::optional<ManifestClass> findInManifests(const QString& folder, const QString& name);

}  // namespace com

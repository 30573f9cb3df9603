#pragma once

#include <QSettings>
#include <stdexcept>

#include "BuiltFiles.h"
#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/Dispatch.h"
#include "support/RuntimeFailure.h"

// The slider component as hosts name it, and the per-user registry it is
// registered in.
inline const QString kProgId = QStringLiteral("工程1.NewHscrollbar");
constexpr com::Guid kClsid = com::Guid::parse("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
constexpr com::Guid kLibId = com::Guid::parse("{4BC231B8-C8F0-11D3-86B8-52544C9974A0}");
constexpr com::Guid kInterfaceId = com::Guid::parse("{4BC2321E-C8F0-11D3-86B8-52544C9974A0}");
constexpr com::Guid kEventsId = com::Guid::parse("{4BC23220-C8F0-11D3-86B8-52544C9974A0}");
constexpr com::DispId kValue = 1745027073;

inline com::ComponentLibrary& load(const QString& path = kQuilletFile) {
    QString reason;
    com::ComponentLibrary* lib = com::ComponentLibrary::load(path, &reason);
    if (!lib) throw std::runtime_error(reason.toStdString());
    return *lib;
}

inline QSettings registryFile() {
    return QSettings(com::registry::filePath(), QSettings::IniFormat);
}
inline QStringList registryKeys() {
    QStringList keys = registryFile().allKeys();
    keys.sort();
    return keys;
}

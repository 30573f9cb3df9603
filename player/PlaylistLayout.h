#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "settings/SettingsStore.h"

// Where the playlist lives in the settings store: the count in section
// "num" and each entry in a section named by its index, all under the key
// "value".
inline const QString kPlaylistApplication = QStringLiteral("ravelle");
inline const QString kPlaylistCountSection = QStringLiteral("num");
inline const QString kPlaylistKey = QStringLiteral("value");

// The values that store entries, entries first and the count last.
std::vector<settings::SettingsStore::Value> playlistValues(const QStringList& entries);

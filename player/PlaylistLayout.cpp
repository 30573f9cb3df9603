#include "PlaylistLayout.h"

std::vector<settings::SettingsStore::Value> playlistValues(const QStringList& entries) {
    std::vector<settings::SettingsStore::Value> values;
    values.reserve(size_t(entries.size()) + 1);
    for (qsizetype i = 0; i < entries.size(); ++i)
        values.push_back({QString::number(i), kPlaylistKey, entries[i]});
    // The count goes last, after every entry it counts.
    values.push_back({kPlaylistCountSection, kPlaylistKey, QString::number(entries.size())});
    return values;
}

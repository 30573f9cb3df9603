#pragma once

#include <QByteArray>
#include <QString>

// What a file says of itself: the tags a desktop shows for the track, and
// the cover picture it carries. Empty where the file says nothing.
struct TrackTags {
    QString title;
    QString artist;
    QString album;
    int trackNumber = 0;
    QByteArray cover;   // the picture's bytes as stored
    QString coverType;  // its media type, "image/jpeg" say

    bool operator==(const TrackTags&) const = default;
};

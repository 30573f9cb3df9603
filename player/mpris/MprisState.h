#pragma once

#include <QString>
#include <QVariantMap>

class CoverCache;
class Form1;

// What the desktop's player controls see of the window at one moment,
// read from the window's own carriers: the transport buttons' flags, the
// media device, the volume scroll bar.
//  - PlaybackStatus: "Playing" while Pause can be used and the device
//    sounds, "Paused" while Resume can be used, "Stopped" otherwise.
//  - CanPlay: Play or Resume can be used; CanPause: Pause; CanGoNext: Play.
//  - Metadata: the open file (an id that is new with every track started,
//    its URI, its length, and the title, artist, album, track number and
//    cover it carries; the name the status line shows as the title when it
//    carries none), or no track.
//  - Volume: HScroll1's value over its full scale.
struct MprisState {
    QString playbackStatus;
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    double volume = 0;
    // The track, when a file is open; an empty trackPath means none.
    QString trackPath;
    QString url;
    QString title;
    QString artist;
    QString album;
    int trackNumber = 0;
    QString artUrl;
    qint64 lengthUs = 0;

    // covers: where the track's cover picture is on the disk, if it has one.
    static MprisState of(const Form1& form, CoverCache* covers = nullptr);

    // The Player interface's Metadata value.
    QVariantMap metadata() const;
    // The Player properties whose values differ from those in before, by
    // name, with their values as they travel on the bus.
    QVariantMap changedSince(const MprisState& before) const;

    bool operator==(const MprisState&) const = default;
};

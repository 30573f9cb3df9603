#pragma once

#include <QString>

// The names the desktop finds the player by.
namespace mpris {

inline const QString kBusName = QStringLiteral("org.mpris.MediaPlayer2.ravelle");
inline const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// The track id of "no track".
inline const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// The values of PlaybackStatus.
inline const QString kPlaying = QStringLiteral("Playing");
inline const QString kPaused = QStringLiteral("Paused");
inline const QString kStopped = QStringLiteral("Stopped");

// HScroll1's full scale: its value over this is the volume.
constexpr int kFullVolume = 32767;

// The id of the n-th track the device has opened.
inline QString trackPath(quint32 n) {
    return QStringLiteral("/org/ravelle/Ravelle/Track/%1").arg(n);
}

}  // namespace mpris

#pragma once

#include <QString>

namespace media {

enum class Command { Open, Play, Pause, Stop, Close, Unknown };

// The command texts, as the player sends them.
inline const QString kOpen = QStringLiteral("open");
inline const QString kPlay = QStringLiteral("play");
inline const QString kPause = QStringLiteral("pause");
inline const QString kStop = QStringLiteral("stop");
inline const QString kClose = QStringLiteral("close");

// Command texts are read loosely, as users of a text command interface
// expect: case does not matter, surrounding blanks are ignored.
inline Command parseCommand(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == kOpen) return Command::Open;
    if (word == kPlay) return Command::Play;
    if (word == kPause) return Command::Pause;
    if (word == kStop) return Command::Stop;
    if (word == kClose) return Command::Close;
    return Command::Unknown;
}

}  // namespace media

#pragma once

#include <QString>

namespace media {

enum class Command { Open, Play, Pause, Stop, Close, Unknown };

// Command texts are read loosely, as users of a text command interface
// expect: case does not matter, surrounding blanks are ignored.
inline Command parseCommand(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("open")) return Command::Open;
    if (word == QLatin1String("play")) return Command::Play;
    if (word == QLatin1String("pause")) return Command::Pause;
    if (word == QLatin1String("stop")) return Command::Stop;
    if (word == QLatin1String("close")) return Command::Close;
    return Command::Unknown;
}

}  // namespace media

#pragma once

#include <QString>

// The numbers a media device leaves in its error report, and their texts.
// Every device speaks the same numbers, so a test written against the
// simulated device reads the same report from the real one.
namespace media {

enum Error : int {
    NoError = 0,
    NoFileName = 1,      // "open" with an empty FileName
    FileNotFound,        // nothing at that path
    NotAFile,            // a directory or another non-regular file
    Unreadable,          // the user may not read it
    EmptyFile,           // 0 bytes
    NotPlayable,         // not audio, an unknown format or a corrupt file
    ZeroLength,          // decodes, but holds less than a millisecond
    UnknownLength,       // decodes, but its length cannot be told
    OpenTimeout,         // the decoder did not get ready in time
    NotOpen,             // "play", "pause" or "stop" with nothing open
    UnknownCommand,      // a command text the device does not know
    PlaybackFailed,      // the stream failed while it played
    BackendUnavailable,  // the media framework could not start
    NoOutput,            // nothing to play to: no sound server or card answers
    OutputLost           // the sound output went away while a file was open
};

// A clear, user-readable text for an error; subject is the file or command
// it concerns and may be empty.
QString errorText(int error, const QString& subject = {});

}  // namespace media

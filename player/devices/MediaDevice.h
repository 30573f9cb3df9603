#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// The media device the player drives with text commands. The contract the
// handlers rely on:
//  - FileName is kept across "stop" and "close".
//  - "open" is synchronous: when it returns, Length is known, or the open
//    failed and the device is closed with an error report.
//  - Length and Position are whole milliseconds. While playing or paused,
//    Position < Length; once the track has ended, Position == Length
//    exactly. A closed device reads 0 and 0.
//  - StatusUpdate is raised every 1000 ms on the UI thread while a file is
//    open, never while none is.
//  - A command that cannot be carried out returns normally and leaves an
//    error report (Error, ErrorMessage); the next command that succeeds
//    clears it.
//  - "close" with nothing open does nothing.
class MediaDevice {
public:
    virtual ~MediaDevice() = default;

    virtual QString FileName() const = 0;
    virtual void setFileName(const QString& path) = 0;

    // "open", "play", "pause", "stop" or "close"; anything else is an
    // error report, not an exception.
    virtual void setCommand(const QString& command) = 0;

    virtual qint32 Length() const = 0;
    virtual qint32 Position() const = 0;

    // The last command's error report: 0 and empty text when it succeeded.
    virtual int Error() const = 0;
    virtual QString ErrorMessage() const = 0;

    // True between a successful "open" and the next "close".
    virtual bool isOpen() const = 0;

    std::function<void()> StatusUpdate;
};

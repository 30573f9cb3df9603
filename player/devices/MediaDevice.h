#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

#include "TrackTags.h"
#include "forms/ChangeNotifier.h"

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
//  - Watchers of changes() are told after every command and whenever
//    FileName, isOpen, isPlaying or Length change by themselves (the end
//    of a track, a stream that breaks off, a length the decoder revises).
//    Position is not told: it moves all the time.
class MediaDevice {
public:
    virtual ~MediaDevice() = default;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& path);

    // "open", "play", "pause", "stop" or "close" (case and surrounding
    // blanks do not matter); anything else is an error report, not an
    // exception. "play", "pause" and "stop" need an open file.
    virtual void setCommand(const QString& command);

    virtual qint32 Length() const = 0;
    virtual qint32 Position() const = 0;

    // The last command's error report: 0 and empty text when it succeeded.
    int Error() const { return m_error; }
    QString ErrorMessage() const { return m_errorMessage; }

    // True between a successful "open" and the next "close".
    virtual bool isOpen() const = 0;
    // True while the open file sounds: from "play" until "pause", "stop",
    // "close" or its end.
    virtual bool isPlaying() const = 0;

    // True from an "open" that found no sound output, or a stream that lost
    // it, until an "open" succeeds: then no file would be heard, whichever.
    bool outputMissing() const { return m_outputMissing; }

    // What the open file says of itself; empty while none is open. Known
    // when "open" returns; a file may tell more while it plays, which
    // changes() reports.
    virtual TrackTags tags() const { return {}; }

    // How many files "open" has opened so far: it grows with every track
    // started, the same file again included.
    quint32 tracksOpened() const { return m_tracksOpened; }

    forms::ChangeNotifier& changes() const { return m_changes; }

    std::function<void()> StatusUpdate;

protected:
    // What each command does to the device. open() reports its own
    // success or failure; play() and halt() ("pause" and "stop") run only
    // while a file is open and report too; close() does nothing when
    // nothing is open.
    virtual void open() = 0;
    virtual void play() = 0;
    virtual void halt() = 0;
    virtual void close() = 0;

    void fail(int error, const QString& subject = {});
    void succeed();
    // For what changes by itself, outside a command.
    void notifyChange() { m_changes.notify(); }

private:
    void route(const QString& command);

    QString m_fileName;
    int m_error = 0;
    QString m_errorMessage;
    quint32 m_tracksOpened = 0;
    bool m_outputMissing = false;
    mutable forms::ChangeNotifier m_changes;
};

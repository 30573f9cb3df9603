#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

// Saves the playlist soon after it changes, so that a crash, a power cut or
// a kill loses nothing the user did: within a second of a change, at most
// once a second, in the store's own layout and with its atomic replace. The
// window's thread only takes a copy of the entries; the file is written on
// a thread of its own. The exit save takes the same way, and is waited for
// a bounded time only, so a slow or dead disk cannot keep the program from
// ending.
class PlaylistAutosave {
public:
    // entries: the playlist as it is now.
    explicit PlaylistAutosave(std::function<QStringList()> entries);
    ~PlaylistAutosave();
    PlaylistAutosave(const PlaylistAutosave&) = delete;
    PlaylistAutosave& operator=(const PlaylistAutosave&) = delete;

    // The playlist has changed.
    void changed();

    // Saves the playlist as it is now, after any save under way, and waits
    // at most limitMs for it. changedByUser: the list is the user's own this
    // run, and may replace a file that could not be read. Empty when it was
    // written; else why not.
    struct Outcome {
        bool written = false;
        bool timedOut = false;
        QString error;
    };
    Outcome saveNow(bool changedByUser, int limitMs);

    // No save from here on: one not yet begun is dropped, and one under way
    // is waited for at most limitMs, then left to finish on its own.
    void stop(int limitMs = kStopWaitMs);

    // Waits, a bounded time, until every save asked for so far is written;
    // for measuring and testing. False if one is still under way.
    bool flush();

    // Saves begun, and the last failure (empty when the last save worked).
    int savesBegun() const { return m_begun; }
    QString lastError() const;

    static constexpr int kIntervalMs = 1000;
    static constexpr int kStopWaitMs = 1000;

private:
    struct Worker;
    bool begin(bool mayReplaceUnread);
    bool waitIdle(int limitMs);

    std::function<QStringList()> m_entries;
    QTimer m_timer;
    QElapsedTimer m_sinceLastBegun;
    std::shared_ptr<Worker> m_worker;
    bool m_stopped = false;
    int m_begun = 0;
};

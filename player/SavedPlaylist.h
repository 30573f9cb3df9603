#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "forms/TextList.h"

// The playlist as the settings store keeps it between runs: application
// "ravelle", the count in section "num" and each entry in a section named
// by its index, all under the key "value"; the entries are written before
// the count.
//
//  - At start, restore() reads it, from what readAhead() read and parsed
//    meanwhile.
//  - Within a second of each change (changed()), at most once a second, it
//    is written, so that a crash, a power cut or a kill loses nothing. The
//    window's thread only copies the list; the file is written on a thread
//    of its own.
//  - At exit, close() writes it the same way, with the same rules, and
//    waits a bounded time only: a disk that does not answer cannot keep the
//    program from ending.
//  - A save that fails while nobody is there to be told is noted beside the
//    store ("ravelle.ini.unsaved"), and the next start tells it.
class SavedPlaylist {
public:
    static const QString kApplication;

    // entries: the playlist as it is now.
    explicit SavedPlaylist(std::function<const forms::TextList&()> entries);
    ~SavedPlaylist();
    SavedPlaylist(const SavedPlaylist&) = delete;
    SavedPlaylist& operator=(const SavedPlaylist&) = delete;

    // Starts reading the store on a thread of its own. Needs no Qt object:
    // it may run before the application object exists.
    static void readAhead();

    struct Restored {
        forms::TextList entries;
        // What the user must be told about the store, a message each.
        QStringList reports;
    };
    // The list stored, in order. What cannot be read is not there: a
    // missing entry reads "42.mid"; a count that is no number takes the
    // entries there are, in order.
    Restored restore();

    // The playlist has changed: the user has made it theirs.
    void changed();

    // At exit: the list as it is now, after any save under way, waited for
    // at most limitMs. Returns what the user must be told (empty when it
    // was written, or when the disk did not answer in time: then standard
    // error says so). unattended: nobody is there to read a box; the
    // reason is also noted for the next start.
    QString close(bool unattended, int limitMs);

    // Waits, a bounded time, until every save asked for so far is written;
    // for tests and benchmarks. False if one is still under way.
    bool flush();
    // Saves begun, and the last failure (empty when the last save worked).
    int savesBegun() const { return m_begun; }
    QString lastError() const;

    static constexpr int kIntervalMs = 1000;

private:
    struct Worker;
    bool begin();
    bool waitIdle(int limitMs);
    void stop(int limitMs);

    std::function<const forms::TextList&()> m_entries;
    QTimer m_timer;
    QElapsedTimer m_sinceLastBegun;
    std::shared_ptr<Worker> m_worker;
    // Read whole at start (or there was none), so the exit may write it
    // back; changed by the user since.
    bool m_read = false;
    bool m_changed = false;
    bool m_stopped = false;
    int m_begun = 0;
};

#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace media {

// What a look at a file finds before any pipeline is asked to play it.
enum class FileLook {
    Missing,          // nothing at that path (or a link that leads nowhere)
    NotAFile,         // a folder, a FIFO, a device
    Unreadable,       // the user may not read it
    Empty,            // 0 bytes
    NothingToDecode,  // read, and nothing in it GStreamer here could decode
    MayPlay,          // for the pipeline to say
    NoAnswer,         // the file system did not answer in time
};

// The look itself, on the calling thread. GStreamer must be initialised.
// Only a regular file is opened, and without waiting (O_NONBLOCK), so a
// FIFO put in its place since it was looked at is never waited on.
FileLook lookAt(const QString& path);

// Only whether something is there and is a regular file (Missing,
// NotAFile or MayPlay): what a file handed in must be before it is added.
FileLook lookAtEntry(const QString& path);

// Looks at files on a thread of its own. A file system that stops
// answering (a network share whose server is gone) holds up that thread,
// never the caller: the caller waits at most its limit and gets NoAnswer,
// and the stuck thread is left to end into nothing. While a few such
// threads are still stuck, further looks are answered NoAnswer at once
// instead of leaving more threads behind.
class FileLooker {
public:
    using Look = std::function<FileLook(const QString&)>;
    explicit FileLooker(Look look = lookAt);
    ~FileLooker();
    FileLooker(const FileLooker&) = delete;
    FileLooker& operator=(const FileLooker&) = delete;

    FileLook look(const QString& path, int limitMs);

    // Threads given up on that have not ended yet.
    int stuckThreads() const;

    static constexpr int kMostStuckThreads = 4;

private:
    struct Worker;
    struct Stuck;
    Look m_look;
    std::shared_ptr<Worker> m_worker;
    std::shared_ptr<Stuck> m_stuck;
};

}  // namespace media

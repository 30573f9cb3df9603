#pragma once

#include <sys/types.h>

#include <QLockFile>
#include <QString>
#include <cstddef>
#include <string>

namespace settings {

// A settings file on the disk: read safely, replaced atomically, written
// under its lock, cleared of what an interrupted save left, and the
// system's reasons said in words.
//
// Reading is done with the C library alone, so that it can run on a
// thread of its own before the program's Qt objects exist.

// No playlist comes near this: 32,767 entries of 4,096-byte paths with
// their headers are about 135 MB. Anything larger is not a store the
// program wrote, and is refused before memory is set aside for it.
constexpr off_t kMaxStoreBytes = off_t(256) << 20;

// Which version of a file was there: a replace makes a new inode, and an
// edit in place moves the size or the time.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    long long modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

struct StoreBytes {
    enum class Outcome {
        Absent,    // nothing at the path: a first start
        Read,      // bytes holds the whole file
        NotAFile,  // a folder, a pipe, a device, a socket or a dangling link: never opened
        TooLarge,  // larger than kMaxStoreBytes: never read
        Failed,    // open or read failed; error holds errno
    };
    Outcome outcome = Outcome::Absent;
    int error = 0;
    // For NotAFile: the kind found (S_IFDIR, S_IFIFO, ... or S_IFLNK for a
    // link that leads nowhere).
    mode_t kind = 0;
    std::string bytes;
    FileStamp stamp;
};

// Reads the file at path, following symbolic links. Never opens anything
// but a regular file, and never blocks on one that is not.
StoreBytes readStoreFile(const std::string& path, off_t limit = kMaxStoreBytes) noexcept;

// The stamp of what is at path now; size -1 when nothing is.
FileStamp stampOf(const std::string& path) noexcept;

// Puts data at path in one step: it is written to a new file beside it
// (path followed by ".tmp-" and six random characters), flushed to the
// disk, then renamed over path. A crash, a kill or a full disk at any point
// leaves either the old file whole or the new one whole; a failed flush
// counts as a failed write. A symbolic link at path stays, and the file it
// leads to is replaced. Returns 0, or the errno of the step that failed
// (the old file is then as it was, and no temporary file is left).
int replaceFile(const std::string& path, const char* data, size_t size) noexcept;

// Makes a folder and the folders above it that are missing; 0 or errno.
int makeFolders(const std::string& path) noexcept;

// What an errno means, said in the interface's language for the failures a
// settings file meets (a full disk, a read-only file system, a refused
// permission, a failing disk), and in the system's own words otherwise.
QString systemErrorText(int error);

// The lock a settings file is written under: the file's name followed by
// ".lock", as QSettings takes it, holding the writer's process id. A lock
// whose process has ended is taken over.
class StoreLock {
public:
    explicit StoreLock(const QString& storePath);

    // Takes the lock, waiting a bounded time for another writer.
    bool take(int waitMs = 10000);
    // Why the lock could not be taken, in words for the user.
    QString problem() const { return m_problem; }

private:
    QString m_path;
    QLockFile m_lock;
    QString m_problem;
};

// Removes what a save cut short left beside the settings file: its new
// file, never renamed ("<name>.tmp-" and six random characters), and its
// lock. Names the user may have given copies ("<name>.backup") are never
// touched. Only when no running copy holds the lock, so a save under way
// elsewhere keeps its file.
void removeLeftovers(const QString& storePath);

}  // namespace settings

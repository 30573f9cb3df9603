#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace settings {

// A settings file read with the C library alone, so that it can run on a
// thread of its own before the program's Qt objects exist: the bytes come
// back plain, and whoever takes them parses them later.

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

}  // namespace settings

#include "settings/StoreFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace settings {

namespace {
FileStamp stampFrom(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size,
            info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
}

StoreBytes failed(int error) {
    StoreBytes result;
    result.outcome = StoreBytes::Outcome::Failed;
    result.error = error;
    return result;
}

StoreBytes notAFile(mode_t kind) {
    StoreBytes result;
    result.outcome = StoreBytes::Outcome::NotAFile;
    result.kind = kind;
    return result;
}
}  // namespace

FileStamp stampOf(const std::string& path) noexcept {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return stampFrom(info);
}

StoreBytes readStoreFile(const std::string& path, off_t limit) noexcept {
    // Look before opening: opening a pipe for reading waits for a writer,
    // and opening a device may do something to it.
    struct stat before = {};
    if (::stat(path.c_str(), &before) != 0) {
        const int error = errno;
        struct stat link = {};
        if (error == ENOENT && ::lstat(path.c_str(), &link) == 0) return notAFile(S_IFLNK);
        if (error == ENOENT) return {};
        return failed(error);
    }
    if (!S_ISREG(before.st_mode)) return notAFile(before.st_mode & S_IFMT);
    if (before.st_size > limit) {
        StoreBytes result;
        result.outcome = StoreBytes::Outcome::TooLarge;
        result.stamp = stampFrom(before);
        return result;
    }

    // Something else may have taken the path's place meanwhile: open
    // without waiting, and read only if it is still a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? StoreBytes{} : failed(errno);
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return notAFile(info.st_mode & S_IFMT);
    }
    if (info.st_size > limit) {
        ::close(fd);
        StoreBytes result;
        result.outcome = StoreBytes::Outcome::TooLarge;
        result.stamp = stampFrom(info);
        return result;
    }

    StoreBytes result;
    result.outcome = StoreBytes::Outcome::Read;
    result.stamp = stampFrom(info);
    try {
        // The file may grow while it is read: read on until its end, but
        // never past the limit.
        result.bytes.resize(size_t(info.st_size));
        size_t done = 0;
        for (;;) {
            if (done == result.bytes.size()) {
                if (off_t(done) >= limit + 1) break;
                result.bytes.resize(std::min(size_t(limit + 1), done + 65536));
            }
            const ssize_t n = ::read(fd, result.bytes.data() + done, result.bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                return failed(error);
            }
            if (n == 0) break;
            done += size_t(n);
        }
        result.bytes.resize(done);
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return failed(ENOMEM);
    }
    ::close(fd);
    if (off_t(result.bytes.size()) > limit) {
        result.bytes = std::string();
        result.outcome = StoreBytes::Outcome::TooLarge;
    }
    return result;
}

}  // namespace settings

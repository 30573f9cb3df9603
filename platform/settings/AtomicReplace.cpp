#include "settings/AtomicReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace settings {

namespace {
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of links at path ends in; path itself when it is none.
std::string finalTarget(const std::string& path) {
    struct stat info = {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;  // leads nowhere: the rename replaces the link
    std::string target(real);
    std::free(real);
    return target;
}

int writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        data += n;
        size -= size_t(n);
    }
    return 0;
}
}  // namespace

int replaceFile(const std::string& path, const char* data, size_t size) noexcept {
    try {
        const std::string target = finalTarget(path);
        std::string temporary = target + ".tmp-XXXXXX";
        const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) return errno;
        int error = writeAll(fd, data, size);
        // The new file reads and writes for the same people as the old one.
        struct stat old = {};
        if (!error && ::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
            error = errno;
        // A rename before the data is on the disk could leave an empty file
        // after a power cut; a failed flush may have lost some of it.
        if (!error && ::fdatasync(fd) != 0) error = errno;
        if (::close(fd) != 0 && !error && errno != EINTR) error = errno;
        if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
        if (error) {
            ::unlink(temporary.c_str());
            return error;
        }
        // The rename itself lasts once the folder is on the disk too.
        const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        return 0;
    } catch (...) {
        return ENOMEM;
    }
}

int makeFolders(const std::string& path) noexcept {
    try {
        struct stat info = {};
        if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
        const std::string parent = folderOf(path);
        if (parent != path && parent != "/" && parent != ".")
            if (const int error = makeFolders(parent)) return error;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        return 0;
    } catch (...) {
        return ENOMEM;
    }
}

}  // namespace settings

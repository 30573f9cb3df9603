#include "settings/StoreFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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

// --- replacing ---------------------------------------------------------------

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

// --- the system's reasons ----------------------------------------------------

QString systemErrorText(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("设备上没有空间");
        case EDQUOT:
            return QStringLiteral("超出磁盘配额");
        case EROFS:
            return QStringLiteral("只读文件系统");
        case EACCES:
            return QStringLiteral("权限不够");
        case EPERM:
            return QStringLiteral("不允许的操作");
        case EIO:
            return QStringLiteral("输入/输出错误");
        case ENOENT:
            return QStringLiteral("没有那个文件或目录");
        case ENOTDIR:
            return QStringLiteral("路径中有一项不是目录");
        case EISDIR:
            return QStringLiteral("是一个目录");
        case ELOOP:
            return QStringLiteral("符号链接的层数过多");
        case ENAMETOOLONG:
            return QStringLiteral("文件名过长");
        case ENOMEM:
            return QStringLiteral("内存不足");
        case EFBIG:
            return QStringLiteral("文件过大");
        case EBUSY:
            return QStringLiteral("设备或资源忙");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("打开的文件过多");
        case ETIMEDOUT:
            return QStringLiteral("等待超时");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

// --- the lock and the leftovers -----------------------------------------------

StoreLock::StoreLock(const QString& storePath)
    : m_path(storePath + QStringLiteral(".lock")), m_lock(m_path) {}

bool StoreLock::take(int waitMs) {
    if (m_lock.tryLock(waitMs)) return true;
    if (m_lock.error() == QLockFile::LockFailedError) {
        m_problem = QStringLiteral("另一个程序正在写它（锁文件 %1）").arg(m_path);
        return false;
    }
    // QLockFile does not say why it could not make the lock file: try to
    // make it, and keep what the system answers.
    const QByteArray name = QFile::encodeName(m_path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
        ::unlink(name.constData());
    }
    m_problem = QStringLiteral("无法创建锁文件 %1：%2")
                    .arg(m_path, fd >= 0 ? QStringLiteral("原因不明") : systemErrorText(error));
    return false;
}

void removeLeftovers(const QString& storePath) {
    const QFileInfo store(storePath);
    const QDir folder(store.path());
    if (!folder.exists()) return;
    // The new file of a save, or of a copy aside ("<name>.damaged-<time>").
    const QRegularExpression unfinished(
        QStringLiteral("^%1(\\.damaged-[0-9-]+)?\\.tmp-[A-Za-z0-9]{6}$")
            .arg(QRegularExpression::escape(store.fileName())));
    const QStringList names = folder
                                  .entryList({store.fileName() + QStringLiteral(".*")},
                                             QDir::Files | QDir::Hidden | QDir::System)
                                  .filter(unfinished);
    // Taking the lock writes it to the disk, so only when there is
    // something to clear; taking it clears one whose process has ended.
    if (names.isEmpty() && !folder.exists(store.fileName() + QStringLiteral(".lock"))) return;
    StoreLock lock(storePath);
    if (!lock.take(0)) return;
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat info = {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(path.constData());
    }
}

}  // namespace settings

#include "settings/StoreLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "settings/SystemErrorText.h"

namespace settings {

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

}  // namespace settings

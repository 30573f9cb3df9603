#include "ScriptSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>

std::unique_ptr<ScriptSource> ScriptSource::open(const QString& path, QString* error) {
    if (path == u"-") return std::unique_ptr<ScriptSource>(new ScriptSource(STDIN_FILENO, false));
    // Without O_NONBLOCK, opening a FIFO waits for its writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    // Reads happen only when the descriptor is readable; blocking ones then
    // return what is there.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<ScriptSource>(new ScriptSource(fd, true));
}

ScriptSource::ScriptSource(int fd, bool own)
    : m_fd(fd), m_ownFd(own), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSome(); });
}

ScriptSource::~ScriptSource() {
    m_notifier->setEnabled(false);
    if (m_ownFd) ::close(m_fd);
}

void ScriptSource::setPaused(bool paused) {
    if (!m_ended) m_notifier->setEnabled(!paused);
}

void ScriptSource::readSome() {
    char buffer[16384];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) return;
        // An unreadable script ends where it could no longer be read.
    }
    if (n > 0) return deliver(QByteArray(buffer, qsizetype(n)));
    m_ended = true;
    m_notifier->setEnabled(false);
    if (!m_partial.isEmpty()) deliver(QByteArray("\n"));
    if (onEnd) onEnd();
}

void ScriptSource::deliver(const QByteArray& bytes) {
    m_partial += bytes;
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1) {
        QByteArray raw = m_partial.mid(start, end - start);
        if (raw.endsWith('\r')) raw.chop(1);
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decode(raw);
        if (onLine) onLine(line, !decode.hasError());
    }
    m_partial.remove(0, start);
}

#include "FileLook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "TypeFinding.h"

namespace media {

FileLook lookAt(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) return FileLook::Missing;
    if (!S_ISREG(status.st_mode)) return FileLook::NotAFile;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileLook::Unreadable;
    FileLook look = FileLook::MayPlay;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        look = FileLook::NotAFile;
    } else if (status.st_size == 0) {
        look = FileLook::Empty;
    } else {
        const QByteArray extension = QFileInfo(path).suffix().toLower().toUtf8();
        // A read that fails is for the pipeline to report in its words.
        if (findDecodableType(fd, quint64(status.st_size), extension) == TypeFound::Nothing)
            look = FileLook::NothingToDecode;
    }
    ::close(fd);
    return look;
}

FileLook lookAtEntry(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) return FileLook::Missing;
    return S_ISREG(status.st_mode) ? FileLook::MayPlay : FileLook::NotAFile;
}

struct FileLooker::Stuck {
    std::atomic<int> threads{0};
};

struct FileLooker::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<QString> job;
    std::optional<FileLook> answer;
    bool leave = false;
    bool givenUp = false;
    Look look;
    std::shared_ptr<Stuck> stuck;

    static void run(std::shared_ptr<Worker> self) {
        std::unique_lock hold(self->mutex);
        for (;;) {
            self->changed.wait(hold, [&] { return self->leave || self->job.has_value(); });
            if (self->leave) break;
            const QString path = std::move(*self->job);
            self->job.reset();
            hold.unlock();
            FileLook found = FileLook::MayPlay;
            try {
                found = self->look(path);
            } catch (...) {
                // Out of memory, say: the pipeline gets to try the file.
            }
            hold.lock();
            self->answer = found;
            self->changed.notify_all();
        }
        if (self->givenUp) --self->stuck->threads;
    }
};

FileLooker::FileLooker(Look look) : m_look(std::move(look)), m_stuck(std::make_shared<Stuck>()) {}

FileLooker::~FileLooker() {
    if (!m_worker) return;
    std::lock_guard hold(m_worker->mutex);
    m_worker->leave = true;
    m_worker->changed.notify_all();
}

int FileLooker::stuckThreads() const { return m_stuck->threads; }

FileLook FileLooker::look(const QString& path, int limitMs) {
    if (!m_worker) {
        if (m_stuck->threads >= kMostStuckThreads) return FileLook::NoAnswer;
        auto worker = std::make_shared<Worker>();
        worker->look = m_look;
        worker->stuck = m_stuck;
        try {
            std::thread(Worker::run, worker).detach();
        } catch (const std::system_error&) {
            // No thread to be had: look here, as the pipeline would read.
            return m_look(path);
        }
        m_worker = std::move(worker);
    }
    Worker& worker = *m_worker;
    std::unique_lock hold(worker.mutex);
    worker.answer.reset();
    worker.job = path;
    worker.changed.notify_all();
    if (worker.changed.wait_for(hold, std::chrono::milliseconds(limitMs),
                                [&] { return worker.answer.has_value(); }))
        return *worker.answer;
    // The look goes on without anyone waiting for it; the thread leaves
    // once it returns.
    worker.givenUp = true;
    worker.leave = true;
    ++m_stuck->threads;
    hold.unlock();
    m_worker.reset();
    return FileLook::NoAnswer;
}

}  // namespace media

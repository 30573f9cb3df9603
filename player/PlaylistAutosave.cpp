#include "PlaylistAutosave.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "PlaylistLayout.h"
#include "settings/SettingsStore.h"

namespace {
// What a test or a benchmark waits at most for the saves it asked for.
constexpr int kFlushWaitMs = 10000;
}  // namespace

// The thread that writes, and what it shares with the window's thread. It
// holds at most one save waiting: a newer copy of the list replaces an
// older one not yet begun.
struct PlaylistAutosave::Worker {
    struct Job {
        settings::SettingsStore::WriteTarget target;
        QStringList entries;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<Job> waiting;
    bool busy = false;
    bool stopping = false;
    QString lastError;
    std::thread thread;

    static void run(std::shared_ptr<Worker> self) {
        std::unique_lock hold(self->mutex);
        for (;;) {
            self->wake.wait(hold, [&] { return self->stopping || self->waiting; });
            if (self->stopping) break;
            Job job = std::move(*self->waiting);
            self->waiting.reset();
            self->busy = true;
            hold.unlock();
            QString error;
            // Nothing may leave this thread: an exception here would end
            // the program, and the list with it.
            try {
                settings::SettingsStore::writeValues(job.target, playlistValues(job.entries),
                                                     &error);
            } catch (const std::exception& e) {
                error =
                    QStringLiteral("保存播放列表失败：%1").arg(QString::fromLocal8Bit(e.what()));
            }
            hold.lock();
            self->lastError = error;
            self->busy = false;
            self->idle.notify_all();
        }
        self->busy = false;
        self->idle.notify_all();
    }
};

PlaylistAutosave::PlaylistAutosave(std::function<QStringList()> entries)
    : m_entries(std::move(entries)), m_worker(std::make_shared<Worker>()) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { begin(true); });
}

PlaylistAutosave::~PlaylistAutosave() { stop(); }

void PlaylistAutosave::changed() {
    if (m_stopped || m_timer.isActive()) return;
    // The first change after a quiet second is saved at once (after the
    // click that made it has returned); later ones wait for the second to
    // end, and go together.
    const qint64 since = m_sinceLastBegun.isValid() ? m_sinceLastBegun.elapsed() : kIntervalMs;
    m_timer.start(int(std::max<qint64>(0, kIntervalMs - since)));
}

bool PlaylistAutosave::begin(bool mayReplaceUnread) {
    if (m_stopped) return false;
    settings::SettingsStore& store = settings::store(kPlaylistApplication);
    // A list the user changed may replace a file that could not be read.
    if (mayReplaceUnread) store.replaceUnreadFile();
    settings::SettingsStore::WriteTarget target;
    if (!store.prepareWrite(target)) {
        std::lock_guard hold(m_worker->mutex);
        m_worker->lastError = store.error();
        return false;
    }
    m_sinceLastBegun.start();
    ++m_begun;
    std::lock_guard hold(m_worker->mutex);
    m_worker->waiting = Worker::Job{target, m_entries()};
    if (!m_worker->thread.joinable()) {
        try {
            m_worker->thread = std::thread(Worker::run, m_worker);
        } catch (const std::system_error& e) {
            // No thread to spare: the exit save still writes the list.
            m_worker->waiting.reset();
            m_worker->lastError =
                QStringLiteral("保存播放列表失败：%1").arg(QString::fromLocal8Bit(e.what()));
            return false;
        }
    }
    m_worker->wake.notify_one();
    return true;
}

bool PlaylistAutosave::waitIdle(int limitMs) {
    std::unique_lock hold(m_worker->mutex);
    return m_worker->idle.wait_for(hold, std::chrono::milliseconds(limitMs),
                                   [&] { return !m_worker->busy && !m_worker->waiting; });
}

bool PlaylistAutosave::flush() {
    if (m_timer.isActive()) {
        m_timer.stop();
        begin(true);
    }
    return waitIdle(kFlushWaitMs);
}

PlaylistAutosave::Outcome PlaylistAutosave::saveNow(bool changedByUser, int limitMs) {
    m_timer.stop();
    Outcome outcome;
    // A newer copy replaces one still waiting; one under way is written
    // first, and ours after it.
    if (begin(changedByUser)) {
        if (!waitIdle(limitMs)) {
            outcome.timedOut = true;
            outcome.error = QStringLiteral("磁盘在 %1 秒内没有写完").arg(limitMs / 1000.0);
            return outcome;
        }
    }
    outcome.error = lastError();
    outcome.written = outcome.error.isEmpty();
    return outcome;
}

void PlaylistAutosave::stop(int limitMs) {
    // Once is enough: a second stop would wait again on a write already
    // left to its thread.
    if (m_stopped) return;
    m_stopped = true;
    m_timer.stop();
    std::unique_lock hold(m_worker->mutex);
    m_worker->waiting.reset();
    m_worker->stopping = true;
    m_worker->wake.notify_one();
    const bool finished = m_worker->idle.wait_for(hold, std::chrono::milliseconds(limitMs),
                                                  [&] { return !m_worker->busy; });
    hold.unlock();
    if (!m_worker->thread.joinable()) return;
    // A write that hangs (a dead network disk) is left to its thread, which
    // keeps what it shares alive.
    if (finished)
        m_worker->thread.join();
    else
        m_worker->thread.detach();
}

QString PlaylistAutosave::lastError() const {
    std::lock_guard hold(m_worker->mutex);
    return m_worker->lastError;
}

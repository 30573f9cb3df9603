#include "SavedPlaylist.h"

#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "forms/ListBox.h"
#include "settings/SettingsStore.h"

const QString SavedPlaylist::kApplication = QStringLiteral("ravelle");

namespace {
constexpr std::string_view kCountSection = "num";
constexpr std::string_view kKey = "value";
const std::string kMissingEntry = "42.mid";
constexpr int kMaxEntries = forms::ListBox::kMaxEntries;
// What a test or a benchmark waits at most for the saves it asked for.
constexpr int kFlushWaitMs = 10000;

// The entry number a section name stands for: decimal digits, no sign and
// no leading zero; -1 for any other name.
int entryNumber(std::string_view section) {
    if (section.empty() || section.size() > 5 || (section.size() > 1 && section[0] == '0'))
        return -1;
    int number = 0;
    for (char c : section) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// The stored count when it is a proper one: a whole decimal number the list
// can hold. Anything else (garbage, a sign, a fraction) is -1.
int storedCount(const std::string& text) {
    if (text.empty() || text.size() > 9) return -1;
    int count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        count = count * 10 + (c - '0');
    }
    return count <= kMaxEntries ? count : -1;
}

// --- the note of a save that failed while nobody could be told ----------------

std::string notePath() {
    return QFile::encodeName(settings::SettingsStore::filePath(SavedPlaylist::kApplication) +
                             QStringLiteral(".unsaved"))
        .toStdString();
}
// A reason is a line or two; anything longer at that name is not a note.
constexpr off_t kMaxNoteBytes = 64 * 1024;

void leaveNote(const QString& reason) {
    const QByteArray text = reason.toUtf8();
    if (const int error = settings::replaceFile(notePath(), text.constData(), size_t(text.size())))
        std::fprintf(stderr, "ravelle: %s: %s\n", notePath().c_str(), std::strerror(error));
}

QString takeNote() {
    const std::string path = notePath();
    const settings::StoreBytes note = settings::readStoreFile(path, kMaxNoteBytes);
    if (note.outcome != settings::StoreBytes::Outcome::Read) return {};
    ::unlink(path.c_str());
    return QString::fromUtf8(note.bytes.data(), qsizetype(note.bytes.size()));
}

// The playlist a store's text holds. Needs no Qt type: it is worked out on
// the thread that reads the store while the program starts.
struct StoredList {
    forms::TextList entries;
    bool countDamaged = false;
};

StoredList listIn(const settings::IniDocument& document) {
    // The count and the entries as stored, by number, in one pass over the
    // file: a look-up a section would cost a hash each.
    std::optional<std::string_view> countText;
    std::vector<std::string_view> stored(kMaxEntries);
    std::vector<bool> present(kMaxEntries);
    size_t bytes = 0;
    document.forEachStored(
        [&](std::string_view section, std::string_view key, std::string_view value) {
            if (key != kKey) return;
            if (section == kCountSection) countText = value;
            const int number = entryNumber(section);
            if (number < 0 || number >= kMaxEntries) return;
            stored[size_t(number)] = value;
            present[size_t(number)] = true;
            bytes += value.size();
        });
    StoredList list;
    if (!countText) return list;
    const int count = storedCount(settings::IniDocument::unescapeValue(*countText));
    // A damaged count: the entries may not be; take the ones that are
    // there, in order, so reading never shortens a playlist.
    list.countDamaged = count < 0;
    const size_t taken =
        list.countDamaged
            ? size_t(std::find(present.begin(), present.end(), false) - present.begin())
            : size_t(count);
    std::string value;
    list.entries.reserve(taken, bytes);
    for (size_t i = 0; i < taken; ++i) {
        if (!present[i]) {
            list.entries.append(kMissingEntry);
            continue;
        }
        value.clear();
        document.decode(stored[i], value);
        list.entries.append(value);
    }
    return list;
}

// What the read-ahead made of the store, until restore() takes it. A
// read-ahead that ends after restore() gave up waiting finds it taken.
struct ListReadAhead {
    std::mutex mutex;
    std::optional<StoredList> list;
    bool taken = false;
};
ListReadAhead& listReadAhead() {
    static ListReadAhead shared;
    return shared;
}

std::optional<StoredList> takeListReadAhead() {
    ListReadAhead& shared = listReadAhead();
    std::lock_guard hold(shared.mutex);
    shared.taken = true;
    return std::exchange(shared.list, std::nullopt);
}

void writeEntries(settings::IniDocument& document, const forms::TextList& entries) {
    for (int i = 0; i < entries.size(); ++i) document.set(std::to_string(i), kKey, entries.utf8(i));
    // The count goes last, after every entry it counts.
    document.set(kCountSection, kKey, std::to_string(entries.size()));
}
}  // namespace

SavedPlaylist::SavedPlaylist(std::function<const forms::TextList&()> entries)
    : m_entries(std::move(entries)), m_worker(std::make_shared<Worker>()) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { begin(); });
}

SavedPlaylist::~SavedPlaylist() { stop(kFlushWaitMs); }

void SavedPlaylist::readAhead() {
    settings::prefetch(kApplication, [](const settings::IniDocument& document) {
        StoredList list = listIn(document);
        ListReadAhead& shared = listReadAhead();
        std::lock_guard hold(shared.mutex);
        if (!shared.taken) shared.list = std::move(list);
    });
}

SavedPlaylist::Restored SavedPlaylist::restore() {
    Restored restored;
    if (const QString unsaved = takeNote(); !unsaved.isEmpty())
        restored.reports << QStringLiteral("上次退出时播放列表没有保存：%1").arg(unsaved);

    settings::SettingsStore& store = settings::store(kApplication);
    std::optional<StoredList> readAhead = takeListReadAhead();
    StoredList list = readAhead ? std::move(*readAhead) : listIn(store.document());
    // A count that is no number: the file is kept as it was, since the exit
    // writes a proper count.
    if (list.countDamaged) store.keepAside();
    restored.entries = std::move(list.entries);
    // The list is the program's own from here on.
    store.forgetValues();

    // A store that could not be read holds a list this run never saw: the
    // exit leaves it unless the user makes a list of their own.
    m_read = store.readProblem().isEmpty();
    if (!m_read) {
        restored.reports << (store.neverReplaced()
                                 ? QStringLiteral(
                                       "%1。\n\n播放列表是空的；这个文件保持原样，不会被覆盖。")
                                       .arg(store.readProblem())
                                 : QStringLiteral("%1。\n\n播放列表是空的；退出时这个文件保持原样，"
                                                  "除非您修改了播放列表（那时它先被移到一边）。")
                                       .arg(store.readProblem()));
    } else if (!store.damagedCopy().isEmpty()) {
        const QString why =
            store.damagedEncoding() ? QStringLiteral("其中有不是 UTF-8 编码的文字，") : QString();
        restored.reports << QStringLiteral(
                                "设置文件 %1 已损坏，%2本程序不能完全读懂。原文件已另存为 %3，"
                                "能读出的播放列表已恢复。")
                                .arg(store.path(), why, store.damagedCopy());
    } else if (!store.error().isEmpty()) {
        restored.reports << QStringLiteral(
                                "设置文件已损坏：%1。能读出的播放列表已恢复；"
                                "退出时原文件会先被移到一边。")
                                .arg(store.error());
    }
    return restored;
}

// --- saving -----------------------------------------------------------------------

// The thread that writes, and what it shares with the window's thread. It
// holds at most one save waiting: a newer copy of the list replaces an
// older one not yet begun.
struct SavedPlaylist::Worker {
    struct Job {
        settings::SettingsStore::WriteTarget target;
        forms::TextList entries;
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
                settings::SettingsStore::write(
                    job.target,
                    [&](settings::IniDocument& document) { writeEntries(document, job.entries); },
                    &error);
            } catch (const std::exception& e) {
                error =
                    QStringLiteral("保存播放列表失败：%1").arg(QString::fromLocal8Bit(e.what()));
            }
            job = Job{};  // what a save needs is not kept between saves
            hold.lock();
            self->lastError = error;
            self->busy = false;
            self->idle.notify_all();
        }
        self->busy = false;
        self->idle.notify_all();
    }
};

void SavedPlaylist::changed() {
    m_changed = true;
    if (m_stopped || m_timer.isActive()) return;
    // The first change after a quiet second is saved at once (after the
    // click that made it has returned); later ones wait for the second to
    // end, and go together.
    const qint64 since = m_sinceLastBegun.isValid() ? m_sinceLastBegun.elapsed() : kIntervalMs;
    m_timer.start(int(std::max<qint64>(0, kIntervalMs - since)));
}

bool SavedPlaylist::begin() {
    if (m_stopped) return false;
    settings::SettingsStore& store = settings::store(kApplication);
    // A list the user made may replace a file that could not be read.
    if (m_changed) store.replaceUnreadFile();
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
            m_worker->waiting.reset();
            m_worker->lastError =
                QStringLiteral("保存播放列表失败：%1").arg(QString::fromLocal8Bit(e.what()));
            return false;
        }
    }
    m_worker->wake.notify_one();
    return true;
}

bool SavedPlaylist::waitIdle(int limitMs) {
    std::unique_lock hold(m_worker->mutex);
    return m_worker->idle.wait_for(hold, std::chrono::milliseconds(limitMs),
                                   [&] { return !m_worker->busy && !m_worker->waiting; });
}

bool SavedPlaylist::flush() {
    if (m_timer.isActive()) {
        m_timer.stop();
        begin();
    }
    return waitIdle(kFlushWaitMs);
}

QString SavedPlaylist::lastError() const {
    std::lock_guard hold(m_worker->mutex);
    return m_worker->lastError;
}

QString SavedPlaylist::close(bool unattended, int limitMs) {
    // A list that was never read from the store (start-up stopped early, or
    // the store could not be read) is not written over it, unless the user
    // has made it theirs.
    if (!m_read && !m_changed) {
        stop(0);
        return {};
    }
    m_timer.stop();
    if (begin() && !waitIdle(limitMs)) {
        // Whatever else would tell it needs the same disk.
        std::fprintf(stderr, "ravelle: 播放列表没有保存：磁盘在 %.1f 秒内没有写完\n",
                     limitMs / 1000.0);
        stop(0);
        return {};
    }
    stop(0);
    const QString error = lastError();
    if (error.isEmpty()) return {};
    if (unattended) leaveNote(error);
    return QStringLiteral("播放列表没有保存：%1").arg(error);
}

void SavedPlaylist::stop(int limitMs) {
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

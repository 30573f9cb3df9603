#include "settings/SettingsStore.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace settings {

namespace {
QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory rules ignore a relative setting.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString folderOf(const QString& path) { return path.left(path.lastIndexOf(u'/')); }

// A name beside the file for a copy of it that is kept as it was.
QString sideName(const QString& path) {
    const QString base = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = base;
    struct stat info = {};
    for (int n = 2; ::lstat(native(name).c_str(), &info) == 0; ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

// A copy aside from an earlier start that holds exactly these bytes, if any:
// a damaged file that cannot be replaced is met again at every start.
QString existingCopyOf(const QString& path, std::string_view bytes) {
    const QFileInfo file(path);
    const QString prefix = file.fileName() + QStringLiteral(".damaged-");
    const QStringList names =
        QDir(file.path()).entryList({prefix + u'*'}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QString candidate = file.path() + u'/' + name;
        struct stat info = {};
        if (::stat(native(candidate).c_str(), &info) != 0 || size_t(info.st_size) != bytes.size())
            continue;
        const StoreBytes copy = readStoreFile(native(candidate));
        if (copy.outcome == StoreBytes::Outcome::Read && copy.bytes == bytes) return candidate;
    }
    return {};
}

// Keeps bytes read from the file at path next to it, exactly as they were,
// once per distinct content; copy names the copy. 0 or errno.
int keepBytesAside(const QString& path, std::string_view bytes, QString& copy) {
    copy = existingCopyOf(path, bytes);
    if (!copy.isEmpty()) return 0;
    const QString name = sideName(path);
    if (const int error = replaceFile(native(name), bytes.data(), bytes.size())) return error;
    copy = name;
    return 0;
}

QString kindText(mode_t kind) {
    switch (kind) {
        case S_IFDIR:
            return QStringLiteral("它是一个文件夹，不是文件");
        case S_IFIFO:
            return QStringLiteral("它是一个管道（FIFO），不是普通文件");
        case S_IFCHR:
        case S_IFBLK:
            return QStringLiteral("它是一个设备，不是普通文件");
        case S_IFSOCK:
            return QStringLiteral("它是一个套接字，不是普通文件");
        case S_IFLNK:
            return QStringLiteral("它是一个符号链接，指向的文件不存在");
        default:
            return QStringLiteral("它不是普通文件");
    }
}

QString readProblemText(const QString& path, const StoreBytes& read) {
    switch (read.outcome) {
        case StoreBytes::Outcome::NotAFile:
            return QStringLiteral("无法读取设置文件 %1：%2").arg(path, kindText(read.kind));
        case StoreBytes::Outcome::TooLarge:
            return QStringLiteral(
                       "无法读取设置文件 %1：文件过大（超过 %2 MB），不是本程序写的设置文件")
                .arg(path)
                .arg(kMaxStoreBytes >> 20);
        case StoreBytes::Outcome::Failed:
            return QStringLiteral("无法读取设置文件 %1：%2").arg(path, systemErrorText(read.error));
        default:
            return {};
    }
}

// Saves in this process take turns: the exit save waits for a save under
// way on another thread, but not for ever.
std::timed_mutex& writeTurn() {
    static std::timed_mutex turn;
    return turn;
}
constexpr auto kWriteTurnWait = std::chrono::seconds(10);

// Once a wait for the turn was given up (a save hangs on a disk that stopped
// answering), later saves only try while that save holds it: waiting again
// would add the same ten seconds to every save left, the exit's among them.
// Once it has let go, saves wait for each other again.
std::atomic<bool>& turnGivenUp() {
    static std::atomic<bool> givenUp{false};
    return givenUp;
}

bool takeWriteTurn(std::unique_lock<std::timed_mutex>& turn) {
    if (turnGivenUp() ? turn.try_lock() : turn.try_lock_for(kWriteTurnWait)) {
        turnGivenUp() = false;
        return true;
    }
    turnGivenUp() = true;
    return false;
}

// What every write of path does first: this process's turn, the folder, and
// the lock other processes honour. Empty when all are held, else why not.
QString holdForWriting(const QString& path, std::unique_lock<std::timed_mutex>& turn,
                       StoreLock& lock) {
    if (!takeWriteTurn(turn)) return QStringLiteral("另一次保存没有结束");
    const QString folder = folderOf(path);
    if (const int error = makeFolders(native(folder)))
        return QStringLiteral("无法创建文件夹 %1：%2").arg(folder, systemErrorText(error));
    if (!lock.take()) return lock.problem();
    return {};
}

QString cannotWriteText(const QString& path, const QString& reason) {
    return QStringLiteral("无法写入设置文件 %1：%2").arg(path, reason);
}

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }

QString fromUtf8(std::string_view text) {
    // A byte-order mark at the start of a value is a character of it.
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                    QStringConverter::Flag::Stateless);
    return decode(QByteArrayView(text.data(), qsizetype(text.size())));
}
}  // namespace

SettingsStore::SettingsStore(const QString& application)
    : m_path(filePath(application)), m_nativePath(native(m_path)) {
    removeLeftovers(m_path);
    take(readStoreFile(m_nativePath), std::nullopt);
}

SettingsStore::SettingsStore(const QString& application, StoreBytes read,
                             std::optional<IniDocument> parsed)
    : m_path(filePath(application)), m_nativePath(native(m_path)) {
    // A folder whose file did not answer in time (a network disk that is
    // gone) is not asked again from the window's thread.
    const bool answered = !(read.outcome == StoreBytes::Outcome::Failed && read.error == ETIMEDOUT);
    if (answered) removeLeftovers(m_path);
    take(std::move(read), std::move(parsed));
}

QString SettingsStore::filePath(const QString& application) {
    return configHome() + QStringLiteral("/ProgramSettings/") + application +
           QStringLiteral(".ini");
}

void SettingsStore::take(StoreBytes read, std::optional<IniDocument> parsed) {
    m_readProblem = readProblemText(m_path, read);
    switch (read.outcome) {
        case StoreBytes::Outcome::Absent:
            return;
        case StoreBytes::Outcome::NotAFile:
            m_condition = Condition::NotAFile;
            return;
        case StoreBytes::Outcome::TooLarge:
        case StoreBytes::Outcome::Failed:
            m_condition = Condition::Unread;
            return;
        case StoreBytes::Outcome::Read:
            break;
    }
    m_document = parsed ? std::move(*parsed) : IniDocument::parse(std::move(read.bytes));
    m_encodingDamaged = m_document.damage() == IniDocument::Damage::NotUtf8;
    if (m_document.damaged()) keepAside();
}

void SettingsStore::forgetValues() {
    // Moved out and dropped: assigning an empty document would keep the
    // memory of the file's text for the next one.
    IniDocument gone = std::move(m_document);
    m_document = IniDocument();
}

bool SettingsStore::keepAside() {
    if (m_condition == Condition::Damaged) return !m_damagedCopy.isEmpty();
    m_condition = Condition::Damaged;
    if (const int error = keepBytesAside(m_path, m_document.bytes(), m_damagedCopy)) {
        // A write moves the file aside instead, or leaves it.
        m_error =
            QStringLiteral("无法备份损坏的设置文件 %1：%2").arg(m_path, systemErrorText(error));
        return false;
    }
    return true;
}

bool SettingsStore::moveAsideUnreadFile() {
    const QString aside = sideName(m_path);
    if (::rename(m_nativePath.c_str(), native(aside).c_str()) == 0) {
        m_damagedCopy = aside;
    } else if (errno != ENOENT && errno != ENOTDIR) {
        // (With nothing there, there is nothing to keep.)
        m_error = cannotWriteText(
            m_path, QStringLiteral("无法把原文件移到一边：%1").arg(systemErrorText(errno)));
        return false;
    }
    m_condition = Condition::Sound;
    return true;
}

QString SettingsStore::get(const QString& section, const QString& key,
                           const QString& fallback) const {
    const std::optional<std::string> value = m_document.find(utf8(section), utf8(key));
    return value ? fromUtf8(*value) : fallback;
}

bool SettingsStore::contains(const QString& section, const QString& key) const {
    return m_document.find(utf8(section), utf8(key)).has_value();
}

void SettingsStore::save(const QString& section, const QString& key, const QString& value) {
    Pending pending{utf8(section), utf8(key), utf8(value)};
    m_document.set(pending.section, pending.key, pending.value);
    m_pending.push_back(std::move(pending));
}

bool SettingsStore::prepareWrite(WriteTarget& target) {
    switch (m_condition) {
        case Condition::NotAFile:
            m_error = QStringLiteral("%1，没有覆盖它").arg(m_readProblem);
            return false;
        case Condition::Unread:
            if (!m_replaceUnread) {
                m_error = QStringLiteral("设置文件 %1 无法读取，没有覆盖它").arg(m_path);
                return false;
            }
            if (!moveAsideUnreadFile()) return false;
            break;
        case Condition::Damaged:
            // No copy could be made at start: the file itself goes aside.
            if (m_damagedCopy.isEmpty() && !moveAsideUnreadFile()) return false;
            break;
        case Condition::Sound:
            break;
    }
    target.path = m_path;
    return true;
}

bool SettingsStore::sync() {
    if (m_pending.empty()) return true;
    WriteTarget target;
    if (!prepareWrite(target)) return false;
    const auto values = [this](IniDocument& document) {
        for (const Pending& p : m_pending) document.set(p.section, p.key, p.value);
    };
    if (!write(target, values, &m_error, &m_damagedCopy)) return false;
    m_condition = Condition::Sound;
    m_pending.clear();
    m_error.clear();
    return true;
}

bool SettingsStore::write(const WriteTarget& target, const Values& values, QString* error,
                          QString* keptAside) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = cannotWriteText(target.path, reason);
        return false;
    };
    std::unique_lock turn(writeTurn(), std::defer_lock);
    StoreLock lock(target.path);
    if (const QString problem = holdForWriting(target.path, turn, lock); !problem.isEmpty())
        return fail(problem);
    const std::string path = native(target.path);

    // Another program, or a save on another thread, may have written the
    // file since it was read: the values go into what is there now, so its
    // entries stay.
    IniDocument document;
    StoreBytes now = readStoreFile(path);
    switch (now.outcome) {
        case StoreBytes::Outcome::Absent:
            break;
        case StoreBytes::Outcome::Read: {
            document = IniDocument::parse(std::move(now.bytes));
            // Damage is written over only where a copy of it is kept.
            QString copy;
            if (document.damaged()) {
                if (const int e = keepBytesAside(target.path, document.bytes(), copy))
                    return fail(QStringLiteral("无法备份它：%1").arg(systemErrorText(e)));
                if (keptAside) *keptAside = copy;
            }
            break;
        }
        default:
            return fail(readProblemText(target.path, now));
    }
    values(document);
    const std::string text = document.serialize();
    if (const int e = replaceFile(path, text.data(), text.size())) return fail(systemErrorText(e));
    if (error) error->clear();
    return true;
}

namespace {
// A store read and parsed on a thread of its own while the program starts.
// The thread touches no Qt type: Qt takes the first thread that makes one
// of its objects for its main thread.
class ReadAhead {
public:
    bool start(std::string path, std::function<void(const IniDocument&)> digest) {
        try {
            std::thread([shared = m_shared, path = std::move(path), digest = std::move(digest)] {
                StoreBytes read = readStoreFile(path);
                std::optional<IniDocument> document;
                if (read.outcome == StoreBytes::Outcome::Read) {
                    try {
                        document = IniDocument::parse(std::move(read.bytes));
                        read.bytes = std::string();
                        if (digest) digest(*document);
                    } catch (const std::exception&) {
                        // Out of memory, say: nothing may leave this thread.
                        // The window's thread reads the file again, under
                        // its own error handling.
                        read = StoreBytes{};
                        read.outcome = StoreBytes::Outcome::Failed;
                        read.error = ENOMEM;
                    }
                }
                std::lock_guard hold(shared->mutex);
                shared->read = std::move(read);
                shared->document = std::move(document);
                shared->done = true;
                shared->changed.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    // Waits a bounded time for the thread. A read that does not end in
    // time (a hung network file system) comes back as failed with
    // ETIMEDOUT, and its thread is left to finish into nothing.
    std::pair<StoreBytes, std::optional<IniDocument>> take() {
        std::unique_lock hold(m_shared->mutex);
        if (!m_shared->changed.wait_for(hold, kReadWait, [&] { return m_shared->done; })) {
            StoreBytes late;
            late.outcome = StoreBytes::Outcome::Failed;
            late.error = ETIMEDOUT;
            return {std::move(late), std::nullopt};
        }
        return {std::move(m_shared->read), std::move(m_shared->document)};
    }

private:
    static constexpr auto kReadWait = std::chrono::seconds(15);
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
        StoreBytes read;
        std::optional<IniDocument> document;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

// Stores stay open for the run; what is still pending at exit is written
// when the table goes.
struct OpenStores {
    QHash<QString, SettingsStore*> byApplication;
    std::map<QString, ReadAhead> opening;

    void closeAll() {
        opening.clear();  // a read under way finishes into nothing
        for (SettingsStore* s : std::as_const(byApplication)) {
            s->sync();
            delete s;
        }
        byApplication.clear();
    }
    ~OpenStores() { closeAll(); }
};

OpenStores& openStores() {
    // The table's last saves take turns: what they use must outlive it, so
    // it is made first.
    writeTurn();
    turnGivenUp();
    static OpenStores stores;
    return stores;
}
}  // namespace

SettingsStore& store(const QString& application) {
    OpenStores& stores = openStores();
    SettingsStore*& entry = stores.byApplication[application];
    if (entry) return *entry;
    if (auto opening = stores.opening.find(application); opening != stores.opening.end()) {
        auto [read, document] = opening->second.take();
        stores.opening.erase(opening);
        entry = new SettingsStore(application, std::move(read), std::move(document));
    } else {
        entry = new SettingsStore(application);
    }
    return *entry;
}

void prefetch(const QString& application, std::function<void(const IniDocument&)> digest) {
    OpenStores& stores = openStores();
    if (stores.byApplication.contains(application) || stores.opening.count(application)) return;
    ReadAhead reading;
    // Without a thread to spare, store() reads the file itself.
    if (reading.start(native(SettingsStore::filePath(application)), std::move(digest)))
        stores.opening.emplace(application, std::move(reading));
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback) {
    return store(application).get(section, key, fallback);
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    store(application).save(section, key, value);
}

void closeAllStores() { openStores().closeAll(); }

}  // namespace settings

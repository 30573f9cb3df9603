#include "settings/SettingsStore.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>

#include "settings/AtomicReplace.h"
#include "settings/ReadAhead.h"
#include "settings/StoreLeftovers.h"
#include "settings/StoreLock.h"
#include "settings/SystemErrorText.h"

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
QString existingCopyOf(const QString& path, const std::string& bytes) {
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
int keepBytesAside(const QString& path, const std::string& bytes, QString& copy) {
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
// answering), later saves only try: waiting again would add the same ten
// seconds to every save left, the exit's among them.
std::atomic<bool>& turnGivenUp() {
    static std::atomic<bool> givenUp{false};
    return givenUp;
}

bool takeWriteTurn(std::unique_lock<std::timed_mutex>& turn) {
    if (turnGivenUp() ? turn.try_lock() : turn.try_lock_for(kWriteTurnWait)) return true;
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
    m_readStamp = read.stamp;
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
    m_original = std::move(read.bytes);
    if (parsed)
        m_document = std::move(*parsed);
    else
        m_document =
            IniDocument::parse(QByteArrayView(m_original.data(), qsizetype(m_original.size())));
    if (m_document.damaged()) keepAside();
}

bool SettingsStore::keepAside() {
    if (m_condition == Condition::Damaged || !m_damagedCopy.isEmpty()) return true;
    m_condition = Condition::Damaged;
    // What could be read goes into the sound file the next sync writes.
    m_asideStamp = m_readStamp;
    m_readStamp = {};
    m_document.forEach([this](const QString& s, const QString& k, const QString& v) {
        m_pending.push_back({s, k, v});
    });
    return copyAside();
}

bool SettingsStore::copyAside() {
    const int error = keepBytesAside(m_path, m_original, m_damagedCopy);
    if (error) {
        // sync moves the file aside instead, or leaves it.
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
        m_error =
            cannotWrite(QStringLiteral("无法把原文件移到一边：%1").arg(systemErrorText(errno)));
        return false;
    }
    m_condition = Condition::Sound;
    m_readStamp = {};
    return true;
}

QString SettingsStore::cannotWrite(const QString& reason) const {
    return cannotWriteText(m_path, reason);
}

QString SettingsStore::get(const QString& section, const QString& key,
                           const QString& fallback) const {
    const QString* value = m_document.find(section, key);
    return value ? *value : fallback;
}

bool SettingsStore::contains(const QString& section, const QString& key) const {
    return m_document.find(section, key) != nullptr;
}

void SettingsStore::save(const QString& section, const QString& key, const QString& value) {
    m_document.set(section, key, value);
    m_pending.push_back({section, key, value});
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
            return moveAsideUnreadFile() && prepareWrite(target);
        case Condition::Damaged:
            // No copy could be made at start: the file itself goes aside.
            if (m_damagedCopy.isEmpty() && !moveAsideUnreadFile()) return false;
            break;
        case Condition::Sound:
            break;
    }
    target.path = m_path;
    target.keptAside = m_condition == Condition::Damaged ? m_asideStamp : FileStamp{};
    return true;
}

bool SettingsStore::sync() {
    if (m_pending.empty()) return true;
    WriteTarget target;
    if (!prepareWrite(target)) return false;
    std::unique_lock turn(writeTurn(), std::defer_lock);
    StoreLock lock(m_path);
    if (const QString problem = holdForWriting(m_path, turn, lock); !problem.isEmpty()) {
        m_error = cannotWrite(problem);
        return false;
    }

    // Another program, or a save on another thread, may have written the
    // file since it was read: merge into what is there now, so its entries
    // stay.
    if (m_condition == Condition::Sound && stampOf(m_nativePath) != m_readStamp) {
        const StoreBytes now = readStoreFile(m_nativePath);
        if (now.outcome == StoreBytes::Outcome::Read) {
            IniDocument onDisk =
                IniDocument::parse(QByteArrayView(now.bytes.data(), qsizetype(now.bytes.size())));
            if (!onDisk.damaged()) {
                for (const Value& p : m_pending) onDisk.set(p.section, p.key, p.value);
                m_document = std::move(onDisk);
            } else if (const int error = keepBytesAside(m_path, now.bytes, m_damagedCopy)) {
                // Damaged meanwhile by another program: kept before it goes.
                m_error = cannotWrite(QStringLiteral("无法备份它：%1").arg(systemErrorText(error)));
                return false;
            }
        }
    }

    const QByteArray text = m_document.serialize();
    if (const int error = replaceFile(m_nativePath, text.constData(), size_t(text.size()))) {
        m_error = cannotWrite(systemErrorText(error));
        return false;
    }
    m_readStamp = stampOf(m_nativePath);
    m_condition = Condition::Sound;
    m_original = std::string();
    m_pending.clear();
    m_error.clear();
    return true;
}

bool SettingsStore::writeValues(const WriteTarget& target, const std::vector<Value>& values,
                                QString* error) {
    auto fail = [&](const QString& reason) {
        if (error) *error = cannotWriteText(target.path, reason);
        return false;
    };
    std::unique_lock turn(writeTurn(), std::defer_lock);
    StoreLock lock(target.path);
    if (const QString problem = holdForWriting(target.path, turn, lock); !problem.isEmpty())
        return fail(problem);
    const std::string path = native(target.path);

    IniDocument document;
    const StoreBytes now = readStoreFile(path);
    switch (now.outcome) {
        case StoreBytes::Outcome::Absent:
            break;
        case StoreBytes::Outcome::Read:
            document =
                IniDocument::parse(QByteArrayView(now.bytes.data(), qsizetype(now.bytes.size())));
            // Damage is written over only where a copy of it is kept.
            if (document.damaged() && now.stamp != target.keptAside)
                return fail(QStringLiteral("文件已被别的程序改坏，没有覆盖它"));
            break;
        default:
            return fail(readProblemText(target.path, now));
    }
    for (const Value& v : values) document.set(v.section, v.key, v.value);
    const QByteArray text = document.serialize();
    if (const int e = replaceFile(path, text.constData(), size_t(text.size())))
        return fail(systemErrorText(e));
    return true;
}

namespace {
// Stores stay open for the run; what is still pending at exit is written
// when the table goes.
struct OpenStores {
    QHash<QString, SettingsStore*> byApplication;
    std::map<QString, std::unique_ptr<ReadAhead>> opening;

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
        ReadAhead::Result result = opening->second->take();
        stores.opening.erase(opening);
        entry = new SettingsStore(application, std::move(result.read), std::move(result.document));
    } else {
        entry = new SettingsStore(application);
    }
    return *entry;
}

void prefetch(const QString& application) {
    OpenStores& stores = openStores();
    if (stores.byApplication.contains(application) || stores.opening.count(application)) return;
    auto reading = std::make_unique<ReadAhead>();
    // Without a thread to spare, store() reads the file itself.
    if (reading->start(native(SettingsStore::filePath(application))))
        stores.opening.emplace(application, std::move(reading));
}

void parseAhead() {
    for (auto& [application, reading] : openStores().opening) reading->parse();
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

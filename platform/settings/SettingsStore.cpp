#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSaveFile>
#include <future>
#include <map>

namespace settings {

namespace {
QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory rules ignore a relative setting.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString sideName(const QString& path) {
    const QString base = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n) name = base + u'-' + QString::number(n);
    return name;
}

constexpr int kLockWaitMs = 10000;
}  // namespace

SettingsStore::SettingsStore(const QString& application) : m_path(filePath(application)) {
    m_readStamp = stampOnDisk();
    if (!readFile(m_document, &m_error)) {
        m_unreadable = true;
        return;
    }
    if (m_document.damaged()) setAsideDamagedFile();
}

QString SettingsStore::filePath(const QString& application) {
    return configHome() + QStringLiteral("/ProgramSettings/") + application +
           QStringLiteral(".ini");
}

SettingsStore::Stamp SettingsStore::stampOnDisk() const {
    const QFileInfo info(m_path);
    if (!info.exists()) return {};
    return {info.size(), info.lastModified()};
}

bool SettingsStore::readFile(IniDocument& into, QString* error) const {
    QFile file(m_path);
    if (!file.exists()) {
        into = IniDocument();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法读取设置文件 %1：%2").arg(m_path, file.errorString());
        return false;
    }
    into = IniDocument::parse(file.readAll());
    return true;
}

void SettingsStore::setAsideDamagedFile() {
    // The file is not a settings file as a whole. Keep its bytes as they
    // are, next to it; what could be read goes into the sound file the next
    // sync writes.
    const QString copy = sideName(m_path);
    if (QFile::copy(m_path, copy)) {
        m_damagedCopy = copy;
        m_readStamp = {};  // write everything, not only what was saved since
        m_document.forEach([this](const QString& s, const QString& k, const QString& v) {
            m_pending.push_back({s, k, v});
        });
    } else {
        m_error = QStringLiteral("无法备份损坏的设置文件 %1").arg(m_path);
    }
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

bool SettingsStore::sync() {
    if (m_pending.empty()) return true;
    if (m_unreadable) {
        // Writing now would replace entries that were never read.
        m_error = QStringLiteral("设置文件 %1 无法读取，没有覆盖它").arg(m_path);
        return false;
    }
    const QString folder = QFileInfo(m_path).path();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("无法写入设置文件 %1：无法创建文件夹").arg(m_path);
        return false;
    }
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        m_error = QStringLiteral("无法写入设置文件 %1：文件被锁定").arg(m_path);
        return false;
    }

    // Another program may have written the file since it was read: merge
    // into what is there now, so its entries stay.
    if (stampOnDisk() != m_readStamp) {
        IniDocument onDisk;
        if (readFile(onDisk, &m_error) && !onDisk.damaged()) {
            for (const Pending& p : m_pending) onDisk.set(p.section, p.key, p.value);
            m_document = std::move(onDisk);
        }
    }

    QSaveFile out(m_path);
    const QByteArray text = m_document.serialize();
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        m_error = QStringLiteral("无法写入设置文件 %1：%2").arg(m_path, out.errorString());
        return false;
    }
    m_readStamp = stampOnDisk();
    m_pending.clear();
    m_error.clear();
    return true;
}

namespace {
// Stores stay open for the run; what is still pending at exit is written
// when the table goes.
struct OpenStores {
    QHash<QString, SettingsStore*> byApplication;
    std::map<QString, std::future<SettingsStore*>> opening;

    void closeAll() {
        for (auto& [application, future] : opening) delete future.get();
        opening.clear();
        for (SettingsStore* s : std::as_const(byApplication)) {
            s->sync();
            delete s;
        }
        byApplication.clear();
    }
    ~OpenStores() { closeAll(); }
};

OpenStores& openStores() {
    static OpenStores stores;
    return stores;
}
}  // namespace

SettingsStore& store(const QString& application) {
    OpenStores& stores = openStores();
    SettingsStore*& entry = stores.byApplication[application];
    if (entry) return *entry;
    if (auto opening = stores.opening.find(application); opening != stores.opening.end()) {
        entry = opening->second.get();
        stores.opening.erase(opening);
    } else {
        entry = new SettingsStore(application);
    }
    return *entry;
}

void prefetch(const QString& application) {
    OpenStores& stores = openStores();
    if (stores.byApplication.contains(application) || stores.opening.count(application)) return;
    stores.opening.emplace(application, std::async(std::launch::async, [application] {
                               return new SettingsStore(application);
                           }));
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

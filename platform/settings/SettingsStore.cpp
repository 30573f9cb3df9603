#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringList>

namespace settings {

namespace {
QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory specification ignores a relative setting.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString keyPath(const QString& section, const QString& key) { return section + u'/' + key; }

// QSettings reads past most damage. A file holding NUL bytes was not
// written as settings at all, so it counts as damaged too.
bool isDamaged(const QSettings& settings, const QString& path) {
    if (settings.status() == QSettings::FormatError) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    return bytes.contains('\0');
}

QString sideName(const QString& path) {
    const QString base = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n) name = base + u'-' + QString::number(n);
    return name;
}
}  // namespace

SettingsStore::SettingsStore(const QString& application)
    : m_path(filePath(application)),
      m_settings(std::make_unique<QSettings>(m_path, QSettings::IniFormat)) {
    m_settings->setAtomicSyncRequired(true);
    if (!isDamaged(*m_settings, m_path)) return;

    // The file is not a settings file as a whole. Keep the original bytes
    // aside, carry over every value that could still be read, and go on with
    // a sound file, so nothing readable is lost and nothing unreadable is
    // written over.
    QHash<QString, QVariant> recovered;
    for (const QString& key : m_settings->allKeys()) recovered.insert(key, m_settings->value(key));
    m_settings.reset();
    const QString copy = sideName(m_path);
    if (!QFile::copy(m_path, copy) || !QFile::remove(m_path)) {
        m_error = QStringLiteral("无法备份损坏的设置文件 %1").arg(m_path);
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        return;
    }
    m_damagedCopy = copy;
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    m_settings->setAtomicSyncRequired(true);
    for (auto it = recovered.cbegin(); it != recovered.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::filePath(const QString& application) {
    return configHome() + QStringLiteral("/ProgramSettings/") + application + QStringLiteral(".ini");
}

QString SettingsStore::get(const QString& section, const QString& key,
                           const QString& fallback) const {
    const QVariant value = m_settings->value(keyPath(section, key));
    if (!value.isValid()) return fallback;
    // A hand-edited value with unquoted commas reads as a list; give back
    // the text as it stood rather than nothing.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

bool SettingsStore::contains(const QString& section, const QString& key) const {
    return m_settings->contains(keyPath(section, key));
}

void SettingsStore::save(const QString& section, const QString& key, const QString& value) {
    m_settings->setValue(keyPath(section, key), value);
}

bool SettingsStore::sync() {
    m_settings->sync();
    switch (m_settings->status()) {
        case QSettings::NoError:
            m_error.clear();
            return true;
        case QSettings::AccessError:
            m_error = QStringLiteral("无法写入设置文件 %1").arg(m_path);
            return false;
        case QSettings::FormatError:
            m_error = QStringLiteral("设置文件 %1 格式错误").arg(m_path);
            return false;
    }
    return false;
}

namespace {
// Stores stay open for the run; what is still pending at exit is written
// when the table goes.
struct OpenStores {
    QHash<QString, SettingsStore*> byApplication;

    void closeAll() {
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

QHash<QString, SettingsStore*>& opened() { return openStores().byApplication; }
}  // namespace

SettingsStore& store(const QString& application) {
    SettingsStore*& entry = opened()[application];
    if (!entry) entry = new SettingsStore(application);
    return *entry;
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

#include "support/TempConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "settings/SettingsStore.h"

TempConfig::TempConfig() : m_previous(qgetenv("XDG_CONFIG_HOME")) {
    settings::closeAllStores();
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
}

TempConfig::~TempConfig() {
    settings::closeAllStores();
    qputenv("XDG_CONFIG_HOME", m_previous);
}

QString TempConfig::storeFile(const QString& application) const {
    return settings::SettingsStore::filePath(application);
}

void TempConfig::writeStore(const QString& application, const QByteArray& text) const {
    const QString file = storeFile(application);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(text);
}

QByteArray TempConfig::readStore(const QString& application) const {
    QFile in(storeFile(application));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

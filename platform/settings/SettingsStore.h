#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "settings/IniDocument.h"

namespace settings {

// The per-user settings store: text values addressed by application,
// section and key. Each application has one INI file,
//   $XDG_CONFIG_HOME/ProgramSettings/<application>.ini
// (~/.config when XDG_CONFIG_HOME is unset), the section as the INI section
// and the key as the INI key, in the dialect QSettings reads and writes.
// Saves collect in memory until sync(), which merges them into the file as
// it is on disk now and replaces it atomically, under the same lock file
// QSettings takes: a crash, a kill or a full disk leaves the previous file
// whole, and other processes' entries are kept.
class SettingsStore {
public:
    explicit SettingsStore(const QString& application);

    static QString filePath(const QString& application);

    QString get(const QString& section, const QString& key, const QString& fallback = {}) const;
    bool contains(const QString& section, const QString& key) const;
    void save(const QString& section, const QString& key, const QString& value);

    // Writes what was saved since the last sync. False when it could not:
    // the file on disk is then as it was, error() says why, and what was
    // saved is still pending for the next try.
    bool sync();
    QString error() const { return m_error; }

    // When the file could not be read as settings as a whole, it was copied
    // aside before anything is written over it; this names the copy.
    QString damagedCopy() const { return m_damagedCopy; }

    const QString& path() const { return m_path; }

private:
    struct Pending {
        QString section, key, value;
    };
    struct Stamp {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampOnDisk() const;
    bool readFile(IniDocument& into, QString* error) const;
    void setAsideDamagedFile();

    QString m_path;
    IniDocument m_document;
    Stamp m_readStamp;
    std::vector<Pending> m_pending;
    QString m_error;
    QString m_damagedCopy;
    bool m_unreadable = false;
};

// The store of one application, opened once and kept for the run.
SettingsStore& store(const QString& application);

// Starts opening the store of application on another thread, so that a
// large file is read while the program sets itself up; store() then takes
// it over, waiting for it if need be.
void prefetch(const QString& application);

// The classic calls, on store(application).
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback = {});
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Syncs and forgets every opened store (tests point XDG_CONFIG_HOME
// elsewhere between cases; the program's exit does it too).
void closeAllStores();

}  // namespace settings

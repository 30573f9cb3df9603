#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace settings {

// The per-user settings store: text values addressed by application,
// section and key. Each application has one INI file,
//   $XDG_CONFIG_HOME/ProgramSettings/<application>.ini
// (~/.config when XDG_CONFIG_HOME is unset), the section as the INI section
// and the key as the INI key. Writes collect in memory until sync(), which
// replaces the file atomically under a lock that other processes honour: a
// crash, a kill or a full disk leaves the previous file whole.
class SettingsStore {
public:
    explicit SettingsStore(const QString& application);
    ~SettingsStore();

    static QString filePath(const QString& application);

    QString get(const QString& section, const QString& key, const QString& fallback = {}) const;
    bool contains(const QString& section, const QString& key) const;
    void save(const QString& section, const QString& key, const QString& value);

    // Writes what was saved to the file. False when it could not: the file
    // on disk is then as it was, and error() says why.
    bool sync();
    QString error() const { return m_error; }

    // When the file could not be read as settings at all, it was copied
    // aside before anything is written over it; this names the copy.
    QString damagedCopy() const { return m_damagedCopy; }

    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
    QString m_error;
    QString m_damagedCopy;
};

// The store of one application, opened once and kept for the run.
SettingsStore& store(const QString& application);

// The classic calls, on store(application).
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback = {});
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Forgets the opened stores (tests point XDG_CONFIG_HOME elsewhere between
// cases). Pending writes are synced first.
void closeAllStores();

}  // namespace settings

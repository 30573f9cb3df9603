#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/IniDocument.h"
#include "settings/StoreFile.h"

namespace settings {

// The per-user settings store: text values addressed by application,
// section and key. Each application has one INI file,
//   $XDG_CONFIG_HOME/ProgramSettings/<application>.ini
// (~/.config when XDG_CONFIG_HOME is unset), the section as the INI section
// and the key as the INI key, in the dialect QSettings reads and writes,
// encoded in UTF-8. Saves collect in memory until sync(). Every write
// merges into the file as it is on disk at that moment and replaces it
// atomically, under the same lock file QSettings takes: a crash, a kill or
// a full disk leaves the previous file whole, and other processes' entries
// are kept.
//
// A file is never written over before it was understood: one that reads
// only in part is copied aside first, and one that could not be read at all
// is left as it is unless the program says to replace it.
class SettingsStore {
public:
    // Reads the file now.
    explicit SettingsStore(const QString& application);
    // Takes a file read already (by prefetch()), parsed or not.
    SettingsStore(const QString& application, StoreBytes read,
                  std::optional<IniDocument> parsed = std::nullopt);

    static QString filePath(const QString& application);

    QString get(const QString& section, const QString& key, const QString& fallback = {}) const;
    bool contains(const QString& section, const QString& key) const;
    void save(const QString& section, const QString& key, const QString& value);

    // The file as it was read, for a reader that picks many values at once.
    const IniDocument& document() const { return m_document; }
    // The program has taken what it needs of the values read, and keeps
    // them itself: the store lets its copy go. get() then reads nothing.
    void forgetValues();

    // Writes what was saved since the last sync. False when it could not:
    // the file on disk is then as it was, error() says why and names the
    // file, and what was saved is still pending for the next try.
    bool sync();
    QString error() const { return m_error; }

    // Why the file could not be read at all when the store opened (it was
    // a folder, a pipe, unreadable, far too large...), naming it; empty
    // when it was read or was not there.
    QString readProblem() const { return m_readProblem; }
    // Whether what stands at the path is something a sync may never
    // replace (a folder, a pipe, a device, a link that leads nowhere).
    bool neverReplaced() const { return m_condition == Condition::NotAFile; }

    // When the file could not be read as settings as a whole, it was copied
    // aside before anything is written over it; this names the copy.
    QString damagedCopy() const { return m_damagedCopy; }
    // True when the damage is text that is not UTF-8.
    bool damagedEncoding() const { return m_encodingDamaged; }
    // The caller found something in the file that it does not understand:
    // the file is kept aside as the store does with damage it finds
    // itself. False, with error() set, when no copy could be made.
    bool keepAside();

    // Lets a write replace a file that could not be read when the store
    // opened: it is moved aside first, its bytes untouched. Without this,
    // writes refuse to go over it.
    void replaceUnreadFile() { m_replaceUnread = true; }

    const QString& path() const { return m_path; }

    // A write prepared on the window's thread and done on another: the
    // values are merged into the file as it is on disk at that time.
    struct WriteTarget {
        QString path;
        // The damaged file that may be written over since it was kept aside.
        FileStamp keptAside;
    };
    // Where a write may go now, or false (with error() set) when the store
    // must not be written now.
    bool prepareWrite(WriteTarget& target);
    // Sets the values to write into the document read from the disk.
    using Values = std::function<void(IniDocument&)>;
    // Thread-safe; one write at a time per process. False with error set
    // when the file stayed as it was. A file found damaged is copied aside
    // first; keptAside then names the copy.
    static bool write(const WriteTarget& target, const Values& values, QString* error,
                      QString* keptAside = nullptr);

private:
    enum class Condition {
        Sound,     // read and understood, or absent
        Damaged,   // read in part
        Unread,    // a file that could not be read
        NotAFile,  // never opened
    };
    void take(StoreBytes read, std::optional<IniDocument> parsed);
    bool moveAsideUnreadFile();

    struct Pending {
        std::string section, key, value;
    };

    QString m_path;
    std::string m_nativePath;
    IniDocument m_document;
    FileStamp m_readStamp;
    Condition m_condition = Condition::Sound;
    bool m_encodingDamaged = false;
    std::vector<Pending> m_pending;
    QString m_error;
    QString m_readProblem;
    QString m_damagedCopy;
    bool m_replaceUnread = false;
};

// The store of one application, opened once and kept for the run.
SettingsStore& store(const QString& application);

// Starts reading and parsing the store of application on another thread,
// so that a large file is read while the program sets itself up. The
// thread touches no Qt type, so it may start before the application object
// exists; store() then takes what it read, waiting a bounded time. digest,
// when given, runs on that thread with what was read (when it could be),
// before store() takes it.
void prefetch(const QString& application, std::function<void(const IniDocument&)> digest = {});

// The classic calls, on store(application).
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback = {});
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Syncs and forgets every opened store (tests point XDG_CONFIG_HOME
// elsewhere between cases; the program's exit does it too).
void closeAllStores();

}  // namespace settings

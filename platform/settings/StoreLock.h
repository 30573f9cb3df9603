#pragma once

#include <QLockFile>
#include <QString>

namespace settings {

// The lock a settings file is written under: the file's name followed by
// ".lock", as QSettings takes it, holding the writer's process id. A lock
// whose process has ended is taken over.
class StoreLock {
public:
    explicit StoreLock(const QString& storePath);

    // Takes the lock, waiting a bounded time for another writer.
    bool take(int waitMs = 10000);
    // Why the lock could not be taken, in words for the user.
    QString problem() const { return m_problem; }

private:
    QString m_path;
    QLockFile m_lock;
    QString m_problem;
};

}  // namespace settings

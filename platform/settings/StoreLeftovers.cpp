#include "settings/StoreLeftovers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "settings/StoreLock.h"

namespace settings {

void removeLeftovers(const QString& storePath) {
    const QFileInfo store(storePath);
    const QDir folder(store.path());
    if (!folder.exists()) return;
    // The new file of a save, or of a copy aside ("<name>.damaged-<time>").
    const QRegularExpression unfinished(
        QStringLiteral("^%1(\\.damaged-[0-9-]+)?\\.tmp-[A-Za-z0-9]{6}$")
            .arg(QRegularExpression::escape(store.fileName())));
    const QStringList names = folder
                                  .entryList({store.fileName() + QStringLiteral(".*")},
                                             QDir::Files | QDir::Hidden | QDir::System)
                                  .filter(unfinished);
    // Taking the lock writes it to the disk, so only when there is
    // something to clear; taking it clears one whose process has ended.
    if (names.isEmpty() && !folder.exists(store.fileName() + QStringLiteral(".lock"))) return;
    StoreLock lock(storePath);
    if (!lock.take(0)) return;
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat info = {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(path.constData());
    }
}

}  // namespace settings

#include "CoverCache.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>
#include <thread>

#include "settings/StoreFile.h"

QString CoverCache::urlFor(const QByteArray& picture, const QString& type) {
    if (picture.isEmpty()) return {};
    const QByteArray hash = QCryptographicHash::hash(picture, QCryptographicHash::Sha1).toHex();
    if (const auto found = m_urls.constFind(hash); found != m_urls.cend()) return *found;
    if (m_pending.contains(hash)) return {};
    m_pending.insert(hash);

    const QString extension = type == u"image/png"   ? QStringLiteral("png")
                              : type == u"image/gif" ? QStringLiteral("gif")
                                                     : QStringLiteral("jpg");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/ravelle/covers");
    const QString path = folder + u'/' + QString::fromLatin1(hash) + u'.' + extension;
    QPointer<CoverCache> self(this);
    std::thread([self, picture, hash, folder, path] {
        const std::string native = QFile::encodeName(path).toStdString();
        struct stat there = {};
        const bool written =
            ::stat(native.c_str(), &there) == 0 ||
            (settings::makeFolders(QFile::encodeName(folder).toStdString()) == 0 &&
             settings::replaceFile(native, picture.constData(), size_t(picture.size())) == 0);
        const QString url = written ? QUrl::fromLocalFile(path).toString() : QString();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, hash, url] {
                if (!self) return;
                self->m_pending.remove(hash);
                self->m_urls.insert(hash, url);
                if (!url.isEmpty()) emit self->written();
            },
            Qt::QueuedConnection);
    }).detach();
    return {};
}

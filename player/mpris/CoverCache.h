#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

// The cover pictures tracks carry, each written once to the user's cache
// folder ($XDG_CACHE_HOME/ravelle/covers, named by a hash of its bytes), so
// the desktop's player controls can show it by its file:// URL.
class CoverCache : public QObject {
    Q_OBJECT
public:
    // The picture's URL once it is on the disk; empty until then. It is
    // looked for and written on a thread of its own, never the window's,
    // and written() follows when it is there.
    QString urlFor(const QByteArray& picture, const QString& type);

signals:
    void written();

private:
    QHash<QByteArray, QString> m_urls;  // by hash
    QSet<QByteArray> m_pending;
};

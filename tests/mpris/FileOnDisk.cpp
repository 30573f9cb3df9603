#include "FileOnDisk.h"

#include <QFile>
#include <QUrl>

FileOnDisk::FileOnDisk(const QString& name) : m_path(m_dir.filePath(name)) {
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly)) file.write("RIFF");
}

QString FileOnDisk::uri() const { return QUrl::fromLocalFile(m_path).toString(); }

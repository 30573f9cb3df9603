#pragma once

#include <QString>
#include <QTemporaryDir>

// A file that is there, in a folder of its own removed with it: the Open
// dialog only ever returns such files.
class FileOnDisk {
public:
    explicit FileOnDisk(const QString& name);
    QString path() const { return m_path; }
    QString uri() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

#pragma once

#include <QString>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

// Points the per-user settings at a fresh temporary folder for as long as
// it lives, and forgets the stores opened meanwhile.
class TempConfig {
public:
    TempConfig();
    ~TempConfig();

    QString path() const { return m_dir.path(); }
    // The settings file of an application under this folder.
    QString storeFile(const QString& application) const;
    // Writes a settings file's text as it stands on disk.
    void writeStore(const QString& application, const QByteArray& text) const;
    QByteArray readStore(const QString& application) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

#pragma once

#include <QString>

// The Open dialog as the player uses it: clear FileName, ShowOpen (modal),
// read FileName: the chosen file's full path, or empty when the user
// cancelled. A cancel is not a failure.
class FileDialog {
public:
    virtual ~FileDialog() = default;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& path) { m_fileName = path; }

    virtual void ShowOpen() = 0;

protected:
    QString m_fileName;
};

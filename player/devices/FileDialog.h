#pragma once

#include <QString>
#include <optional>

// The Open dialog as the player uses it: clear FileName, ShowOpen (modal),
// read FileName: the chosen file's full path, or empty when the user
// cancelled. A cancel is not a failure.
class FileDialog {
public:
    virtual ~FileDialog() = default;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& path) { m_fileName = path; }

    // Asks the user, or takes the answer handed over with answerNextWith.
    void ShowOpen();

    // For a file chosen before the question comes (the desktop asking the
    // player to open one): the next ShowOpen shows nothing and returns at
    // once, as if the user had chosen path. withdrawAnswer takes it back
    // when no ShowOpen came to use it.
    void answerNextWith(const QString& path) { m_handedAnswer = path; }
    void withdrawAnswer() { m_handedAnswer.reset(); }

protected:
    // Shows the dialog and sets FileName from what the user did.
    virtual void ask() = 0;

    QString m_fileName;

private:
    std::optional<QString> m_handedAnswer;
};

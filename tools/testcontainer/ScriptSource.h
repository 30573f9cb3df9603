#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

// The lines of a script as they become readable, from a file or standard
// input, without ever blocking the window's thread: a pipe or a terminal
// that has nothing to say yet simply says nothing. A FIFO is opened without
// waiting for its writer.
class ScriptSource : public QObject {
public:
    // "-" is standard input. Null, with the reason, when path cannot be
    // opened.
    static std::unique_ptr<ScriptSource> open(const QString& path, QString* error);
    ~ScriptSource() override;

    // A line, without its line break; valid is false for bytes that are not
    // UTF-8 text.
    std::function<void(const QString& line, bool valid)> onLine;
    // The end of the script: no more lines will come.
    std::function<void()> onEnd;

    // Stops reading while the reader has enough lines waiting.
    void setPaused(bool paused);

private:
    ScriptSource(int fd, bool own);
    void readSome();
    void deliver(const QByteArray& bytes);

    int m_fd;
    bool m_ownFd;
    bool m_ended = false;
    QSocketNotifier* m_notifier;
    QByteArray m_partial;
};

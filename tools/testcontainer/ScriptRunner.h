#pragma once

#include <QObject>
#include <QPoint>
#include <QQueue>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "ScriptLines.h"

class ContainerWindow;
class RealInput;
class ScriptSource;

// Runs a container script (tools/testcontainer/SCRIPT.md): one command a
// line, each run to its end before the next starts, the answers written by
// the window one fact a line. Commands that wait (wait, and the pointer and
// key input, which goes through the X server and waits until the server has
// handed it back) let the window's event loop run meanwhile, so the control
// keeps painting and repeating keys.
class ScriptRunner : public QObject {
public:
    // echo writes each command, after "> ", before its answers.
    ScriptRunner(ContainerWindow& window, std::unique_ptr<ScriptSource> source, bool echo);
    ~ScriptRunner() override;

    // Called once with the exit status when the script has ended (quit or
    // its last line): 0 when every line ran, 1 when any was refused.
    std::function<void(int status)> finished;

private:
    using Tokens = QList<ScriptToken>;

    void lineRead(const QString& text, bool valid);
    void sourceEnded();
    void scheduleNext();
    void runNext();
    // Runs one command; false when it continues on its own later (it then
    // calls resume()).
    bool run(const Tokens& t);
    void resume();
    void refuse(const QString& why);
    void finish();

    void create(const Tokens& t);
    void size(const Tokens& t);
    void mode(const Tokens& t);
    void tabStop(const Tokens& t);
    void set(const Tokens& t);
    void get(const Tokens& t);
    void save(const Tokens& t);
    void load(const Tokens& t);
    void on(const Tokens& t);
    bool wait(const Tokens& t);
    bool pointer(const Tokens& t);
    bool keys(const Tokens& t);

    // The screen point a target names: a constituent (its centre, or a point
    // in it in twips), or a point in twips in the control. Null with the
    // reason written when it names nothing; next is the first token after
    // it.
    std::optional<QPoint> target(const Tokens& t, qsizetype first, qsizetype* next);
    bool needControl();
    bool needInput();
    bool deliverInput();

    ContainerWindow& m_window;
    std::unique_ptr<ScriptSource> m_source;
    std::unique_ptr<RealInput> m_input;
    QString m_inputMissing;
    bool m_echo;

    struct Line {
        int number;
        QString text;
        bool valid;
    };
    QQueue<Line> m_lines;
    int m_lineCount = 0;
    int m_current = 0;
    bool m_busy = false;
    bool m_scheduled = false;
    bool m_sourceEnded = false;
    bool m_finished = false;
    bool m_refused = false;
};

#pragma once

#include <QStringList>

#include "FileDialog.h"

// An Open dialog that answers from a script, for tests: each ShowOpen takes
// the next answer; an empty answer, or none left, is a cancel.
class ScriptedFileDialog : public FileDialog {
public:
    void answer(const QString& path) { m_answers << path; }
    void cancel() { m_answers << QString(); }

    int timesShown() const { return m_shown; }

private:
    void ask() override {
        ++m_shown;
        m_fileName = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }

    QStringList m_answers;
    int m_shown = 0;
};

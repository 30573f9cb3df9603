#pragma once

#include <QPointer>
#include <QWidget>

#include "FileDialog.h"

// The Open dialog on a modal QFileDialog: no filter, title or starting
// folder of our own, any existing file. FileName is the chosen file's full
// path, or empty after a cancel.
class QtFileDialog : public FileDialog {
public:
    // The dialog is modal over parent, or over the active window when there
    // is none. qtOwnDialog uses Qt's dialog instead of the desktop's, so that
    // tests find the same widgets everywhere.
    explicit QtFileDialog(QWidget* parent = nullptr, bool qtOwnDialog = false);

private:
    void ask() override;

    QPointer<QWidget> m_parent;
    bool m_qtOwnDialog;
};

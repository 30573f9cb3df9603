#include "QtFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QtFileDialog::QtFileDialog(QWidget* parent, bool qtOwnDialog)
    : m_parent(parent), m_qtOwnDialog(qtOwnDialog) {}

void QtFileDialog::ask() {
    // Without a window of its own the dialog sits over the one the user
    // clicked in.
    QFileDialog dialog(m_parent ? m_parent.data() : QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (m_qtOwnDialog) dialog.setOption(QFileDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    m_fileName =
        chosen ? QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath() : QString();
}

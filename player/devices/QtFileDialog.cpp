#include "QtFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

QtFileDialog::QtFileDialog(QWidget* parent, bool qtOwnDialog)
    : m_parent(parent), m_qtOwnDialog(qtOwnDialog) {}

void QtFileDialog::ShowOpen() {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (m_qtOwnDialog) dialog.setOption(QFileDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    m_fileName =
        chosen ? QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath() : QString();
}

#include "forms/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "forms/App.h"

namespace forms {

int MsgBox(const QString& prompt, MsgBoxStyle style, const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setWindowTitle(title.isEmpty() ? App::Title() : title);
    box.setText(prompt);
    box.setTextFormat(Qt::PlainText);
    const int icon = int(style) & 0x70;
    box.setIcon(icon == int(MsgBoxStyle::Critical)      ? QMessageBox::Critical
                : icon == int(MsgBoxStyle::Exclamation) ? QMessageBox::Warning
                : icon == int(MsgBoxStyle::Information) ? QMessageBox::Information
                                                        : QMessageBox::NoIcon);
    QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return vbOK;
}

void showRuntimeErrorBox(const errors::RuntimeError& error) {
    MsgBox(QStringLiteral("运行时错误 '%1':\n\n%2").arg(error.number()).arg(error.description()),
           MsgBoxStyle::OkOnly | MsgBoxStyle::Critical, App::Title());
}

}  // namespace forms

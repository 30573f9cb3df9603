#include "forms/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "forms/App.h"
#include "forms/CloseOnSignals.h"

namespace forms {

int MsgBox(const QString& prompt, MsgBoxStyle style, const QString& title) {
    if (closingOnSignal()) {
        // The session is ending and nobody will answer: say it where it
        // is kept, and go on.
        std::fprintf(stderr, "%s: %s\n", qPrintable(title.isEmpty() ? App::Title() : title),
                     prompt.toLocal8Bit().constData());
        std::fflush(stderr);
        return vbOK;
    }
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

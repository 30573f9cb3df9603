#include <QApplication>

#include "Form1.h"
#include "forms/CloseOnSignals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelle"));
    QApplication::setApplicationVersion(QStringLiteral("1.3.0.24"));
    QApplication::setDesktopFileName(QStringLiteral("org.ravelle.Ravelle"));

    Form1 form;
    forms::closeOnSignals(&form);
    form.Show();
    return app.exec();
}

#include <QApplication>

#include "ApplicationIdentity.h"
#include "Form1.h"
#include "forms/CloseOnSignals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    setApplicationIdentity();

    Form1 form;
    forms::closeOnSignals(&form);
    form.Show();
    return app.exec();
}

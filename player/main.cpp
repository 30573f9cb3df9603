#include <QApplication>

#include "Form1.h"
#include "ProgramSetup.h"
#include "forms/CloseOnSignals.h"

int main(int argc, char* argv[]) {
    prepareProcess();
    QApplication app(argc, argv);
    setApplicationIdentity();

    Form1 form;
    forms::closeOnSignals(&form);
    form.Show();
    return app.exec();
}

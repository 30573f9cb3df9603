#include <QApplication>

#include "ApplicationIdentity.h"
#include "Form1.h"
#include "forms/CloseOnSignals.h"
#include "settings/SettingsStore.h"

int main(int argc, char* argv[]) {
    // The playlist is read while Qt sets itself up.
    settings::prefetch(QStringLiteral("ravelle"));
    QApplication app(argc, argv);
    setApplicationIdentity();

    Form1 form;
    forms::closeOnSignals(&form);
    form.Show();
    return app.exec();
}

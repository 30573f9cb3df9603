#include <QApplication>

#include "ApplicationIdentity.h"
#include "Form1.h"
#include "forms/CloseOnSignals.h"
#include "settings/SettingsStore.h"

int main(int argc, char* argv[]) {
    // The window repaints a few small strips twenty times a second; sent
    // plainly, such updates cost the X server and the player one wake-up
    // each instead of a shared-memory round trip.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // The playlist is read while Qt sets itself up.
    settings::prefetch(QStringLiteral("ravelle"));
    QApplication app(argc, argv);
    setApplicationIdentity();

    Form1 form;
    forms::closeOnSignals(&form);
    form.Show();
    return app.exec();
}

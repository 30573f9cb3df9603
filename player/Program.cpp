#include "Program.h"

#include <QApplication>

#include "Form1.h"
#include "ProgramSetup.h"
#include "devices/GstMediaDevice.h"
#include "devices/QtFileDialog.h"
#include "errors/EventDispatch.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"
#include "mpris/MprisSession.h"
#include "mpris/SessionBusCheck.h"

void runProgram(int argc, char* argv[], const std::function<void(Form1&)>& beforeShow) {
    // Before any thread and before Qt, which would wait for a silent bus
    // without end while building the window.
    hideSilentSessionBus();
    prepareProcess();
    QApplication app(argc, argv);
    setApplicationIdentity();
    errors::setLastResortHandler(forms::showRuntimeErrorBox);

    // The window plays through GStreamer and asks with the desktop's Open
    // dialog; it is handed both, and names neither.
    Form1 form(std::make_unique<GstMediaDevice>(), std::make_unique<QtFileDialog>());
    forms::closeOnSignals(&form);
    if (beforeShow) beforeShow(form);
    form.Show();
    // Media keys and the desktop's player controls, once the window is up.
    MprisSession mpris(form);
    endProcess(app.exec());
}

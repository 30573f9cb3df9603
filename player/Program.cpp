#include "Program.h"

#include <QApplication>
#include <cstdio>

#include "Form1.h"
#include "HandedFiles.h"
#include "ProgramSetup.h"
#include "desktop/DesktopApplication.h"
#include "desktop/LaunchArguments.h"
#include "desktop/OneCopy.h"
#include "devices/GstMediaDevice.h"
#include "devices/QtFileDialog.h"
#include "errors/EventDispatch.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"
#include "mpris/MprisSession.h"
#include "mpris/SessionBusCheck.h"

namespace {
// What a launch waits at most for the bus, or for the copy that runs, to
// answer.
constexpr int kHandOverLimitMs = 1000;

[[noreturn]] void answer(FILE* to, const QString& text, int status) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
    std::exit(status);
}
}  // namespace

void runProgram(int argc, char* argv[], const std::function<void(Form1&)>& beforeShow) {
    // Asked of the program, not of a window: no display is needed.
    switch (LaunchArguments::askedBeforeStart(argc, argv)) {
        case LaunchArguments::Ask::Help:
            answer(stdout, LaunchArguments::helpText(), 0);
        case LaunchArguments::Ask::Version:
            answer(stdout, LaunchArguments::versionText(), 0);
        default:
            break;
    }
    // Before any thread and before Qt, which would wait for a silent bus
    // without end while building the window.
    hideSilentSessionBus();
    prepareProcess();
    QApplication app(argc, argv);
    setApplicationIdentity();
    errors::setLastResortHandler(forms::showRuntimeErrorBox);
    const LaunchArguments launch = LaunchArguments::parse(QCoreApplication::arguments());
    if (launch.ask == LaunchArguments::Ask::Unknown)
        answer(stderr,
               QStringLiteral("ravelle: 不认识的选项 %1\n\n").arg(launch.unknown) +
                   LaunchArguments::helpText(),
               2);

    // One copy a session: a copy that runs takes the files, and this launch
    // leaves without a window of its own.
    const QDBusConnection bus = joinSessionBus();
    DesktopApplication desktop(bus);
    if (bus.isConnected() &&
        desktop::claimOrHandOver(bus, launch.uris, kHandOverLimitMs) == desktop::Launch::HandedOver)
        endProcess(0);

    // The window plays through GStreamer and asks with the desktop's Open
    // dialog; it is handed both, and names neither.
    Form1 form(std::make_unique<GstMediaDevice>(), std::make_unique<QtFileDialog>());
    forms::closeOnSignals(&form);
    if (beforeShow) beforeShow(form);
    form.Show();
    desktop.attach(form);
    if (!launch.uris.isEmpty()) desktop.open(launch.uris);
    // Media keys and the desktop's player controls, once the window is up.
    MprisSession mpris(form, bus);
    endProcess(app.exec());
}

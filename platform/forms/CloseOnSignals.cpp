#include "forms/CloseOnSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>

namespace forms {

namespace {
int wakeFds[2] = {-1, -1};

extern "C" void onSignal(int) {
    // Only async-signal-safe work here: wake the event loop.
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
}
// A modal dialog open at that moment (a message box, the Open dialog) runs
// an event loop of its own that would keep the process alive after the
// window has closed: each is cancelled, innermost first.
void endModalDialogs() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) break;  // it would not go
    }
}
}  // namespace

void closeOnSignals(QWidget* window) {
    if (wakeFds[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0)
        return;
    auto* notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [target] {
        char buffer[64];
        while (::read(wakeFds[1], buffer, sizeof buffer) > 0) {
        }
        endModalDialogs();
        if (target) target->close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

}  // namespace forms

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
volatile sig_atomic_t signalsSeen = 0;
bool closing = false;

extern "C" void onSignal(int sig) {
    // Only async-signal-safe work here.
    const sig_atomic_t seen = signalsSeen + 1;
    signalsSeen = seen;
    if (seen == 1) {
        // Wake the event loop, which closes the window.
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
    } else if (seen >= 3) {
        // Whoever sends a third does not want to wait for the save.
        ::signal(sig, SIG_DFL);
        ::raise(sig);
    }
}

}  // namespace

bool closingOnSignal() { return closing; }

void closeOverDialogs(QWidget* window) {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    // Innermost first.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) break;  // it would not go
    }
    if (window) window->close();
}

void closeOnSignals(QWidget* window) {
    if (wakeFds[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0)
        return;
    signalsSeen = 0;
    closing = false;
    auto* notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [target] {
        char buffer[64];
        while (::read(wakeFds[1], buffer, sizeof buffer) > 0) {
        }
        closing = true;
        closeOverDialogs(target);
    });
    // The window's life ends the close; another window may be closed anew.
    QObject::connect(window, &QObject::destroyed, [] {
        closing = false;
        signalsSeen = 0;
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction was = {};
        ::sigaction(sig, nullptr, &was);
        if (sig == SIGHUP && was.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
}

}  // namespace forms

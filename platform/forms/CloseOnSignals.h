#pragma once

#include <QWidget>

namespace forms {

// Closes window the ordinary way (its unload handler runs) when the process
// is asked to end with SIGTERM, SIGINT or SIGHUP: a logout or a service stop
// must not lose what the window saves when it closes. Modal dialogs open at
// the time are cancelled first, so the process does end, and none opens
// while the close runs. A second signal during the close is ignored; a
// third ends the process at once. A SIGHUP ignored when the program started
// (nohup) stays ignored.
void closeOnSignals(QWidget* window);

// Closes window the ordinary way, cancelling first what is open over it: a
// modal dialog or a popup menu runs an event loop of its own that would
// keep the process alive after the window has gone.
void closeOverDialogs(QWidget* window);

// True from a signal until the window it closed is gone: nobody is there
// to answer a box, so what would be shown goes to standard error instead.
bool closingOnSignal();

}  // namespace forms

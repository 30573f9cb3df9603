#pragma once

#include <QWidget>

namespace forms {

// Closes window the ordinary way (its unload handler runs) when the process
// is asked to end with SIGTERM, SIGINT or SIGHUP: a logout or a service stop
// must not lose what the window saves when it closes. Modal dialogs open at
// the time are cancelled first, so the process does end.
void closeOnSignals(QWidget* window);

}  // namespace forms

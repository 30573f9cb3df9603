#pragma once

#include <QDBusConnection>
#include <QStringList>

// One copy of the player a session: the launch that takes the bus name
// org.ravelle.Ravelle runs the window; a later one hands its files to that
// copy and leaves, so two copies never write over each other's playlist.
namespace desktop {

enum class Launch {
    OnlyCopy,    // the name is ours: run the window
    HandedOver,  // the copy that runs took the files (or was brought to the front)
    OnItsOwn,    // no answer in time: run a window anyway (standard error said why)
};

// Asks the bus for the name, then, when another copy holds it, hands it
// the uris (Open, or Activate when there are none). Each call waits at most
// limitMs, and none starts a copy through D-Bus activation.
Launch claimOrHandOver(const QDBusConnection& bus, const QStringList& uris, int limitMs);

}  // namespace desktop

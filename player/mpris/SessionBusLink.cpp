#include "SessionBusLink.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "SessionBusCheck.h"

namespace {
// The bus library looks in the same two places.
bool sessionBusNamed() {
    if (sessionBusDisabled()) return false;
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    struct stat info = {};
    return ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}
}  // namespace

// What the connecting thread shares with the link: the link itself while
// it lives. The thread hands over under the lock, so the link cannot go
// away in the middle.
struct SessionBusLink::Handoff {
    std::mutex mutex;
    SessionBusLink* link = nullptr;
};

SessionBusLink::SessionBusLink(QObject* parent)
    : QObject(parent), m_handoff(std::make_shared<Handoff>()) {
    m_handoff->link = this;
}

SessionBusLink::~SessionBusLink() {
    const std::lock_guard lock(m_handoff->mutex);
    m_handoff->link = nullptr;
}

void SessionBusLink::start() {
    // Left to finish on its own: a connection that never comes ends with
    // the process, and a late one finds the link gone and is dropped.
    std::thread([handoff = m_handoff] {
        if (!sessionBusNamed()) return;
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        const std::lock_guard lock(handoff->mutex);
        SessionBusLink* link = handoff->link;
        if (!link) return;
        // Delivered on the link's thread, and only while it lives.
        QMetaObject::invokeMethod(
            link, [link, bus] { emit link->connected(bus); }, Qt::QueuedConnection);
    }).detach();
}

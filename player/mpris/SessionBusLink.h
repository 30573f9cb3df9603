#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>

// Joins the session bus away from the window's thread. Connecting waits for
// the bus daemon's greeting, which a stalled daemon may hold back for the
// bus library's whole timeout; the window must not wait with it. When a
// bus answers, connected() follows on this object's thread; when there is
// no session bus at all (none named in the environment and no socket at the
// usual place), nothing is tried and nothing is said.
class SessionBusLink : public QObject {
    Q_OBJECT
public:
    explicit SessionBusLink(QObject* parent = nullptr);
    ~SessionBusLink() override;

    void start();

signals:
    void connected(const QDBusConnection& bus);

private:
    struct Handoff;
    std::shared_ptr<Handoff> m_handoff;
};
